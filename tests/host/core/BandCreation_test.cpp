// The host makes its band as the browser does, from the registry: the toolbar list, the class's
// InprocServer32, the library's entry points and its class factory; and says why when it cannot.
#include "host/core/BandCreation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "band/DllEntryPoints.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

constexpr wchar_t kBandClass[] = L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}";
constexpr wchar_t kOtherClass[] = L"{0BADC1A5-0000-4000-8000-000000000001}";

class BandCreationTest : public IsolatedTest, protected RegistryProbe {
 protected:
  static std::filesystem::path BinFile(const char* name) { return std::filesystem::path(PENDREL_BIN_DIR) / name; }
  void WriteSettings() {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, MakeTestDataFolder(temp_));
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0");
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
  }
  // Lists a toolbar of class `clsid` whose InprocServer32 names `library` (none: no such key).
  static void ListToolbar(const std::wstring& clsid, const std::optional<std::filesystem::path>& library) {
    Write(HKEY_LOCAL_MACHINE, kToolbarListKey, clsid, L"a toolbar");
    if (library) Write(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32", L"", FromUtf8(library->string()));
  }
  static std::wstring Failure() {
    try {
      CreateBand();
    } catch (const BandCreationError& e) {
      return e.Why();
    }
    return L"(made)";
  }
};

TEST_F(BandCreationTest, TheRegisteredBandComesFromTheLibraryItsClassNames) {
  WriteSettings();
  InprocServer library(BinFile("libPendrelBand.so"));
  ASSERT_EQ(library.RegisterServer(), S_OK);
  library.Close();
  EXPECT_EQ(InprocServerPath(MakeGuid(kBandClass)), FromUtf8(BinFile("libPendrelBand.so").string()));

  {
    CreatedBand created = CreateBand();
    EXPECT_EQ(created.library.File(), BinFile("libPendrelBand.so"));
    ASSERT_TRUE(created.band);
    EXPECT_TRUE(created.band.QueryInterface<IDeskBand>(IID_IDeskBand));
    EXPECT_TRUE(created.band.QueryInterface<IInputObject>(IID_IInputObject));
    EXPECT_EQ(created.library.CanUnloadNow(), S_FALSE) << "the band holds the library";
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  // A broken toolbar listed before the band is passed over.
  {
    RegistryKey list;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarListKey, 0, KEY_ALL_ACCESS, list.Out()), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(list.get(), kBandClass), ERROR_SUCCESS);
  }
  ListToolbar(kOtherClass, BinFile("no-such-library.so"));
  Write(HKEY_LOCAL_MACHINE, kToolbarListKey, kBandClass, L"Pendrel");
  EXPECT_TRUE(CreateBand().band);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandCreationTest, EachWayOfFailingHasItsReason) {
  EXPECT_EQ(Failure(), L"no toolbar is registered (pendrel register registers it)");
  Write(HKEY_LOCAL_MACHINE, kToolbarListKey, L"", L"a default value is no toolbar");
  EXPECT_EQ(Failure(), L"no toolbar is registered (pendrel register registers it)");

  struct Case {
    std::wstring name;
    std::optional<std::filesystem::path> library;
    std::wstring why;
  };
  const Case cases[] = {
      {L"not a class id", std::nullopt, L"the listed toolbar not a class id is not a class id"},
      {kOtherClass, std::nullopt, std::wstring(L"the class ") + kOtherClass + L" names no library (InprocServer32)"},
      {kOtherClass, BinFile("no-such-library.so"), L"cannot load " + FromUtf8(BinFile("no-such-library.so").string())},
      {kOtherClass, BinFile("libpendrel-platform.so"),
       FromUtf8(BinFile("libpendrel-platform.so").string()) + L" is not a component library"},
      // The band's library does not serve another class.
      {kOtherClass, BinFile("libPendrelBand.so"), L"DllGetClassObject failed (80040111)"},
      // Its own class without settings: the band cannot be built.
      {kBandClass, BinFile("libPendrelBand.so"), L"the band's creation failed (8007000e): are its settings there?"},
  };
  for (const Case& c : cases) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID");
    ListToolbar(c.name, c.library);
    std::wstring why = Failure();
    EXPECT_TRUE(why.starts_with(c.why)) << ToUtf8(why);
  }
  // Several failing: the first one's reason.
  ListToolbar(kOtherClass, std::nullopt);
  EXPECT_TRUE(Failure().starts_with(L"the band's creation failed")) << ToUtf8(Failure());

  // A class hive that another account owns or others can write is never read: its library is never loaded.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID");
  ListToolbar(kOtherClass, BinFile("libpendrel-platform.so"));
  const std::filesystem::path classes = HiveFile(HKEY_CLASSES_ROOT);
  ::chmod(classes.c_str(), 0622);
  EXPECT_NE(Failure().find(L"is not yours alone: its group or other users can write it"), std::wstring::npos)
      << ToUtf8(Failure());
  ::chmod(classes.c_str(), 0600);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(classes.c_str(), 65534, 65534), 0);
    EXPECT_NE(Failure().find(L"it belongs to user id 65534"), std::wstring::npos) << ToUtf8(Failure());
    ASSERT_EQ(::chown(classes.c_str(), 0, 0), 0);
  }
  EXPECT_TRUE(Failure().find(L"is not a component library") != std::wstring::npos) << ToUtf8(Failure());

  EXPECT_EQ(boxes_.count(), 0u);
}

}  // namespace
