#include "host/gtk/ToolbarView.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "host/core/HostLines.h"
#include "host/core/KeyStrokes.h"
#include "platform/text/WideText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/ToolTip.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace {

constexpr WPARAM MK_LBUTTON = 0x0001;
// Room for any tip: the toolbar's answers fill an 80-character buffer, other tools may be longer.
constexpr int kToolTipRoom = 1024;

// The keys of a box's entry that go to the edit field as keys rather than characters.
struct EditKey {
  guint keyval;
  UINT virtualKey;
};
constexpr EditKey kEditKeys[] = {
    {GDK_KEY_Return, VK_RETURN}, {GDK_KEY_KP_Enter, VK_RETURN}, {GDK_KEY_ISO_Enter, VK_RETURN},
    {GDK_KEY_BackSpace, VK_BACK}, {GDK_KEY_Delete, VK_DELETE},  {GDK_KEY_KP_Delete, VK_DELETE},
    {GDK_KEY_Home, VK_HOME},      {GDK_KEY_KP_Home, VK_HOME},   {GDK_KEY_End, VK_END},
    {GDK_KEY_KP_End, VK_END},     {GDK_KEY_Left, VK_LEFT},      {GDK_KEY_KP_Left, VK_LEFT},
    {GDK_KEY_Right, VK_RIGHT},    {GDK_KEY_KP_Right, VK_RIGHT}, {GDK_KEY_Up, VK_UP},
    {GDK_KEY_KP_Up, VK_UP},       {GDK_KEY_Down, VK_DOWN},      {GDK_KEY_KP_Down, VK_DOWN},
};

std::optional<UINT> EditKeyFor(guint keyval) {
  for (const EditKey& key : kEditKeys)
    if (key.keyval == keyval) return key.virtualKey;
  return std::nullopt;
}

void Post(const std::vector<MSG>& messages) {
  for (const MSG& msg : messages) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}


// The tip the tooltip control `tooltip` gives for the tool (`owner`, `id`).
std::wstring ToolText(HWND tooltip, HWND owner, UINT_PTR id) {
  std::wstring text(kToolTipRoom, L'\0');
  TOOLINFOW info;
  info.hwnd = owner;
  info.uId = id;
  info.lpszText = text.data();
  SendMessageW(tooltip, TTM_GETTEXTW, kToolTipRoom, reinterpret_cast<LPARAM>(&info));
  text.resize(text.find(L'\0'));
  return text;
}

// The tip of a box: the tool that a mouse over the box's middle makes current, as the box relays
// its mouse messages to its own tooltip control (owned, as popups are, by the top-level window).
// The mouse then leaves again, so no tip stays current.
std::wstring BoxToolTip(HWND box) {
  RECT client;
  GetClientRect(box, &client);
  POINT middle{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  SendMessageW(box, WM_MOUSEMOVE, 0, PointToLParam(middle));
  std::wstring tip;
  for (HWND window : GetThreadTopLevelWindows()) {
    if (GetClassNameString(window) != TOOLTIPS_CLASS) continue;
    TOOLINFOW current;
    if (!SendMessageW(window, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current))) continue;
    if (current.hwnd == box || IsChild(box, current.hwnd)) tip = ToolText(window, current.hwnd, current.uId);
  }
  SendMessageW(box, WM_MOUSEMOVE, 0, PointToLParam(POINT{-1, -1}));
  return tip;
}

void SetToolTip(GtkWidget* widget, const std::wstring& tip) {
  gtk_widget_set_tooltip_text(widget, tip.empty() ? nullptr : ToUtf8(tip).c_str());
}

// Whether the window itself is shown. The windows the band docks it in are not the view's to
// judge: the host shows the view where it docks the band.
bool ShownItself(HWND window) { return GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE; }

void ShowIf(GtkWidget* widget, bool visible) {
  if (gtk_widget_get_visible(widget) != static_cast<gboolean>(visible)) gtk_widget_set_visible(widget, visible);
}

void EnableIf(GtkWidget* widget, bool enabled) {
  if (gtk_widget_get_sensitive(widget) != static_cast<gboolean>(enabled)) gtk_widget_set_sensitive(widget, enabled);
}

void MarkActive(GtkWidget* widget, bool active) {
  bool now = gtk_widget_get_state_flags(widget) & GTK_STATE_FLAG_ACTIVE;
  if (active == now) return;
  if (active)
    gtk_widget_set_state_flags(widget, GTK_STATE_FLAG_ACTIVE, FALSE);
  else
    gtk_widget_unset_state_flags(widget, GTK_STATE_FLAG_ACTIVE);
}

}  // namespace

