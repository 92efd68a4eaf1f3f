// The toolbar's desktop view against a real band sited in a browser window with a real store:
// what it shows after page loads and commands, and the input it hands to the window system.
#include "host/gtk/ToolbarView.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "host/core/HostLines.h"
#include "host/gtk/GtkDialogs.h"
#include "platform/text/WideText.h"
#include "platform/ui/ToolTip.h"
#include "tests/host/gtk/GtkTestDisplay.h"
#include "tests/host/gtk/WindowScreenshot.h"
#include "tests/support/BandHarness.h"
#include "tests/support/TestDatabase.h"

namespace {


class ToolbarViewTest : public GtkTest {
 protected:
  void SetUp() override {
    GtkTest::SetUp();
    if (HasFatalFailure()) return;
    harness_.emplace(temp_);
    Show();
  }
  void TearDown() override {
    view_.reset();
    if (window_) gtk_widget_destroy(window_);
    harness_.reset();
    GtkTest::TearDown();
  }

  // A desktop window holding the view, as the desktop host shows it above the page.
  void Show() {
    // Docked and shown, as the host docks the band.
    harness_->Band()->ShowDW(TRUE);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 1000, -1);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window_), column);
    view_ = std::make_unique<ToolbarView>(Toolbar(), [this] { RunLoop(); });
    gtk_box_pack_start(GTK_BOX(column), view_->Widget(), FALSE, FALSE, 0);
    GtkWidget* page = gtk_label_new("(the page)");
    gtk_widget_set_size_request(page, -1, 400);
    gtk_box_pack_start(GTK_BOX(column), page, TRUE, TRUE, 0);
    gtk_widget_show_all(window_);
    ASSERT_TRUE(RunGtkUntil([&] { return gtk_widget_get_mapped(view_->Widget()); }));
  }

  // The browser's loop: each key message offered to the band first, as the host's loop does.
  void RunLoop() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
      if (key && harness_->Band()->TranslateAcceleratorIO(&msg) == S_OK) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  HWND Toolbar() { return harness_->Toolbar().GetSafeHwnd(); }
  HWND Box(UINT id) { return GetDlgItem(Toolbar(), static_cast<int>(id)); }
  void Open(const std::wstring& address) {
    harness_->Open(address);
    view_->Refresh();
  }
  // Stores the page shown as a bookmark in the category Reading.
  void StoreShownPage(const std::string& description) {
    ExecuteSql(harness_->DataFolder(), "insert into LinksCategory(Category) values ('Reading')");
    ExecuteSql(harness_->DataFolder(), "insert into LinksData(HomePage, Category, Description) values ('" +
                                           ToUtf8(harness_->Location()) + "', 'Reading', '" + description + "')");
  }
  // A news page bookmarked under Reading, as the toolbar shows it on the next load.
  void OpenBookmarkedPage() {
    const std::wstring page = harness_->Page("news.html", "Daily news");
    Open(page);
    StoreShownPage("Morning paper");
    Open(page);
  }
  void Click(UINT button) { g_signal_emit_by_name(view_->ButtonWidget(button), "clicked"); }
  GtkWidget* Entry(UINT box) { return GTK_WIDGET(view_->BoxEntry(box)); }
  std::string EntryText(UINT box) { return gtk_entry_get_text(view_->BoxEntry(box)); }
  bool Sensitive(UINT button) { return gtk_widget_get_sensitive(view_->ButtonWidget(button)); }
  std::vector<std::string> GtkList(UINT box) {
    std::vector<std::string> items;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(view_->BoxWidget(box)));
    GtkTreeIter iter;
    for (bool more = gtk_tree_model_get_iter_first(model, &iter); more; more = gtk_tree_model_iter_next(model, &iter)) {
      gchar* text = nullptr;
      gtk_tree_model_get(model, &iter, 0, &text, -1);
      items.push_back(text ? text : "");
      g_free(text);
    }
    return items;
  }

  std::optional<BandHarness> harness_;
  std::unique_ptr<ToolbarView> view_;
  GtkWidget* window_ = nullptr;
};

