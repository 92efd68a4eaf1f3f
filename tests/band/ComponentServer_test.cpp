// The band library as the platform sees it: its registration and unregistration in the registry,
// its class factory (alone, under aggregation, and when a band cannot be built), and whether it
// may be unloaded while its objects live.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "band/BandIds.h"
#include "band/BandModule.h"
#include "band/ComModule.h"
#include "band/DllEntryPoints.h"
#include "host/core/BandSite.h"
#include "host/engine/BrowserWindow.h"
#include "platform/com/TypeLib.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"
#include "platform/ui/Resources.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

constexpr wchar_t kClass[] = L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}";
constexpr wchar_t kToolbarKey[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";

class ComponentServerTest : public IsolatedTest, protected RegistryProbe {
 protected:
  ComponentServerTest() { EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a band or factory of an earlier test lives on"; }

  void WriteSettings() {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, MakeTestDataFolder(temp_));
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0");
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
  }
  static CComPtr<IClassFactory> Factory() {
    void* raw = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_TesselBand, IID_IClassFactory, &raw), S_OK);
    CComPtr<IClassFactory> factory;
    factory.Attach(static_cast<IClassFactory*>(raw));
    return factory;
  }
};

// An aggregating object that holds the band's own IUnknown and hands out its interfaces. It
// lives on the stack, so its count only tells who holds it.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown) {
      AddRef();
      *object = static_cast<IUnknown*>(this);
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++count; }
  ULONG Release() override { return --count; }

  ULONG count = 0;
  CComPtr<IUnknown> inner;
};