GObjectRef<GdkPixbuf> PixbufFromImage(const Image& image, int scale) {
  if (image.width <= 0 || image.height <= 0 || scale <= 0) return {};
  auto pixbuf = GObjectRef<GdkPixbuf>::Adopt(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width * scale, image.height * scale));
  if (!pixbuf) return {};
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
  const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
  for (int y = 0; y < image.height * scale; ++y) {
    guchar* row = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < image.width * scale; ++x) {
      std::uint32_t colour = image.At(x / scale, y / scale) & 0xFFFFFF;
      guchar* pixel = row + static_cast<size_t>(x) * 4;
      pixel[0] = static_cast<guchar>(colour >> 16);
      pixel[1] = static_cast<guchar>(colour >> 8);
      pixel[2] = static_cast<guchar>(colour);
      pixel[3] = colour == kButtonFaceColour ? 0 : 0xFF;
    }
  }
  return pixbuf;
}

struct ToolbarView::Item {
  enum class Kind { Button, Separator, Box };

  ToolbarView* view = nullptr;
  Kind kind = Kind::Separator;
  int command = 0;  // the button's command id, or the box's control id
  GtkToolItem* tool = nullptr;  // owned by the toolbar widget

  // A button: what it shows now.
  GtkWidget* image = nullptr;
  std::optional<Image> shownImage;
  std::wstring label;

  // A box: its windows and its widgets.
  HWND box = nullptr;
  HWND edit = nullptr;
  GtkComboBoxText* combo = nullptr;
  GtkEntry* entry = nullptr;
  std::vector<std::wstring> list;
};

ToolbarView::ToolbarView(HWND toolbar, LoopRunner runLoop)
    : window_(toolbar),
      runLoop_(std::move(runLoop)),
      toolbar_(GObjectRef<GtkToolbar>::Sink(GTK_TOOLBAR(gtk_toolbar_new()))) {
  // Images beside their labels, as the toolbar lays its buttons out.
  gtk_toolbar_set_style(toolbar_.get(), GTK_TOOLBAR_BOTH_HORIZ);
  gtk_toolbar_set_show_arrow(toolbar_.get(), FALSE);
  gtk_widget_set_name(Widget(), "pendrel-toolbar");
  Refresh();
  gtk_widget_show(Widget());
  previousHandler_ = SetWindowChangeHandler([this](HWND changed, WindowChange change) { OnWindowChange(changed, change); });
}

ToolbarView::~ToolbarView() {
  SetWindowChangeHandler(std::move(previousHandler_));
  pendingRefresh_.reset();
  for (auto& item : items_) g_signal_handlers_disconnect_by_data(item->tool, item.get());
  for (auto& item : items_) {
    if (item->combo) g_signal_handlers_disconnect_by_data(item->combo, item.get());
    if (item->entry) g_signal_handlers_disconnect_by_data(item->entry, item.get());
  }
  gtk_widget_destroy(Widget());
}

GtkWidget* ToolbarView::ButtonWidget(UINT commandId) const {
  for (const auto& item : items_)
    if (item->kind == Item::Kind::Button && item->command == static_cast<int>(commandId)) return GTK_WIDGET(item->tool);
  return nullptr;
}

GtkComboBoxText* ToolbarView::BoxWidget(UINT boxId) const {
  for (const auto& item : items_)
    if (item->kind == Item::Kind::Box && item->command == static_cast<int>(boxId)) return item->combo;
  return nullptr;
}

GtkEntry* ToolbarView::BoxEntry(UINT boxId) const {
  for (const auto& item : items_)
    if (item->kind == Item::Kind::Box && item->command == static_cast<int>(boxId)) return item->entry;
  return nullptr;
}

void ToolbarView::Refresh() {
  if (!IsWindow(window_)) {
    EnableIf(Widget(), false);
    return;
  }
  try {
    updating_ = true;
    const std::vector<TBBUTTON> buttons = Rebuild();
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i]->kind == Item::Kind::Button) RefreshButton(*items_[i], buttons[i]);
      if (items_[i]->kind == Item::Kind::Box) RefreshBox(*items_[i]);
    }
    EnableIf(Widget(), IsWindowEnabled(window_));
    ShowIf(Widget(), ShownItself(window_));
  } catch (const std::exception& e) {
    g_warning("the toolbar could not be shown: %s", e.what());
  }
  updating_ = false;
}