TEST_F(ToolbarViewTest, LaysOutTheToolbarsButtonsAndBoxesInItsOrderWithImagesLabelsAndTips) {
  std::vector<std::string> shown;
  GList* children = gtk_container_get_children(GTK_CONTAINER(view_->Widget()));
  for (GList* c = children; c; c = c->next) {
    if (GTK_IS_SEPARATOR_TOOL_ITEM(c->data))
      shown.push_back("|");
    else if (GTK_IS_TOOL_BUTTON(c->data))
      shown.push_back(gtk_tool_button_get_label(GTK_TOOL_BUTTON(c->data)));
    else
      shown.push_back(c->data == gtk_widget_get_parent(GTK_WIDGET(view_->BoxWidget(ID_SEARCH_BOX))) ? "[search]"
                                                                                                    : "[category]");
  }
  g_list_free(children);
  EXPECT_EQ(shown, (std::vector<std::string>{"Add", "Change", "Delete", "Options", "|", "[search]", "[category]", "Show"}));

  // Each button's image is the toolbar's, at its own size.
  for (UINT button : {ID_BUTTON_ADD, ID_BUTTON_CHANGE, ID_BUTTON_DELETE, ID_BUTTON_OPTIONS, ID_BUTTON_SHOW}) {
    GtkWidget* image = gtk_tool_button_get_icon_widget(GTK_TOOL_BUTTON(view_->ButtonWidget(button)));
    ASSERT_EQ(gtk_image_get_storage_type(GTK_IMAGE(image)), GTK_IMAGE_SURFACE) << button;
    GtkRequisition size;
    gtk_widget_get_preferred_size(image, &size, nullptr);
    EXPECT_GE(size.width, 16) << button;
    EXPECT_GE(size.height, 15) << button;
  }
  // The boxes keep the space the toolbar gives them.
  gint width = 0;
  gtk_widget_get_size_request(GTK_WIDGET(view_->BoxWidget(ID_CATEGORY_BOX)), &width, nullptr);
  EXPECT_EQ(width, 200);

  // The tip a widget shows; none when it has none. GTK hands over a copy of the text.
  auto tip = [](GtkWidget* widget) -> std::optional<std::string> {
    GCharPtr text(gtk_widget_get_tooltip_text(widget));
    if (!text) return std::nullopt;
    return std::string(text.get());
  };
  EXPECT_EQ(tip(view_->ButtonWidget(ID_BUTTON_ADD)),
            "Add the current address to bookmark database.\nPlease select category first.");
  EXPECT_EQ(tip(view_->ButtonWidget(ID_BUTTON_SHOW)), "Display bookmarks of selected category.");
  EXPECT_EQ(tip(GTK_WIDGET(view_->BoxWidget(ID_SEARCH_BOX))), "Search string...");
  EXPECT_EQ(tip(GTK_WIDGET(view_->BoxWidget(ID_CATEGORY_BOX))), std::nullopt);
  // Reading the box's tip left no tip showing.
  for (HWND window : GetThreadTopLevelWindows()) {
    if (GetClassNameString(window) != TOOLTIPS_CLASS) continue;
    TOOLINFOW current;
    EXPECT_FALSE(SendMessageW(window, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)));
  }
}

TEST_F(ToolbarViewTest, PixbufsKeepEveryPixelAndMakeTheButtonFaceTransparent) {
  Image image(2, 1);
  image.Set(0, 0, kButtonFaceColour);
  image.Set(1, 0, 0x4060FF);
  GObjectRef<GdkPixbuf> pixbuf = PixbufFromImage(image, 2);
  ASSERT_TRUE(pixbuf);
  ASSERT_EQ(gdk_pixbuf_get_width(pixbuf.get()), 4);
  ASSERT_EQ(gdk_pixbuf_get_height(pixbuf.get()), 2);
  const guchar* row = gdk_pixbuf_get_pixels(pixbuf.get()) + gdk_pixbuf_get_rowstride(pixbuf.get());
  // Second row, second and third pixel: the last of the face's square and the first of the blue's.
  EXPECT_EQ(row[4 + 3], 0);
  EXPECT_EQ((std::vector<int>{row[8], row[9], row[10], row[11]}), (std::vector<int>{0x40, 0x60, 0xFF, 0xFF}));
  EXPECT_FALSE(PixbufFromImage(Image(), 1));
}

