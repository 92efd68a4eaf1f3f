#include "toolbar/Settings.h"

#include <fstream>

#include <gtest/gtest.h>

#include "store/CCustomException.h"
#include "tests/support/TestSupport.h"

namespace {

class SettingsTest : public IsolatedTest {
 protected:
  std::wstring ReadError(const std::wstring& key, const std::wstring& value) {
    try {
      ReadRegistryString(HKEY_CURRENT_USER, key, value);
    } catch (const CCustomException& e) {
      return e.GetMessage();
    }
    return L"(no error)";
  }
};

TEST_F(SettingsTest, WriteCreatesTheKeyAndReadGivesTheText) {
  EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"1"), 1);
  EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"AND"), 1);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue), L"1");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue), L"AND");
  EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0"), 1);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue), L"0");
  EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L""), 1);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue), L"");
}

TEST_F(SettingsTest, TheDataFolderMayHave127CharactersButNot128) {
  const std::wstring fits = L"/" + std::wstring(126, L'f');
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, fits);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue), fits);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, fits + L"x");
  EXPECT_EQ(ReadError(kSettingsKeyPath, kCurDirValue), L"Failed to read registry entry Software\\Vellorin\\Pendrel\\User");
}

TEST_F(SettingsTest, TheFailureNamesTheKeyPathNeverTheValue) {
  EXPECT_EQ(ReadError(kSettingsKeyPath, kCurDirValue), L"Failed to read registry entry Software\\Vellorin\\Pendrel\\User");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, L"/data");
  EXPECT_EQ(ReadError(kSettingsKeyPath, kHistoryValue), L"Failed to read registry entry Software\\Vellorin\\Pendrel\\User");
  EXPECT_EQ(ReadError(L"Software\\Other", L"Name"), L"Failed to read registry entry Software\\Other");
}

TEST_F(SettingsTest, AValueThatIsNotTextCannotBeRead) {
  std::filesystem::create_directories(RegistryFolder());
  {
    std::ofstream out(HiveFile(HKEY_CURRENT_USER));
    out << "REGEDIT4\n\n[Software\\Vellorin\\Pendrel\\User]\n\"History\"=dword:00000001\n";
  }
  EXPECT_EQ(ReadError(kSettingsKeyPath, kHistoryValue), L"Failed to read registry entry Software\\Vellorin\\Pendrel\\User");
}

TEST_F(SettingsTest, AFailedWriteAnswersZero) {
  std::filesystem::create_directories(RegistryFolder());
  { std::ofstream(HiveFile(HKEY_CURRENT_USER)) << "garbage"; }
  EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"1"), 0);
}

}  // namespace
