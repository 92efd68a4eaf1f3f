// The Favorites exchange on a real folder tree under a home of the test's own: how folders and
// file names become categories and descriptions and back, the names it cannot write as they
// are, the shortcuts it cannot read, the status-bar texts of the import and export commands,
// and a round trip through a real bookmark store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "links/CFavoritesExchange.h"
#include "links/CFavoritesStatusExchange.h"
#include "platform/com/ComError.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestFifo.h"
#include "tests/support/TestDatabase.h"

namespace {

namespace fs = std::filesystem;
using Records = CBookmarkRecordList;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Shortcut(const std::string& url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; }

// Every file below `root`, as its path relative to `root` and its content.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  return files;
}

// A browser that keeps the texts put in its status bar.
class StatusBrowser final : public IWebBrowser2, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IWebBrowser2) return E_NOINTERFACE;
    *object = CComPtr<IWebBrowser2>(this).Detach();
    return S_OK;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return E_NOTIMPL; }
  HRESULT get_LocationURL(std::wstring*) override { return E_NOTIMPL; }
  HRESULT get_LocationName(std::wstring*) override { return E_NOTIMPL; }
  HRESULT Navigate2(Variant*, Variant*, Variant*, Variant*, Variant*) override { return E_NOTIMPL; }
  HRESULT GoBack() override { return E_NOTIMPL; }
  HRESULT get_StatusText(std::wstring* text) override {
    *text = texts.empty() ? L"" : texts.back();
    return S_OK;
  }
  HRESULT put_StatusText(const std::wstring& text) override {
    texts.push_back(text);
    return E_FAIL;  // an answer the exchange must not look at
  }
  HRESULT get_Document(IDispatch**) override { return E_NOTIMPL; }
  HRESULT Quit() override { return E_NOTIMPL; }

  std::vector<std::wstring> texts;
};

// Something that is no browser at all.
class NotABrowser final : public IUnknown, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *object = CComPtr<IUnknown>(this).Detach();
    return S_OK;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
};

class FavoritesExchangeTest : public IsolatedTest {
 protected:
  FavoritesExchangeTest() : home_("HOME", (temp_.path() / "home").c_str()) {
    fs::create_directories(temp_.path() / "home");
    favorites_ = temp_.path() / "home" / "Favorites";
  }

  void Put(const fs::path& relative, const std::string& bytes) {
    fs::create_directories((favorites_ / relative).parent_path());
    WriteFile(favorites_ / relative, bytes);
  }

  Records Collect() {
    Records list;
    exchange_->CollectFavorites(list);
    return list;
  }

  // How many records got no shortcut.
  size_t Export(Records list) {
    size_t skipped = exchange_->ExportFavorites(list);
    EXPECT_TRUE(list.empty());
    return skipped;
  }

  ScopedEnv home_;
  fs::path favorites_;
  CComPtr<CFavoritesExchange> exchange_ = MakeCounted<CFavoritesExchange>();
};