TEST_F(ToolbarViewTest, ButtonsFollowTheToolbarsStatesAfterEveryPageLoadAndOnTheirOwn) {
  const std::wstring page = harness_->Page("news.html", "Daily news");
  Open(page);
  EXPECT_TRUE(Sensitive(ID_BUTTON_ADD));
  EXPECT_FALSE(Sensitive(ID_BUTTON_CHANGE));
  EXPECT_FALSE(Sensitive(ID_BUTTON_DELETE));
  EXPECT_EQ(EntryText(ID_SEARCH_BOX), "Daily news");

  const std::wstring address = harness_->Location();
  StoreShownPage("Morning paper");
  Open(page);
  EXPECT_TRUE(Sensitive(ID_BUTTON_CHANGE));
  EXPECT_TRUE(Sensitive(ID_BUTTON_DELETE));
  EXPECT_EQ(EntryText(ID_CATEGORY_BOX), "Reading");
  EXPECT_EQ(EntryText(ID_SEARCH_BOX), "Morning paper");

  // A change the view did not ask for is told by the window system: it shows once the main loop is idle, no timer.
  SendMessageW(Toolbar(), TB_ENABLEBUTTON, ID_BUTTON_SHOW, FALSE);
  SendMessageW(Toolbar(), TB_PRESSBUTTON, ID_BUTTON_ADD, TRUE);
  SendMessageW(Toolbar(), TB_HIDEBUTTON, ID_BUTTON_DELETE, TRUE);
  SetWindowTextW(Box(ID_CATEGORY_BOX), L"Elsewhere");
  DrainGtkEvents();
  EXPECT_FALSE(Sensitive(ID_BUTTON_SHOW));
  GtkWidget* add = gtk_bin_get_child(GTK_BIN(view_->ButtonWidget(ID_BUTTON_ADD)));
  EXPECT_TRUE(gtk_widget_get_state_flags(add) & GTK_STATE_FLAG_ACTIVE);
  EXPECT_FALSE(gtk_widget_get_visible(view_->ButtonWidget(ID_BUTTON_DELETE)));
  EXPECT_EQ(EntryText(ID_CATEGORY_BOX), "Elsewhere");
  SendMessageW(Toolbar(), TB_PRESSBUTTON, ID_BUTTON_ADD, FALSE);
  DrainGtkEvents();
  EXPECT_FALSE(gtk_widget_get_state_flags(add) & GTK_STATE_FLAG_ACTIVE);
  // The band hidden, the view is hidden with it.
  harness_->Band()->ShowDW(FALSE);
  DrainGtkEvents();
  EXPECT_FALSE(gtk_widget_get_visible(view_->Widget()));
  harness_->Band()->ShowDW(TRUE);
  DrainGtkEvents();
  EXPECT_TRUE(gtk_widget_get_visible(view_->Widget()));
}

TEST_F(ToolbarViewTest, TypingACategoryAndClickingAddStoresThePageAndTheNextLoadEnablesChangeAndDelete) {
  const std::wstring page = harness_->Page("news.html", "Daily news");
  Open(page);
  const std::wstring address = harness_->Location();

  gtk_widget_grab_focus(Entry(ID_CATEGORY_BOX));
  TypeGtkText(Entry(ID_CATEGORY_BOX), "Readinx");
  EXPECT_TRUE(PressGtkKey(Entry(ID_CATEGORY_BOX), GDK_KEY_BackSpace));
  TypeGtkText(Entry(ID_CATEGORY_BOX), "g");
  // The keys went to the toolbar's box, and the entry shows its text.
  EXPECT_EQ(GetWindowString(Box(ID_CATEGORY_BOX)), L"Reading");
  EXPECT_EQ(EntryText(ID_CATEGORY_BOX), "Reading");
  EXPECT_EQ(gtk_editable_get_position(GTK_EDITABLE(Entry(ID_CATEGORY_BOX))), 7);

  Click(ID_BUTTON_ADD);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{address + L" is successfully added."});
  EXPECT_EQ(QueryRows(harness_->DataFolder(),
                      "select Category, Description from LinksData where HomePage = '" + ToUtf8(address) + "'"),
            (std::vector<std::vector<std::wstring>>{{L"Reading", L"Daily news"}}));
  Open(page);
  EXPECT_TRUE(Sensitive(ID_BUTTON_CHANGE));
  EXPECT_TRUE(Sensitive(ID_BUTTON_DELETE));
}