std::vector<TBBUTTON> ToolbarView::Rebuild() {
  // What the toolbar holds now, in its order.
  struct Entry {
    TBBUTTON button;
    Item::Kind kind;
  };
  std::vector<Entry> entries;
  LRESULT count = SendMessageW(window_, TB_BUTTONCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    TBBUTTON button;
    if (!SendMessageW(window_, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button))) continue;
    Item::Kind kind = Item::Kind::Button;
    if (button.fsStyle & BTNS_SEP) {
      // A separator keeps the space of the child window with its id, if there is one.
      HWND child = button.idCommand ? GetDlgItem(window_, button.idCommand) : nullptr;
      kind = child && GetClassNameString(child) == WC_COMBOBOXEX ? Item::Kind::Box : Item::Kind::Separator;
    }
    entries.push_back({button, kind});
  }
  bool same = entries.size() == items_.size();
  for (size_t i = 0; same && i < entries.size(); ++i)
    same = entries[i].kind == items_[i]->kind && entries[i].button.idCommand == items_[i]->command &&
           (entries[i].kind != Item::Kind::Box || GetDlgItem(window_, items_[i]->command) == items_[i]->box);
  std::vector<TBBUTTON> buttons;
  buttons.reserve(entries.size());
  for (const Entry& entry : entries) buttons.push_back(entry.button);
  if (same) return buttons;

  for (auto& item : items_) {
    g_signal_handlers_disconnect_by_data(item->tool, item.get());
    if (item->combo) g_signal_handlers_disconnect_by_data(item->combo, item.get());
    if (item->entry) g_signal_handlers_disconnect_by_data(item->entry, item.get());
    gtk_widget_destroy(GTK_WIDGET(item->tool));
  }
  items_.clear();

  HWND tooltip = reinterpret_cast<HWND>(SendMessageW(window_, TB_GETTOOLTIPS, 0, 0));
  for (const Entry& entry : entries) {
    auto item = std::make_unique<Item>();
    item->view = this;
    item->kind = entry.kind;
    item->command = entry.button.idCommand;
    switch (entry.kind) {
      case Item::Kind::Separator: item->tool = gtk_separator_tool_item_new(); break;
      case Item::Kind::Button: {
        item->image = gtk_image_new();
        item->tool = gtk_tool_button_new(item->image, "");
        // Labels show beside the images only on important items.
        gtk_tool_item_set_is_important(item->tool, TRUE);
        if (tooltip) SetToolTip(GTK_WIDGET(item->tool), ToolText(tooltip, window_, item->command));
        g_signal_connect(item->tool, "clicked", G_CALLBACK(&ToolbarView::OnClicked), item.get());
        break;
      }
      case Item::Kind::Box: {
        item->box = GetDlgItem(window_, item->command);
        item->edit = reinterpret_cast<HWND>(SendMessageW(item->box, CBEM_GETEDITCONTROL, 0, 0));
        item->combo = GTK_COMBO_BOX_TEXT(gtk_combo_box_text_new_with_entry());
        item->entry = GTK_ENTRY(gtk_bin_get_child(GTK_BIN(item->combo)));
        RECT space;
        LRESULT index = SendMessageW(window_, TB_COMMANDTOINDEX, static_cast<WPARAM>(item->command), 0);
        if (SendMessageW(window_, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&space)))
          gtk_widget_set_size_request(GTK_WIDGET(item->combo), space.Width(), -1);
        gtk_entry_set_width_chars(item->entry, 1);  // the space decides the width, not the text
        SetToolTip(GTK_WIDGET(item->combo), BoxToolTip(item->box));
        item->tool = gtk_tool_item_new();
        gtk_container_add(GTK_CONTAINER(item->tool), GTK_WIDGET(item->combo));
        g_signal_connect(item->entry, "key-press-event", G_CALLBACK(&ToolbarView::OnKeyPress), item.get());
        g_signal_connect(item->entry, "focus-in-event", G_CALLBACK(&ToolbarView::OnFocusIn), item.get());
        g_signal_connect(item->entry, "notify::cursor-position", G_CALLBACK(&ToolbarView::OnCaretMoved), item.get());
        g_signal_connect(item->entry, "notify::selection-bound", G_CALLBACK(&ToolbarView::OnCaretMoved), item.get());
        g_signal_connect(item->entry, "paste-clipboard", G_CALLBACK(&ToolbarView::OnPaste), item.get());
        g_signal_connect(item->combo, "changed", G_CALLBACK(&ToolbarView::OnComboChanged), item.get());
        break;
      }
    }
    gtk_widget_show_all(GTK_WIDGET(item->tool));
    gtk_toolbar_insert(toolbar_.get(), item->tool, -1);
    items_.push_back(std::move(item));
  }
  return buttons;
}

