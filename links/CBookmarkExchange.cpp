#include "links/CBookmarkExchange.h"

#include <new>
#include <utility>

#include "platform/com/ComError.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "toolbar/Settings.h"

// The store of the exchange: tells the host's progress of each address a bulk add handles.
class CBookmarkExchangeStore final : public CBookmarkDatabase {
 public:
  using CBookmarkDatabase::CBookmarkDatabase;
  void ReportProgress(const std::wstring& address) override {
    if (progress_) progress_->OnAddress(address);
  }
  void SetProgress(IBookmarkProgress* progress) { progress_ = progress; }

 private:
  IBookmarkProgress* progress_ = nullptr;
};

namespace {

// Runs `work`; nothing may escape to the caller, which is a host, not this library.
template <typename Work>
HRESULT Guarded(std::wstring& why, Work&& work) {
  try {
    return work();
  } catch (const CCustomException& e) {
    why = e.GetMessage();
    return E_FAIL;
  } catch (const ComError& e) {
    why = e.Description().value_or(e.ErrorMessage());
    return FAILED(e.Error()) ? e.Error() : E_FAIL;
  } catch (const std::bad_alloc&) {
    why = L"out of memory";
    return E_OUTOFMEMORY;
  } catch (...) {
    why = L"an unexpected error";
    return E_UNEXPECTED;
  }
}

}  // namespace

CBookmarkExchange::CBookmarkExchange() = default;
CBookmarkExchange::~CBookmarkExchange() = default;

HRESULT CBookmarkExchange::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IBookmarkExchange) return E_NOINTERFACE;
  *object = CComPtr<IBookmarkExchange>(this).Detach();
  return S_OK;
}

HRESULT CBookmarkExchange::Open(std::wstring& dataFolder) {
  if (store_) return E_UNEXPECTED;
  std::wstring why;
  return Guarded(why, [&] {
    try {
      dataFolder = ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue);
    } catch (const CCustomException&) {
      return BOOKMARKS_E_NO_DATA_FOLDER;
    }
    auto store = MakeCounted<CBookmarkExchangeStore>(dataFolder);
    if (!store->IsConnected()) return E_FAIL;
    store_ = std::move(store);
    return S_OK;
  });
}

HRESULT CBookmarkExchange::AddBookmarks(std::vector<ExchangedBookmark>& bookmarks, IBookmarkProgress* progress,
                                        ExchangeCounts& counts, std::wstring& why) {
  counts = {};
  if (!store_) return E_UNEXPECTED;
  return Guarded(why, [&] {
    CBookmarkRecordList records;
    records.reserve(bookmarks.size());
    for (ExchangedBookmark& bookmark : bookmarks)
      records.emplace_back(std::move(bookmark.category), std::move(bookmark.description), std::move(bookmark.address));
    bookmarks = {};
    BulkAddCounts added;
    store_->SetProgress(progress);
    StoreOutcome outcome;
    try {
      outcome = store_->AddBookmarks(records, &added);
    } catch (...) {
      store_->SetProgress(nullptr);
      throw;
    }
    store_->SetProgress(nullptr);
    if (outcome == StoreOutcome::ErrorReported) return BOOKMARKS_E_NOT_STORED;
    counts = {added.stored, added.alreadyStored, added.refused};
    return S_OK;
  });
}

HRESULT CBookmarkExchange::LoadAllBookmarks(std::vector<ExchangedBookmark>& bookmarks, std::wstring& why) {
  bookmarks.clear();
  if (!store_) return E_UNEXPECTED;
  return Guarded(why, [&] {
    CBookmarkRecordList records;
    store_->LoadAllBookmarks(records);
    bookmarks.reserve(records.size());
    for (CBookmarkRecord& record : records)
      bookmarks.push_back({std::move(record.category), std::move(record.description), std::move(record.address)});
    return S_OK;
  });
}

HRESULT CBookmarkExchangeFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    return MakeCounted<CBookmarkExchange>()->QueryInterface(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

