// A person at the desktop window: the toolbar docked above a WebKit page, its boxes answered by
// GTK dialogs and the Options menu shown as a GTK menu, in the test program on its private X
// server with pages from 127.0.0.1.
#include <gtest/gtest.h>

#include "host/gtk/DesktopPrompts.h"
#include "host/gtk/GtkDialogs.h"
#include "tests/host/gtk/GtkTestDisplay.h"
#include "tests/host/gtk/WindowScreenshot.h"
#include "tests/support/PendrelRunFixture.h"
#include "published/ToolbarIds.h"

namespace {

// `pendrel install` done in a fresh home; the window itself is made in the test program.
using DesktopToolbarTest = PendrelRunFixture;

TEST_F(DesktopToolbarTest, APersonBookmarksAPageThroughTheDockedToolbarAndOpensTheOptionsMenu) {
  std::string why;
  ASSERT_TRUE(OpenTestDisplay(why)) << why;
  DesktopWindow desktop({});
  std::vector<std::wstring> printed;
  HostWindow window([&printed](const std::wstring& line) { printed.push_back(line); },
                    AskWithDialog(desktop.Window()), BrowserIn(desktop));
  DesktopToolbar toolbar(desktop, window, Prompts::FromPerson);
  ToolbarView* view = toolbar.View();
  ASSERT_NE(view, nullptr) << "the installed toolbar was not docked";
  auto sensitive = [view](UINT button) { return gtk_widget_get_sensitive(view->ButtonWidget(button)) != FALSE; };

  const std::wstring page = FromUtf8(Url("/a"));
  window.Navigate(page);
  view->Refresh();
  EXPECT_TRUE(sensitive(ID_BUTTON_ADD));
  EXPECT_FALSE(sensitive(ID_BUTTON_CHANGE));
  EXPECT_FALSE(sensitive(ID_BUTTON_DELETE));

  // Add, as a person clicks it: the answer comes as a GTK dialog with the toolbar's caption.
  window.Type(ID_CATEGORY_BOX, L"Reading");
  std::string shownText;
  LaterStep answer([&shownText] {
    GtkMessageDialog* dialog = ShownMessageDialog();
    if (!dialog) return false;
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    shownText = text ? text : "";
    g_free(text);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  g_signal_emit_by_name(view->ButtonWidget(ID_BUTTON_ADD), "clicked");
  ASSERT_TRUE(RunGtkUntil([&answer] { return answer.Done(); }));
  EXPECT_EQ(shownText, Url("/a") + " is successfully added.");
  EXPECT_EQ(Bookmarks(), (std::vector<std::vector<std::wstring>>{{page, L"Reading", L"Page A"}}));

  // The next load of the page finds it bookmarked.
  window.Navigate(page);
  view->Refresh();
  EXPECT_TRUE(sensitive(ID_BUTTON_CHANGE));
  EXPECT_TRUE(sensitive(ID_BUTTON_DELETE));
  ASSERT_TRUE(desktop.SavePicture("/tmp/pendrel-desktop.png"));

  // The Options menu, opened by a click, as a GTK menu under its button; a picture of the
  // window with the menu open, then the menu dismissed, which chooses nothing.
  GtkWidget* options = view->ButtonWidget(ID_BUTTON_OPTIONS);
  bool pictured = false;
  LaterStep look([&] {
    GList* menus = gtk_menu_get_for_attach_widget(options);
    if (!menus || !gtk_widget_get_mapped(GTK_WIDGET(menus->data))) return false;
    GtkWidget* menu = GTK_WIDGET(menus->data);
    pictured = SaveScreenshot({GTK_WIDGET(desktop.Window()), gtk_widget_get_toplevel(menu)},
                              "/tmp/pendrel-desktop-menu.png");
    gtk_menu_shell_cancel(GTK_MENU_SHELL(menu));
    return true;
  });
  g_signal_emit_by_name(options, "clicked");
  ASSERT_TRUE(RunGtkUntil([&look] { return look.Done(); }));
  EXPECT_TRUE(pictured);
  EXPECT_TRUE(sensitive(ID_BUTTON_ADD));
  EXPECT_EQ(Bookmarks().size(), 1u);
}

}  // namespace