void ToolbarView::RefreshButton(Item& item, const TBBUTTON& button) {
  GtkWidget* tool = GTK_WIDGET(item.tool);
  ShowIf(tool, !(button.fsState & TBSTATE_HIDDEN));
  EnableIf(tool, button.fsState & TBSTATE_ENABLED);
  if (GtkWidget* inner = gtk_bin_get_child(GTK_BIN(tool)))
    MarkActive(inner, button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED));

  LRESULT length = SendMessageW(window_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(item.command), 0);
  std::wstring label(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  if (length >= 0)
    SendMessageW(window_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(item.command), reinterpret_cast<LPARAM>(label.data()));
  label.resize(label.find(L'\0'));
  if (label != item.label) {
    item.label = label;
    gtk_tool_button_set_label(GTK_TOOL_BUTTON(item.tool), ToUtf8(label).c_str());
  }

  std::optional<Image> image = GetToolbarImage(window_, button.iBitmap);
  if (image != item.shownImage) {
    item.shownImage = image;
    if (image) {
      // Drawn at the screen's own pixel density, so the small images stay sharp.
      int scale = gtk_widget_get_scale_factor(Widget());
      GObjectRef<GdkPixbuf> pixbuf = PixbufFromImage(*image, scale);
      std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
          gdk_cairo_surface_create_from_pixbuf(pixbuf.get(), scale, nullptr), &cairo_surface_destroy);
      gtk_image_set_from_surface(GTK_IMAGE(item.image), surface.get());
    } else {
      gtk_image_clear(GTK_IMAGE(item.image));
    }
  }
}

void ToolbarView::RefreshBox(Item& item) {
  GtkWidget* combo = GTK_WIDGET(item.combo);
  ShowIf(GTK_WIDGET(item.tool), ShownItself(item.box));
  EnableIf(combo, IsWindowEnabled(item.box));

  gboolean popupShown = FALSE;
  g_object_get(item.combo, "popup-shown", &popupShown, nullptr);
  std::vector<std::wstring> list = ComboListTexts(item.box);
  // A list is not changed under the person choosing from it.
  if (list != item.list && !popupShown) {
    gtk_combo_box_text_remove_all(item.combo);
    for (const std::wstring& text : list) gtk_combo_box_text_append_text(item.combo, ToUtf8(text).c_str());
    item.list = std::move(list);
  }

  const std::wstring text = GetWindowString(item.box);
  const std::string utf8 = ToUtf8(text);
  if (utf8 != gtk_entry_get_text(item.entry)) gtk_entry_set_text(item.entry, utf8.c_str());

  // The list's selection, while the text is the selected entry's (typing leaves it behind).
  LRESULT selected = SendMessageW(item.box, CB_GETCURSEL, 0, 0);
  int active = selected >= 0 && static_cast<size_t>(selected) < item.list.size() &&
                       item.list[static_cast<size_t>(selected)] == text
                   ? static_cast<int>(selected)
                   : -1;
  if (!popupShown && gtk_combo_box_get_active(GTK_COMBO_BOX(item.combo)) != active)
    gtk_combo_box_set_active(GTK_COMBO_BOX(item.combo), active);

  // The caret and the selection of the edit field; the caret is at one end of the selection.
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(item.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  auto caret = static_cast<DWORD>(SendMessageW(item.edit, EM_GETCARETPOS, 0, 0));
  gint anchor = static_cast<gint>(caret == start ? end : start);
  gint position = static_cast<gint>(caret);
  gint shownStart = 0;
  gint shownEnd = 0;
  gtk_editable_get_selection_bounds(GTK_EDITABLE(item.entry), &shownStart, &shownEnd);
  if (gtk_editable_get_position(GTK_EDITABLE(item.entry)) != position ||
      shownStart != static_cast<gint>(start) || shownEnd != static_cast<gint>(end))
    gtk_editable_select_region(GTK_EDITABLE(item.entry), anchor, position);
}

template <class Input>
bool ToolbarView::Deliver(Input&& input) {
  if (delivering_ || updating_ || !IsWindow(window_)) return false;
  delivering_ = true;
  try {
    input();
    if (runLoop_) runLoop_();
  } catch (const std::exception& e) {
    g_warning("the toolbar did not take the input: %s", e.what());
  }
  delivering_ = false;
  Refresh();
  return true;
}

void ToolbarView::OnClicked(GtkToolButton*, gpointer data) {
  auto* item = static_cast<Item*>(data);
  ToolbarView* view = item->view;
  view->Deliver([&] {
    RECT rect;
    if (!SendMessageW(view->window_, TB_GETRECT, static_cast<WPARAM>(item->command), reinterpret_cast<LPARAM>(&rect)))
      return;
    POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    PostMessageW(view->window_, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(middle));
    PostMessageW(view->window_, WM_LBUTTONUP, 0, PointToLParam(middle));
  });
}

gboolean ToolbarView::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* item = static_cast<Item*>(data);
  ToolbarView* view = item->view;
  // Shortcuts (copy, select all) and focus keys are the entry's own; they leave the text as it is.
  if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
  std::optional<UINT> key = EditKeyFor(event->keyval);
  gunichar character = key ? 0 : gdk_keyval_to_unicode(event->keyval);
  if (!key && (character < 0x20 || character == 0x7F)) return FALSE;
  view->Deliver([&] {
    if (GetFocus() != item->edit) SetFocus(item->edit);
    // The key reaches whatever has the focus when it is pressed, as the host's typing does.
    HWND target = GetFocus() ? GetFocus() : item->edit;
    Post(key ? KeyStrokesForKey(target, *key) : KeyStrokesForCharacter(target, static_cast<wchar_t>(character)));
  });
  return TRUE;
}

