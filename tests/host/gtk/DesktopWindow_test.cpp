// The desktop window as a person meets it: back and forward, and the keys every GTK browser has.
#include <gtest/gtest.h>

#include <atomic>

#include "host/gtk/DesktopPrompts.h"
#include "tests/host/gtk/GtkTestDisplay.h"
#include "tests/support/PendrelRunFixture.h"

namespace {

using DesktopWindowTest = PendrelRunFixture;

TEST_F(DesktopWindowTest, BackAndForwardShowWhenTheyWorkAndTheBrowserKeysDoWhatTheySay) {
  std::atomic<int> loads{0};
  LoopbackServer server([&loads](httplib::Server& s) {
    s.Get("/count", [&loads](const httplib::Request&, httplib::Response& r) {
      r.set_content("<title>Load " + std::to_string(++loads) + "</title>", "text/html");
    });
  });
  int closes = 0;
  DesktopWindow::Actions actions;
  actions.close = [&closes] { ++closes; };
  DesktopWindow desktop(std::move(actions));
  HostWindow window([](const std::wstring&) {}, {}, BrowserIn(desktop));
  DesktopToolbar toolbar(desktop, window, Prompts::FromScript);
  GtkWidget* top = GTK_WIDGET(desktop.Window());
  auto press = [top](guint key, GdkModifierType modifiers) { return PressGtkKey(top, key, modifiers); };
  using Buttons = std::pair<bool, bool>;
  auto buttons = [&desktop] {
    return Buttons(gtk_widget_get_sensitive(desktop.BackButton()), gtk_widget_get_sensitive(desktop.ForwardButton()));
  };
  auto shows = [&desktop](const std::wstring& address) {
    return RunGtkUntil([&desktop, address] {
      const char* uri = webkit_web_view_get_uri(desktop.View());
      return uri && FromUtf8(uri) == address && !webkit_web_view_is_loading(desktop.View());
    });
  };

  EXPECT_EQ(buttons(), Buttons(false, false));
  window.Navigate(server_.Url("/b/"));
  EXPECT_EQ(buttons(), Buttons(false, false));
  window.Navigate(server.Url("/count"));
  EXPECT_EQ(buttons(), Buttons(true, false));
  EXPECT_EQ(loads, 1);

  // Alt+Left and Alt+Right go back and forward, and the buttons follow.
  EXPECT_TRUE(press(GDK_KEY_Left, GDK_MOD1_MASK));
  ASSERT_TRUE(shows(server_.Url("/b/")));
  EXPECT_EQ(buttons(), Buttons(false, true));
  EXPECT_TRUE(press(GDK_KEY_Right, GDK_MOD1_MASK));
  ASSERT_TRUE(shows(server.Url("/count")));
  EXPECT_EQ(buttons(), Buttons(true, false));
  // A click on the back button as a person makes it.
  gtk_button_clicked(GTK_BUTTON(desktop.BackButton()));
  ASSERT_TRUE(shows(server_.Url("/b/")));
  EXPECT_EQ(buttons(), Buttons(false, true));
  gtk_button_clicked(GTK_BUTTON(desktop.ForwardButton()));
  ASSERT_TRUE(shows(server.Url("/count")));

  // Ctrl+L: the address entry has the focus with the whole address selected.
  gtk_widget_grab_focus(GTK_WIDGET(desktop.View()));
  EXPECT_TRUE(press(GDK_KEY_l, GDK_CONTROL_MASK));
  EXPECT_TRUE(gtk_widget_has_focus(GTK_WIDGET(desktop.AddressEntry())));
  int start = -1, end = -1;
  EXPECT_TRUE(gtk_editable_get_selection_bounds(GTK_EDITABLE(desktop.AddressEntry()), &start, &end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, static_cast<int>(g_utf8_strlen(gtk_entry_get_text(desktop.AddressEntry()), -1)));
  EXPECT_EQ(FromUtf8(gtk_entry_get_text(desktop.AddressEntry())), server.Url("/count"));

  // F5 and Ctrl+R load the page again, also with the focus in the address entry.
  const int before = loads;
  EXPECT_TRUE(press(GDK_KEY_F5, GdkModifierType(0)));
  ASSERT_TRUE(RunGtkUntil([&] { return loads == before + 1 && !webkit_web_view_is_loading(desktop.View()); }));
  EXPECT_TRUE(press(GDK_KEY_r, GDK_CONTROL_MASK));
  ASSERT_TRUE(RunGtkUntil([&] { return loads == before + 2 && !webkit_web_view_is_loading(desktop.View()); }));
  EXPECT_EQ(buttons(), Buttons(true, false));

  // Ctrl+W and Ctrl+Q close the window; keys that are none of these go where the focus is.
  EXPECT_TRUE(press(GDK_KEY_w, GDK_CONTROL_MASK));
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(press(GDK_KEY_q, GDK_CONTROL_MASK));
  EXPECT_EQ(closes, 2);
  gtk_widget_grab_focus(GTK_WIDGET(desktop.AddressEntry()));
  gtk_editable_set_position(GTK_EDITABLE(desktop.AddressEntry()), -1);
  press(GDK_KEY_x, GdkModifierType(0));
  press(GDK_KEY_R, GDK_SHIFT_MASK);
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(loads, before + 2);
  const std::string typed = gtk_entry_get_text(desktop.AddressEntry());
  EXPECT_EQ(typed, ToUtf8(server.Url("/count")) + "xR");
}

}  // namespace