TEST_F(ComponentServerTest, RegistrationWritesEveryRowAndUnregistrationTakesThemAwayButKeepsTheToolbarKey) {
  const std::wstring library = FromUtf8((std::filesystem::path(PENDREL_BIN_DIR) / "libPendrelBand.so").string());
  const std::wstring classKey = std::wstring(L"CLSID\\") + kClass;
  const std::wstring typeLib = L"TypeLib\\{3277CD27-4001-4EF8-9D96-C6CA745AC2F9}\\1.0";
  // Left by an earlier version under the class key, which registration replaces as a whole; and
  // another toolbar in the browser's list.
  Write(HKEY_CLASSES_ROOT, classKey + L"\\Implemented Categories", L"", L"old");
  Write(HKEY_LOCAL_MACHINE, kToolbarKey, L"{01234567-0000-0000-0000-000000000000}", L"Another");

  ASSERT_EQ(DllRegisterServer(), S_OK);
  struct Row {
    HKEY root;
    std::wstring path;
    std::wstring name;
    std::wstring data;
  };
  const Row rows[] = {
      {HKEY_CLASSES_ROOT, L"Tessel.TesselBand.1", L"", L"TesselBand"},
      {HKEY_CLASSES_ROOT, L"Tessel.TesselBand.1\\CLSID", L"", kClass},
      {HKEY_CLASSES_ROOT, L"Tessel.TesselBand", L"", L"TesselBand"},
      {HKEY_CLASSES_ROOT, L"Tessel.TesselBand\\CLSID", L"", kClass},
      {HKEY_CLASSES_ROOT, L"Tessel.TesselBand\\CurVer", L"", L"Tessel.TesselBand.1"},
      {HKEY_CLASSES_ROOT, classKey, L"", L"Pendrel"},
      {HKEY_CLASSES_ROOT, classKey + L"\\ProgID", L"", L"Tessel.TesselBand.1"},
      {HKEY_CLASSES_ROOT, classKey + L"\\VersionIndependentProgID", L"", L"Tessel.TesselBand"},
      {HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"", library},
      {HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      // The class names a type library id that differs from the library's own.
      {HKEY_CLASSES_ROOT, classKey + L"\\TypeLib", L"", L"{37686C62-D497-42E3-BAAB-78D89A74E152}"},
      {HKEY_LOCAL_MACHINE, kToolbarKey, kClass, L"Pendrel"},
      {HKEY_CLASSES_ROOT, typeLib, L"", L"tessel 1.0 Type Library"},
      {HKEY_CLASSES_ROOT, typeLib + L"\\0\\win32", L"", library},
      {HKEY_CLASSES_ROOT, typeLib + L"\\FLAGS", L"", L"0"},
      {HKEY_CLASSES_ROOT, typeLib + L"\\HELPDIR", L"", FromUtf8(PENDREL_BIN_DIR)},
      {HKEY_CLASSES_ROOT, L"Interface\\{38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}", L"", L"ITesselBand"},
      {HKEY_CLASSES_ROOT, L"Interface\\{38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}\\TypeLib", L"",
       L"{3277CD27-4001-4EF8-9D96-C6CA745AC2F9}"},
      {HKEY_CLASSES_ROOT, L"Interface\\{38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}\\TypeLib", L"Version", L"1.0"},
      {HKEY_CLASSES_ROOT, L"Interface\\{38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}\\ProxyStubClsid32", L"",
       L"{00020424-0000-0000-C000-000000000046}"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Value(row.root, row.path, row.name), row.data) << ToUtf8(row.path) << " " << ToUtf8(row.name);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, classKey + L"\\Implemented Categories"));
  EXPECT_EQ(ComModule::ModuleFileName(), library);

  // Twice is the same as once.
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kToolbarKey, kClass), L"Pendrel");

  ASSERT_EQ(DllUnregisterServer(), S_OK);
  for (const Row& row : rows)
    EXPECT_EQ(Value(row.root, row.path, row.name), std::nullopt) << ToUtf8(row.path) << " " << ToUtf8(row.name);
  for (const wchar_t* gone :
       {L"Tessel.TesselBand.1", L"Tessel.TesselBand", L"TypeLib\\{3277CD27-4001-4EF8-9D96-C6CA745AC2F9}",
        L"Interface\\{38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}"})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, gone)) << ToUtf8(gone);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, classKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kToolbarKey)) << "the toolbar value goes, its key stays";
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kToolbarKey, L"{01234567-0000-0000-0000-000000000000}"), L"Another");

  // Unregistering what is not registered, even without the toolbar key, reports nothing wrong.
  ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software"), ERROR_SUCCESS);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ComponentServerTest, TheModuleCarriesItsScriptTypeLibraryAndVersionRecordAsResources) {
  std::optional<std::string> script = LoadDataResource(BandInstance(), L"REGISTRY", 102);
  ASSERT_TRUE(script);
  EXPECT_NE(script->find("val {669695BC-A811-4A9D-8CDF-BA8C795F261D} = s 'Pendrel'"), std::string::npos);
  std::optional<TypeLibDescription> library = LoadTypeLibResource(BandInstance(), 1);
  ASSERT_TRUE(library);
  EXPECT_EQ(GuidToString(library->libid), L"{3277CD27-4001-4EF8-9D96-C6CA745AC2F9}");
  EXPECT_EQ(library->name, L"TesselLib");
  EXPECT_EQ(library->helpString, L"tessel 1.0 Type Library");
  ASSERT_EQ(library->coClasses.size(), 1u);
  EXPECT_EQ(library->coClasses[0].clsid, CLSID_TesselBand);
  EXPECT_EQ(library->coClasses[0].helpString, L"TesselBand Class");
  ASSERT_EQ(library->interfaces.size(), 1u);
  EXPECT_EQ(library->interfaces[0].name, L"ITesselBand");
  EXPECT_EQ(library->interfaces[0].helpString, L"ItesselBand Interface");
  std::optional<std::string> version = LoadDataResource(BandInstance(), L"VERSION", 1);
  ASSERT_TRUE(version);
  for (const char* field : {"FileVersion=1.0.0.1\n", "ProductVersion=1.0.0.1\n", "InternalName=PendrelBand\n",
                            "FileDescription=PendrelBand Module\n", "ProductName=PendrelBand Module\n"})
    EXPECT_NE(version->find(field), std::string::npos) << field;
}