gboolean ToolbarView::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* item = static_cast<Item*>(data);
  if (GetFocus() == item->edit) return FALSE;
  item->view->Deliver([&] { SetFocus(item->edit); });
  return FALSE;
}

void ToolbarView::OnCaretMoved(GObject*, GParamSpec*, gpointer data) {
  auto* item = static_cast<Item*>(data);
  if (item->view->updating_ || !IsWindow(item->edit)) return;
  // A click or a drag in the entry moves the edit field's caret and selection with it.
  gint start = 0;
  gint end = 0;
  gtk_editable_get_selection_bounds(GTK_EDITABLE(item->entry), &start, &end);
  gint position = gtk_editable_get_position(GTK_EDITABLE(item->entry));
  if (position == start && start != end)
    SendMessageW(item->edit, EM_SETSEL, static_cast<WPARAM>(end), start);
  else
    SendMessageW(item->edit, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void ToolbarView::OnComboChanged(GtkComboBox* combo, gpointer data) {
  auto* item = static_cast<Item*>(data);
  ToolbarView* view = item->view;
  if (view->updating_) return;
  int active = gtk_combo_box_get_active(combo);
  if (active < 0) {
    // The entry changed by some way other than keys (drag and drop): the edit field's text stays.
    if (!view->delivering_) view->Refresh();
    return;
  }
  view->Deliver([&] { PickComboListItem(item->box, active); });
}

void ToolbarView::OnPaste(GtkEntry* entry, gpointer data) {
  auto* item = static_cast<Item*>(data);
  // Pasted text is typed into the edit field, character by character.
  g_signal_stop_emission_by_name(entry, "paste-clipboard");
  GtkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(entry), GDK_SELECTION_CLIPBOARD);
  GCharPtr pasted(gtk_clipboard_wait_for_text(clipboard));
  if (!pasted) return;
  std::wstring text = FromUtf8(pasted.get());
  // One input for the whole text, so that the view is refreshed once rather than per character.
  ToolbarView* view = item->view;
  view->Deliver([&] {
    if (GetFocus() != item->edit) SetFocus(item->edit);
    for (wchar_t character : text) {
      if (character < 0x20) continue;
      if (view->runLoop_) view->runLoop_();
      HWND target = GetFocus() ? GetFocus() : item->edit;
      Post(KeyStrokesForCharacter(target, character));
    }
  });
}

void ToolbarView::OnWindowChange(HWND changed, WindowChange change) {
  if (previousHandler_) previousHandler_(changed, change);
  // The toolbar's windows live on this thread; another thread's windows are none of the view's.
  if (std::this_thread::get_id() != thread_) return;
  // The toolbar, its boxes, or a window around it (hiding the band hides the toolbar). A window
  // that is gone can no longer say whose it was; its going may change the layout.
  const bool ours = changed == window_ || change == WindowChange::Destroyed || IsChild(window_, changed) ||
                    IsChild(changed, window_);
  if (!ours || pendingRefresh_) return;
  pendingRefresh_ = GSourceHandle(g_idle_add(&ToolbarView::OnIdle, this));
}

gboolean ToolbarView::OnIdle(gpointer data) {
  auto* view = static_cast<ToolbarView*>(data);
  view->pendingRefresh_.release();
  // An input still being handled (a menu it opened) is refreshed when it ends.
  if (!view->delivering_) view->Refresh();
  return G_SOURCE_REMOVE;
}