// Links, a FIFO and shortcuts to a script are passed over, and the FIFO is never waited on.
TEST_F(FavoritesExchangeTest, ImportNamesEachShortcutAfterItsFileAndTheFolderThatHoldsIt) {
  const fs::path outside = temp_.path() / "outside";
  fs::create_directories(outside / "folder");
  WriteFile(outside / "secret.url", Shortcut("http://outside.example/"));
  WriteFile(outside / "folder" / "deep.url", Shortcut("http://outside-deep.example/"));
  Put("Root.url", Shortcut("http://root.example/"));
  Put("News.URL", Shortcut("http://news.example/"));
  Put("my.url.site.url", Shortcut("http://twice.example/"));
  Put("notes.txt", "not a shortcut");
  Put("Work/Job.url", Shortcut("http://job.example/"));
  Put("Work/Projects/Deep.url", Shortcut("http://deep.example/"));
  Put("My \"Links\"/Quoted.url", Shortcut("http://quoted.example/"));
  Put("Empty/NoAddress.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
  fs::create_directory_symlink(favorites_, favorites_ / "Work" / "Back to the top");
  fs::create_symlink(outside / "secret.url", favorites_ / "Linked.url");
  fs::create_directory_symlink(outside / "folder", favorites_ / "Linked folder");
  fs::create_symlink(outside / "secret.url", favorites_ / "Work" / "Paper.url");
  Put("Scripts/Tab.url", Shortcut("java\tscript:alert(1)"));
  Put("Scripts/Control.url", Shortcut("\x01javascript:alert(1)"));
  Put("Scripts/Vb.url", Shortcut("VBScript:msgbox(1)"));
  Put("Scripts/Inline.url", Shortcut("data:text/html,<script>alert(1)</script>"));
  Put("Scripts/Plain.url", Shortcut("https://plain.example/javascript:"));
  TestFifo fifo(favorites_ / "x.url");

  Records list;
  EXPECT_TRUE(fifo.RunWithin([&] { list = Collect(); }, std::chrono::seconds(5))) << "the import waited on a FIFO";
  EXPECT_EQ(list, (Records{
                      {L"My Links", L"Quoted", L"http://quoted.example/"},
                      {L"Favorites", L"News.URL", L"http://news.example/"},
                      {L"Favorites", L"Root", L"http://root.example/"},
                      {L"Scripts", L"Plain", L"https://plain.example/javascript:"},
                      {L"Work", L"Job", L"http://job.example/"},
                      {L"Projects", L"Deep", L"http://deep.example/"},
                      {L"Favorites", L"my.site", L"http://twice.example/"},
                  }));

  // Nor does an export write through any of those links; a name beside one is written.
  EXPECT_EQ(Export({{L"Linked folder", L"Plan", L"http://plan.example/"},
                    {L"Favorites", L"Linked", L"http://top.example/"},
                    {L"Work", L"Paper", L"http://paper.example/"},
                    {L"Work", L"Other", L"http://other.example/"}}),
            3u);
  EXPECT_EQ(Tree(outside), (std::map<std::string, std::string>{
                               {"secret.url", Shortcut("http://outside.example/")},
                               {"folder/deep.url", Shortcut("http://outside-deep.example/")}}));
  EXPECT_TRUE(fs::is_symlink(favorites_ / "Linked folder"));
  EXPECT_TRUE(fs::is_symlink(favorites_ / "Linked.url"));
  EXPECT_EQ(ReadFile(favorites_ / "Work" / "Other.url"), Shortcut("http://other.example/"));
}

TEST_F(FavoritesExchangeTest, ImportMakesAMissingFavoritesFolderAndEndsAtAShortcutItCannotRead) {
  EXPECT_EQ(Collect(), Records{});
  EXPECT_TRUE(fs::is_directory(favorites_));

  Put("a.url", Shortcut("http://a.example/"));
  Put("notes.url.txt", "plain notes, no shortcut");
  try {
    Collect();
    FAIL() << "a file that is no shortcut was read as one";
  } catch (const CCustomException& e) {
    EXPECT_EQ(e.GetMessage(), L"Failed to execute Load method");
  }

  // The same name holding a shortcut is read as one, with only ".url" cut from it.
  Put("notes.url.txt", Shortcut("http://notes.example/"));
  EXPECT_EQ(Collect(), (Records{{L"Favorites", L"a", L"http://a.example/"}, {L"Favorites", L"notes.txt", L"http://notes.example/"}}));
}

TEST_F(FavoritesExchangeTest, ExportWritesFavoritesAtTheTopAndEveryOtherCategoryOneLevelBelow) {
  Export({{L"Favorites", L"Top", L"http://top.example/"},
          {L"favorites", L"Lower", L"http://lower.example/"},
          {L"Projects", L"Deep", L"http://deep.example/"},
          {L"Projects", L"Second", L"http://second.example/"}});
  EXPECT_EQ(Tree(favorites_), (std::map<std::string, std::string>{
                                  {"Top.url", Shortcut("http://top.example/")},
                                  {"favorites/Lower.url", Shortcut("http://lower.example/")},
                                  {"Projects/Deep.url", Shortcut("http://deep.example/")},
                                  {"Projects/Second.url", Shortcut("http://second.example/")},
                              }));
  // Reading the tree back gives the records, each category from its folder.
  EXPECT_EQ(Collect(), (Records{{L"Projects", L"Deep", L"http://deep.example/"},
                                {L"Projects", L"Second", L"http://second.example/"},
                                {L"Favorites", L"Top", L"http://top.example/"},
                                {L"favorites", L"Lower", L"http://lower.example/"}}));
}

TEST_F(FavoritesExchangeTest, ExportReplacesSevenCharactersAndGivesEqualNamesANumberEach) {
  EXPECT_EQ(Export({{L"a|b", L"x/y:z", L"http://first.example/"},
                    {L"Odd", L"q?<>\\\"*", L"http://odd.example/"},
                    {L"a|b", L"x y z", L"http://later.example/"},
                    {L"a|b", L"x y z (2)", L"http://named-like-a-number.example/"},
                    {L"a|b", L"x:y:z", L"http://third.example/"},
                    {L"Other", L"x y z", L"http://other-folder.example/"}}),
            0u);
  EXPECT_EQ(Tree(favorites_), (std::map<std::string, std::string>{
                                  {"a b/x y z.url", Shortcut("http://first.example/")},
                                  {"a b/x y z (2).url", Shortcut("http://later.example/")},
                                  {"a b/x y z (2) (2).url", Shortcut("http://named-like-a-number.example/")},
                                  {"a b/x y z (3).url", Shortcut("http://third.example/")},
                                  {"Odd/q    \"*.url", Shortcut("http://odd.example/")},
                                  {"Other/x y z.url", Shortcut("http://other-folder.example/")},
                              }));

  // A second export writes the same files again.
  Export({{L"a|b", L"x/y:z", L"http://again.example/"}});
  EXPECT_EQ(ReadFile(favorites_ / "a b" / "x y z.url"), Shortcut("http://again.example/"));
  EXPECT_EQ(Tree(favorites_).size(), 6u);
}

TEST_F(FavoritesExchangeTest, ExportShortensNamesTooLongAndCountsWhatItStillCannotWrite) {
  fs::create_directories(favorites_);
  WriteFile(favorites_ / "Blocked", "a file where the category folder would go");
  const std::wstring longName(300, L'n');
  const std::wstring wideName(200, L'\u6f22');  // three bytes each in UTF-8: 600 bytes
  EXPECT_EQ(Export({{L"Blocked", L"lost", L"http://blocked.example/"},
                    {L"..", L"escape", L"http://outside.example/"},
                    {L"Long", longName, L"http://long.example/"},
                    {L"Long", longName, L"http://long-again.example/"},
                    {L"Wide", wideName, L"http://wide.example/"},
                    {std::wstring(100, L'\u00e9') + std::wstring(100, L'c'), L"in a long category", L"http://cat.example/"},
                    {L"Lines", L"injected", L"http://x.example/\r\nIconFile=/etc/passwd"},
                    {L"Kept", L"fine", L"http://fine.example/"}}),
            3u);
  // Every long name is cut where the file system or the path's length ends it, never inside a
  // character, and two cut alike still get a file each.
  std::map<std::string, std::string> cut;
  for (const auto& [path, content] : Tree(temp_.path() / "home")) {
    const fs::path full = temp_.path() / "home" / path;
    EXPECT_LE(full.filename().string().size(), CFavoritesExchange::kMaxNameBytes) << path;
    EXPECT_LE(FromUtf8(full.string()).size(), CFavoritesExchange::kMaxShortcutPath) << path;
    EXPECT_EQ(ToUtf8(FromUtf8(path)), path);
    cut[content] = path;
  }
  ASSERT_EQ(cut.size(), 6u);  // the four cut, the one kept and the file in the way
  EXPECT_EQ(cut["a file where the category folder would go"], "Favorites/Blocked");
  EXPECT_EQ(cut[Shortcut("http://fine.example/")], "Favorites/Kept/fine.url");
  EXPECT_TRUE(cut[Shortcut("http://long.example/")].starts_with("Favorites/Long/nnnnnnnnnn"));
  EXPECT_TRUE(cut[Shortcut("http://long-again.example/")].ends_with("n (2).url"));
  EXPECT_TRUE(cut[Shortcut("http://wide.example/")].starts_with("Favorites/Wide/\xe6\xbc\xa2\xe6\xbc\xa2"));
  EXPECT_TRUE(cut[Shortcut("http://cat.example/")].ends_with("/in a long category.url"));
  EXPECT_TRUE(cut[Shortcut("http://cat.example/")].starts_with("Favorites/\xc3\xa9\xc3\xa9"));
}

TEST_F(FavoritesExchangeTest, TheFavoritesFolderMayBeALinkToWhereTheUserKeepsIt) {
  const fs::path kept = temp_.path() / "kept favorites";
  fs::create_directories(kept);
  fs::create_directory_symlink(kept, favorites_);
  EXPECT_EQ(Export({{L"Favorites", L"Top", L"http://top.example/"}, {L"News", L"Paper", L"http://paper.example/"}}), 0u);
  EXPECT_EQ(Tree(kept), (std::map<std::string, std::string>{{"Top.url", Shortcut("http://top.example/")},
                                                           {"News/Paper.url", Shortcut("http://paper.example/")}}));
  EXPECT_EQ(Collect(), (Records{{L"News", L"Paper", L"http://paper.example/"},
                                {L"Favorites", L"Top", L"http://top.example/"}}));
}

TEST_F(FavoritesExchangeTest, WithoutAFavoritesFolderNothingIsReadOrWritten) {
  ScopedEnv noHome("HOME", nullptr);
  Records none;
  EXPECT_THROW(exchange_->CollectFavorites(none), CCustomException);
  Records list{{L"Projects", L"Deep", L"http://deep.example/"}};
  EXPECT_THROW(exchange_->ExportFavorites(list), CCustomException);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(fs::exists("/Projects/Deep.url"));
}

TEST_F(FavoritesExchangeTest, TheStatusExchangeShowsEachFileReadAndEachAddressWritten) {
  auto browser = MakeCounted<StatusBrowser>();
  auto status = MakeCounted<CFavoritesStatusExchange>(static_cast<IWebBrowser2*>(browser.get()));
  Put("One.url", Shortcut("http://one.example/"));
  Put("Sub/Two.url", Shortcut("http://two.example/"));
  Put("Three.url", Shortcut("http://three.example/"));
  Records list;
  status->CollectFavorites(list);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(browser->texts, (std::vector<std::wstring>{L"Resolving address One.url...", L"Resolving address Two.url...",
                                                       L"Resolving address Three.url..."}));

  browser->texts.clear();
  status->ExportFavorites(list);
  EXPECT_EQ(browser->texts, (std::vector<std::wstring>{L"Resolving address http://one.example/...",
                                                       L"Resolving address http://two.example/...",
                                                       L"Resolving address http://three.example/..."}));
  browser->texts.clear();
  Records empty;
  status->ExportFavorites(empty);
  EXPECT_TRUE(browser->texts.empty());

  // Made on something that is no browser, it has nowhere to report to.
  auto other = MakeCounted<NotABrowser>();
  status = MakeCounted<CFavoritesStatusExchange>(other.get());
  status->ExportFavorites(empty);  // nothing to report, nothing raised
  try {
    status->CollectFavorites(empty);
    FAIL() << "a report without a browser went nowhere";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

TEST_F(FavoritesExchangeTest, ATreeImportedTwiceIntoAStoreIsStoredOnceAndExportsAsItWas) {
  Put("Top.url", Shortcut("http://top.example/"));
  Put("Work/Projects/Deep.url", Shortcut("http://deep.example/"));
  Put("Work/Job.url", Shortcut("http://job.example/"));
  std::map<std::string, std::string> original = Tree(favorites_);

  std::wstring folder = MakeTestDataFolder(temp_);
  auto store = MakeCounted<CBookmarkDatabase>(folder);
  for (int round = 0; round < 2; ++round) {
    Records list = Collect();
    EXPECT_EQ(store->AddBookmarks(list), StoreOutcome::Done);
  }
  EXPECT_EQ(QueryCount(folder, "LinksData"), 3);

  fs::remove_all(favorites_);
  Records all;
  store->LoadAllBookmarks(all);
  Export(all);
  // The category of the deep shortcut is its own folder, now directly below the Favorites folder.
  original.erase("Work/Projects/Deep.url");
  original["Projects/Deep.url"] = Shortcut("http://deep.example/");
  EXPECT_EQ(Tree(favorites_), original);
  EXPECT_EQ(boxes_.count(), 0u);
}

}  // namespace