TEST_F(ToolbarViewTest, TheCaretAndSelectionMoveBetweenEntryAndEditField) {
  Open(harness_->Page("news.html", "Daily news"));
  GtkWidget* entry = Entry(ID_SEARCH_BOX);
  HWND edit = reinterpret_cast<HWND>(SendMessageW(Box(ID_SEARCH_BOX), CBEM_GETEDITCONTROL, 0, 0));
  // A click in the entry puts the edit field's caret there.
  gtk_editable_set_position(GTK_EDITABLE(entry), 5);
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 5u);
  EXPECT_EQ(end, 5u);
  gtk_widget_grab_focus(entry);
  gtk_editable_set_position(GTK_EDITABLE(entry), 5);
  EXPECT_TRUE(PressGtkKey(entry, GDK_KEY_Delete));
  EXPECT_EQ(GetWindowString(Box(ID_SEARCH_BOX)), L"Dailynews");
  EXPECT_TRUE(PressGtkKey(entry, GDK_KEY_Home));
  TypeGtkText(entry, ">");
  EXPECT_EQ(EntryText(ID_SEARCH_BOX), ">Dailynews");
  // The edit field's own selection shows in the entry.
  SendMessageW(edit, EM_SETSEL, 1, 6);
  view_->Refresh();
  gint from = 0, to = 0;
  ASSERT_TRUE(gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &from, &to));
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 6);
  // Shortcuts stay the entry's own and change nothing.
  EXPECT_FALSE(PressGtkKey(entry, GDK_KEY_c, GDK_CONTROL_MASK));
  EXPECT_EQ(GetWindowString(Box(ID_SEARCH_BOX)), L">Dailynews");
}

TEST_F(ToolbarViewTest, EnterInTheSearchEntryRunsTheSearchAndAPickFromItsListRunsItAgain) {
  const std::wstring page = harness_->Page("news.html", "Daily news");
  Open(page);
  StoreShownPage("Daily news");
  GtkWidget* entry = Entry(ID_SEARCH_BOX);
  gtk_widget_grab_focus(entry);
  gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
  TypeGtkText(entry, "daily");
  EXPECT_TRUE(PressGtkKey(entry, GDK_KEY_Return));
  EXPECT_NE(harness_->Location().find(L"Bookmark.html"), std::wstring::npos) << ToUtf8(harness_->Location());
  EXPECT_EQ(GtkList(ID_SEARCH_BOX), std::vector<std::string>{"daily"});

  // Back on the page, a pick from the GTK list is the toolbar's pick: the search runs again.
  Open(page);
  ASSERT_EQ(harness_->Location().find(L"Bookmark.html"), std::wstring::npos);
  gtk_combo_box_set_active(GTK_COMBO_BOX(view_->BoxWidget(ID_SEARCH_BOX)), 0);
  PumpMessages();
  EXPECT_NE(harness_->Location().find(L"Bookmark.html"), std::wstring::npos) << ToUtf8(harness_->Location());
  EXPECT_EQ(SendMessageW(Box(ID_SEARCH_BOX), CB_GETCURSEL, 0, 0), 0);
}