TEST_F(ComponentServerTest, TheLibraryCannotBeUnloadedWhileABandAFactoryOrAServerLockLives) {
  WriteSettings();
  CComPtr<IClassFactory> factory = Factory();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a factory held";

  void* raw = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDeskBand, &raw), S_OK);
  CComPtr<IDeskBand> band;
  band.Attach(static_cast<IDeskBand*>(raw));
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a band alive";
  CComPtr<IObjectWithSite> second = band.QueryInterface<IObjectWithSite>(IID_IObjectWithSite);
  band.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the band is still held through another interface";
  second.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  // A client's server lock counts; an unlock it never took gives away nobody else's lock.
  factory = Factory();
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &raw), S_OK);
  CComPtr<IUnknown> alive;
  alive.Attach(static_cast<IUnknown*>(raw));
  factory.reset();
  EXPECT_EQ(Factory()->LockServer(FALSE), E_UNEXPECTED);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the band's lock is its own";
  alive.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ComponentServerTest, TheFactoryServesOnlyTheBandClassAndHandsOutOnlyWhatTheBandOffers) {
  void* raw = &raw;
  EXPECT_EQ(DllGetClassObject(MakeGuid(L"00000000-1111-2222-3333-444444444444"), IID_IClassFactory, &raw),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(DllGetClassObject(IID_ITesselBand, IID_IClassFactory, &raw), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(DllGetClassObject(CLSID_TesselBand, IID_IDispatch, &raw), E_NOINTERFACE);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a factory that was not handed out is gone";

  WriteSettings();
  CComPtr<IClassFactory> factory = Factory();
  // The band does not answer to its own type library's interface: the new band is let go again.
  raw = &raw;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ITesselBand, &raw), E_NOINTERFACE);
  EXPECT_EQ(raw, nullptr);
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ComponentServerTest, ABandWhoseSettingsCannotBeReadIsOutOfMemoryWithoutAMessage) {
  CComPtr<IClassFactory> factory = Factory();
  void* raw = &raw;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IObjectWithSite, &raw), E_OUTOFMEMORY);
  EXPECT_EQ(raw, nullptr);
  Outer outer;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &raw), E_OUTOFMEMORY);
  EXPECT_EQ(outer.count, 0u);
  factory.reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "the discarded band gave its lock back";
  EXPECT_EQ(boxes_.count(), 0u) << (boxes_.count() ? ToUtf8(boxes_.texts()[0]) : std::string());
}

TEST_F(ComponentServerTest, UnderAggregationTheBandsInterfacesAreTheOuterObjectsAndItStillDocks) {
  WriteSettings();
  CComPtr<IClassFactory> factory = Factory();
  Outer outer;
  void* raw = &raw;
  // Aggregated, only the band's own IUnknown can be asked for.
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDeskBand, &raw), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(raw, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &raw), S_OK);
  outer.inner.Attach(static_cast<IUnknown*>(raw));
  factory.reset();
  EXPECT_EQ(outer.count, 0u) << "the inner object holds no reference on its outer object";

  void* deskRaw = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IDeskBand, &deskRaw), S_OK);
  auto* deskBand = static_cast<IDeskBand*>(deskRaw);
  EXPECT_EQ(outer.count, 1u) << "the reference is the outer object's";
  // From any of the band's interfaces, IUnknown is the outer object, and what the outer object
  // does not offer is not offered.
  void* identity = nullptr;
  ASSERT_EQ(deskBand->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  outer.Release();
  void* none = &none;
  EXPECT_EQ(deskBand->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
  EXPECT_EQ(deskBand->AddRef(), 2u);
  EXPECT_EQ(deskBand->Release(), 1u);

  // Sited through the outer object, the aggregated band makes its toolbar.
  HWND window = CreateWindowExW(0, WC_WINDOW, L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 1024, 60, nullptr, 0, nullptr);
  {
    BrowserWindow browser;
    auto site = MakeCounted<BandSite>(window, CComPtr<IWebBrowser2>(browser.Browser()));
    void* withSite = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IObjectWithSite, &withSite), S_OK);
    EXPECT_EQ(static_cast<IObjectWithSite*>(withSite)->SetSite(static_cast<IInputObjectSite*>(site.get())), S_OK);
    HWND toolbar = nullptr;
    EXPECT_EQ(deskBand->GetWindow(&toolbar), S_OK);
    EXPECT_TRUE(IsWindow(toolbar));
    static_cast<IObjectWithSite*>(withSite)->SetSite(nullptr);
    static_cast<IObjectWithSite*>(withSite)->Release();
    deskBand->Release();
    EXPECT_EQ(outer.count, 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the outer object still holds the band";
    outer.inner.reset();
  }
  DestroyWindow(window);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(boxes_.count(), 0u);
}

}  // namespace
