// The store of import and export shows each address its bulk operations handle in the browser's
// status bar, in order; the ordinary store shows nothing there.
#include "toolbar/CBookmarkStatusDatabase.h"

#include <gtest/gtest.h>

#include "host/core/BandSite.h"
#include "host/engine/BrowserWindow.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

class StatusDatabaseTest : public IsolatedTest {
 protected:
  StatusDatabaseTest() : dataFolder_(MakeTestDataFolder(temp_)), sink_(MakeCounted<RecordingSink>()) {
    sink_->Connect(window_.Browser());
  }
  ~StatusDatabaseTest() override { sink_->Disconnect(); }

  std::vector<std::wstring> StatusTexts() const {
    std::vector<std::wstring> texts;
    for (const RecordedEvent& event : sink_->events)
      if (event.dispId == DISPID_STATUSTEXTCHANGE) texts.push_back(std::get<std::wstring>(event.arguments[0].value));
    return texts;
  }

  std::wstring dataFolder_;
  BrowserWindow window_;
  CComPtr<RecordingSink> sink_;
};

TEST_F(StatusDatabaseTest, ImportAndExportShowEveryAddressInTurn) {
  auto store = MakeCounted<CBookmarkStatusDatabase>(window_.Browser(), dataFolder_);
  CBookmarkRecordList records = {{L"News", L"Paper", L"http://127.0.0.1:9/c"},
                                 {L"News", L"Radio", L"http://127.0.0.1:9/a"},
                                 {L"Food", L"Cake", L"http://127.0.0.1:9/b"}};
  EXPECT_EQ(store->AddBookmarks(records), StoreOutcome::Done);
  EXPECT_EQ(StatusTexts(), (std::vector<std::wstring>{L"Processing address http://127.0.0.1:9/c...",
                                                      L"Processing address http://127.0.0.1:9/a...",
                                                      L"Processing address http://127.0.0.1:9/b..."}));
  sink_->events.clear();

  CBookmarkRecordList loaded;
  store->LoadAllBookmarks(loaded);
  EXPECT_EQ(loaded.size(), 3u);
  EXPECT_EQ(StatusTexts(), (std::vector<std::wstring>{L"Processing address http://127.0.0.1:9/a...",
                                                      L"Processing address http://127.0.0.1:9/b...",
                                                      L"Processing address http://127.0.0.1:9/c..."}));
  std::wstring shown;
  window_.Browser()->get_StatusText(&shown);
  EXPECT_EQ(shown, L"Processing address http://127.0.0.1:9/c...");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(StatusDatabaseTest, TheOrdinaryStoreLeavesTheStatusBarAlone) {
  auto store = MakeCounted<CBookmarkDatabase>(dataFolder_);
  CBookmarkRecordList records = {{L"News", L"Paper", L"http://127.0.0.1:9/c"}};
  store->AddBookmarks(records);
  CBookmarkRecordList loaded;
  store->LoadAllBookmarks(loaded);
  EXPECT_EQ(loaded.size(), 1u);
  EXPECT_TRUE(StatusTexts().empty());
}

TEST_F(StatusDatabaseTest, AnObjectThatIsNoBrowserGivesAStoreThatCannotReport) {
  auto notABrowser = MakeCounted<BandSite>(nullptr, nullptr);
  auto store = MakeCounted<CBookmarkStatusDatabase>(static_cast<IInputObjectSite*>(notABrowser.get()), dataFolder_);
  try {
    store->ReportProgress(L"http://127.0.0.1:9/a");
    FAIL() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  // The first address ends the bulk operation; nothing reaches the status bar.
  CBookmarkRecordList records = {{L"News", L"Paper", L"http://127.0.0.1:9/c"}};
  EXPECT_THROW(store->AddBookmarks(records), ComError);
  EXPECT_TRUE(StatusTexts().empty());
}

}  // namespace