TEST_F(ToolbarViewTest, APickFromTheCategoryListIsTheToolbarsAndTheViewsOwnUpdatesPickNothing) {
  // A band made over a store with categories lists them from the start.
  view_.reset();
  gtk_widget_destroy(window_);
  window_ = nullptr;
  harness_.reset();
  TempDir temp;
  harness_.emplace(temp, BandSettings{}, Siting::NotSited);
  for (const char* category : {"Music", "Reading", "Travel"})
    ExecuteSql(harness_->DataFolder(), std::string("insert into LinksCategory(Category) values ('") + category + "')");
  harness_->Band()->SetSite(harness_->Site());
  Show();
  Open(harness_->Page("news.html", "Daily news"));
  EXPECT_EQ(GtkList(ID_CATEGORY_BOX), (std::vector<std::string>{"Music", "Reading", "Travel"}));

  gtk_combo_box_set_active(GTK_COMBO_BOX(view_->BoxWidget(ID_CATEGORY_BOX)), 2);
  EXPECT_EQ(GetWindowString(Box(ID_CATEGORY_BOX)), L"Travel");
  EXPECT_EQ(SendMessageW(Box(ID_CATEGORY_BOX), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(EntryText(ID_CATEGORY_BOX), "Travel");

  // The toolbar selecting by itself shows as the GTK selection, and is not taken for a pick.
  const std::wstring before = harness_->Location();
  SendMessageW(Box(ID_SEARCH_BOX), CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"daily"));
  SendMessageW(Box(ID_SEARCH_BOX), CB_SETCURSEL, 0, 0);
  view_->Refresh();
  EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(view_->BoxWidget(ID_SEARCH_BOX))), 0);
  EXPECT_EQ(EntryText(ID_SEARCH_BOX), "daily");
  PumpMessages();
  EXPECT_EQ(harness_->Location(), before);
}

TEST_F(ToolbarViewTest, TheOptionsMenuShowsTheSetupMenuAsItIsAndRunsTheEntryChosen) {
  OpenBookmarkedPage();
  GtkWidget* options = view_->ButtonWidget(ID_BUTTON_OPTIONS);
  PopupMenuHandler previous =
      SetPopupMenuHandler([options](const PopupMenuRequest& menu) { return RunPopupMenu(menu, options); });
  HMENU setup = reinterpret_cast<HMENU>(SendMessageW(Toolbar(), TBM_GETSETUPMENU, 0, 0));

  std::vector<ShownEntry> seen;
  LaterStep choose([&] {
    GtkWidget* menu = MenuAt(options);
    if (!menu) return false;
    seen = EntriesOf(menu);
    GtkWidget* chosen = ItemLabelled(menu, "Switch to AND search condition");
    SaveScreenshot({window_, gtk_widget_get_toplevel(menu)}, "/tmp/pendrel-toolbar-menu.png");
    gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), chosen, TRUE);
    return true;
  });
  std::vector<MenuItemView> before = GetMenuItems(setup);
  Click(ID_BUTTON_OPTIONS);
  SetPopupMenuHandler(std::move(previous));
  ASSERT_TRUE(choose.Done());

  ASSERT_EQ(seen.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i].IsSeparator()) {
      EXPECT_EQ(seen[i].label, "-");
      continue;
    }
    EXPECT_EQ(seen[i].label, ToUtf8(before[i].text));
    EXPECT_EQ(seen[i].checked, before[i].IsChecked()) << seen[i].label;
    EXPECT_EQ(seen[i].sensitive, before[i].IsEnabled()) << seen[i].label;
  }
  // The search condition was OR, so its entry was checked and greyed; the choice switched it.
  EXPECT_EQ(GetMenuState(setup, ID_MENU_SEARCH_AND, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED), MF_CHECKED | MF_GRAYED);
  EXPECT_EQ(GetMenuState(setup, ID_MENU_SEARCH_OR, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED), 0u);
}

TEST_F(ToolbarViewTest, AScreenshotOfABookmarkedPageShowsAToolbarAPersonCanUse) {
  OpenBookmarkedPage();
  ASSERT_TRUE(gtk_widget_get_visible(view_->Widget()));
  const std::string picture = (temp_.path() / "toolbar.png").string();
  ASSERT_TRUE(SaveScreenshot({window_}, picture));
  GError* error = nullptr;
  auto shot = GObjectRef<GdkPixbuf>::Adopt(gdk_pixbuf_new_from_file(picture.c_str(), &error));
  GErrorPtr failure(error);
  ASSERT_TRUE(shot) << (error ? error->message : "");
  GtkAllocation toolbar;
  gtk_widget_get_allocation(view_->Widget(), &toolbar);
  // One row of buttons and boxes across the window, no taller than a toolbar is.
  EXPECT_GE(gdk_pixbuf_get_width(shot.get()), 900);
  EXPECT_LE(toolbar.height, 60);
  EXPECT_GE(toolbar.height, 24);
}

}  // namespace
