// The bookmark exchange as a host reaches it: through the loaded band library's class factory alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "band/DllEntryPoints.h"
#include "host/core/BandCreation.h"
#include "platform/text/WideText.h"
#include "published/BookmarkExchange.h"
#include "published/BookmarkLimits.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

struct Addresses final : IBookmarkProgress {
  void OnAddress(const std::wstring& address) override { heard.push_back(address); }
  std::vector<std::wstring> heard;
};

class BookmarkExchangeTest : public IsolatedTest, protected RegistryProbe {};

TEST_F(BookmarkExchangeTest, AHostAddsAndReadsBookmarksThroughTheLoadedLibraryAlone) {
  const std::wstring folder = MakeTestDataFolder(temp_);
  ExecuteSql(folder,
             "insert into LinksData (HomePage, Category, Description) values ('http://stored/', 'Mine', 'kept')");
  {
    CreatedObject created = CreateObjectOfLibrary(std::string(PENDREL_BIN_DIR) + "/libPendrelBand.so",
                                                  CLSID_BookmarkExchange, IID_IBookmarkExchange);
    CComPtr<IBookmarkExchange> exchange = created.object.QueryInterface<IBookmarkExchange>(IID_IBookmarkExchange);
    ASSERT_TRUE(exchange);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the library must stay while the exchange lives";

    std::vector<ExchangedBookmark> bookmarks{{L"News", L"a", L"http://a/"}};
    ExchangeCounts counts;
    std::wstring why, dataFolder;
    EXPECT_EQ(exchange->AddBookmarks(bookmarks, nullptr, counts, why), E_UNEXPECTED) << "nothing is open yet";
    EXPECT_EQ(exchange->Open(dataFolder), BOOKMARKS_E_NO_DATA_FOLDER);

    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, folder);
    ASSERT_EQ(exchange->Open(dataFolder), S_OK);
    EXPECT_EQ(dataFolder, folder);
    EXPECT_EQ(exchange->Open(dataFolder), E_UNEXPECTED) << "one store per exchange";

    // One new, one stored already, one the database refuses.
    bookmarks = {{L"News", L"a", L"http://a/"}, {L"Mine", L"again", L"http://stored/"},
                 {L"News", std::wstring(kDescriptionColumnSize + 1, L'x'), L"http://long/"}};
    Addresses progress;
    ASSERT_EQ(exchange->AddBookmarks(bookmarks, &progress, counts, why), S_OK) << ToUtf8(why);
    EXPECT_EQ((std::vector<size_t>{counts.stored, counts.alreadyStored, counts.refused}), std::vector<size_t>(3, 1));
    EXPECT_TRUE(bookmarks.empty());
    EXPECT_NE(std::find(progress.heard.begin(), progress.heard.end(), L"http://a/"), progress.heard.end());

    ASSERT_EQ(exchange->LoadAllBookmarks(bookmarks, why), S_OK) << ToUtf8(why);
    Rows listed;
    for (const ExchangedBookmark& b : bookmarks) listed.push_back({b.category, b.description, b.address});
    EXPECT_EQ(listed, (Rows{{L"News", L"a", L"http://a/"}, {L"Mine", L"kept", L"http://stored/"}}));
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "the exchange and its factory let go of the library";
  EXPECT_EQ(QueryRows(folder, "select count(*) from LinksData"), (Rows{{L"2"}}));

  // The exchange is served from the band's library but is not a registered class of its own.
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidToString(CLSID_PendrelBand) + L"\\InprocServer32"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidToString(CLSID_BookmarkExchange)));
  EXPECT_EQ(DllUnregisterServer(), S_OK);
}

}  // namespace
