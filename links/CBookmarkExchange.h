// The bookmark store offered to the hosts (published/BookmarkExchange.h), and the class factory
// the band library's DllGetClassObject hands out for it. Both hold a lock on the module while
// they live, so the library stays loaded while a host holds one.
#pragma once
#include "band/ComModule.h"
#include "band/ModuleClassFactory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/CountedObject.h"
#include "published/BookmarkExchange.h"

class CBookmarkExchangeStore;

class CBookmarkExchange final : public IBookmarkExchange, public CountedObject {
 public:
  CBookmarkExchange();
  ~CBookmarkExchange();

  // IUnknown: IBookmarkExchange.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  HRESULT Open(std::wstring& dataFolder) override;
  HRESULT AddBookmarks(std::vector<ExchangedBookmark>& bookmarks, IBookmarkProgress* progress, ExchangeCounts& counts,
                       std::wstring& why) override;
  HRESULT LoadAllBookmarks(std::vector<ExchangedBookmark>& bookmarks, std::wstring& why) override;

 private:
  ModuleLock lock_;
  CComPtr<CBookmarkExchangeStore> store_;
};

class CBookmarkExchangeFactory final : public ModuleClassFactory {
 public:
  // The module's object map entry: a new factory, handed out through `iid`.
  static HRESULT GetClassObject(REFIID iid, void** object) { return NewFactory<CBookmarkExchangeFactory>(iid, object); }

  // A new exchange, handed out through `iid`; not aggregated (CLASS_E_NOAGGREGATION).
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
};
