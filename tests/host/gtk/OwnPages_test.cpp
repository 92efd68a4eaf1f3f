// Pendrel's own pages in the desktop window are shown with the scripts of their markup off.
#include <gtest/gtest.h>

#include <atomic>

#include "host/gtk/DesktopPrompts.h"
#include "host/gtk/GObjectRef.h"
#include "host/gtk/OwnPages.h"
#include "tests/host/gtk/GtkTestDisplay.h"
#include "tests/support/PendrelRunFixture.h"
#include "published/ToolbarIds.h"

namespace {

using OwnPagesTest = PendrelRunFixture;

// Clicks the page's script link, as a script of the host would, and waits for the click to end.
bool ClickScriptLink(WebKitWebView* view) {
  const std::string script = "document.querySelector('a[href^=\"javascript:\"]').click()";
  bool done = false;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        auto value = GObjectRef<JSCValue>::Adopt(
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error));
        GErrorPtr failure(error);
        *static_cast<bool*>(data) = true;
      },
      &done);
  return RunGtkUntil([&done] { return done; });
}

TEST_F(OwnPagesTest, AScriptBookmarkOnTheResultPageDoesNothingWhenClicked) {
  std::atomic<int> beacons{0};
  std::string script;
  LoopbackServer web([&beacons, &script](httplib::Server& s) {
    s.Get("/beacon", [&beacons](const httplib::Request&, httplib::Response& response) {
      ++beacons;
      response.set_content("", "image/gif");
    });
    s.Get("/links", [&script](const httplib::Request&, httplib::Response& response) {
      response.set_content("<title>Links</title><a href=\"" + script + "\">handy tool</a>", "text/html");
    });
  });
  script = "javascript:void(new Image().src='" + ToUtf8(web.Url("/beacon")) + "')";
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Tools')");
  std::string quoted = script;
  for (size_t at = quoted.find('\''); at != std::string::npos; at = quoted.find('\'', at + 2)) quoted.insert(at, "'");
  ExecuteSql(DataFolder(), "insert into LinksData values ('" + quoted + "', 'Tools', 'handy tool')");

  DesktopWindow desktop({});
  HostWindow window([](const std::wstring&) {}, {}, BrowserIn(desktop));
  DesktopToolbar toolbar(desktop, window, Prompts::FromScript);

  // The same link on a page of the web runs when clicked: the click reaches the server.
  window.Navigate(web.Url("/links"));
  ASSERT_TRUE(ClickScriptLink(desktop.View()));
  ASSERT_TRUE(RunGtkUntil([&beacons] { return beacons > 0; })) << "a click on a page of the web ran nothing";
  beacons = 0;

  // On the result page of a search it runs nothing.
  window.Navigate(server_.Url("/s"));  // titled "S", which the search box takes
  window.Type(ID_SEARCH_BOX, L"");
  window.PressKey(ID_SEARCH_BOX, VK_BACK);
  window.Type(ID_SEARCH_BOX, L"handy");
  window.PressKey(ID_SEARCH_BOX, VK_RETURN);
  const std::wstring resultPage = FileUrlFromPath(DataFolder() + L"/Bookmark.html");
  ASSERT_EQ(FromUtf8(webkit_web_view_get_uri(desktop.View())), resultPage);
  EXPECT_TRUE(IsOwnPage(resultPage));
  ASSERT_TRUE(ClickScriptLink(desktop.View()));
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);  // time to reach the server
  RunGtkUntil([until] { return std::chrono::steady_clock::now() >= until; });
  EXPECT_EQ(beacons, 0);

  // The host still reads the page: its link is there, as the toolbar and a script see it.
  bool listed = false;
  for (const std::wstring& line : window.PageLines()) listed = listed || line.find(L"handy tool") != std::wstring::npos;
  EXPECT_TRUE(listed);
  // Elsewhere, pages run their scripts again.
  window.Navigate(web.Url("/links"));
  ASSERT_TRUE(ClickScriptLink(desktop.View()));
  EXPECT_TRUE(RunGtkUntil([&beacons] { return beacons > 0; }));
}

TEST(OwnPagesRuleTest, OnlyFilesOfTheDataFolderAreOwnPages) {
  TempDir temp;
  const std::filesystem::path data = temp.path() / "data";
  std::filesystem::create_directories(data / "help");
  std::filesystem::create_directories(temp.path() / "data2");
  std::filesystem::create_symlink(data, temp.path() / "link");
  auto url = [](const std::filesystem::path& path) { return FileUrlFromPath(FromUtf8(path.string())); };
  const std::pair<std::wstring, bool> cases[] = {
      {url(data / "Bookmark.html"), true}, {url(data / "help" / "about.html") + L"#top", true},
      {url(temp.path() / "link" / "help" / "help.html"), true}, {url(temp.path() / "data2" / "Bookmark.html"), false},
      {url(data / ".." / "page.html"), false}, {L"http://127.0.0.1/" + url(data / "Bookmark.html"), false},
      {L"about:blank", false},
  };
  for (const auto& [address, within] : cases) EXPECT_EQ(IsFileWithin(address, data), within) << ToUtf8(address);
  EXPECT_TRUE(IsFileWithin(url(data / "help" / ".." / "Bookmark.html"), data / ""));
}

}  // namespace
