#include "platform/registry/Registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/registry/Hive.h"
#include "platform/text/WideText.h"
#include "tests/support/TestSupport.h"

namespace {

// The path "a\a\..." of `names` names, each `name`.
std::string KeyPath(size_t names, const std::string& name = "a") {
  std::string path = name;
  for (size_t i = 1; i < names; ++i) path += "\\" + name;
  return path;
}

class RegistryTest : public IsolatedTest {
 protected:
  HKEY Create(const std::wstring& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS);
    return key;
  }
  static LONG Set(HKEY key, const std::wstring& name, const std::wstring& value) {
    return RegSetValueExW(key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
  }
  static std::wstring Get(HKEY key, const std::wstring& name, LONG* rc = nullptr) {
    wchar_t buffer[2048] = {};
    DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2;
    DWORD type = 0;
    LONG result = RegQueryValueExW(key, name, &type, buffer, &size);
    if (rc) *rc = result;
    return buffer;
  }
  std::string HiveText() {
    std::ifstream in(HiveFile(HKEY_CURRENT_USER));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void WriteHive(const std::string& bytes) {
    std::filesystem::create_directories(RegistryFolder());
    std::ofstream(HiveFile(HKEY_CURRENT_USER), std::ios::binary | std::ios::trunc) << bytes;
  }
};

TEST_F(RegistryTest, ValuesSurviveARoundTripThroughTheHiveFile) {
  HKEY key = Create(L"Software\\Vellorin\\Pendrel\\User");
  const std::wstring tricky = L"C:\\path \"quoted\"\nsecond line\r\t\u00e9\U0001F600";
  ASSERT_EQ(Set(key, L"CurDir", tricky), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, L"", L"default"), ERROR_SUCCESS);
  RegCloseKey(key);

  HKEY again = nullptr;
  // Key and value names compare without regard to case.
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\VELLORIN\\pendrel\\user", 0, KEY_READ, &again), ERROR_SUCCESS);
  EXPECT_EQ(Get(again, L"curdir"), tricky);
  EXPECT_EQ(Get(again, L""), L"default");
  RegCloseKey(again);

  std::string text = HiveText();
  EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
  EXPECT_NE(text.find("[Software\\Vellorin\\Pendrel\\User]\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\""), std::string::npos);
}

TEST_F(RegistryTest, QueryHonoursTheCallersBufferSize) {
  HKEY key = Create(L"Software\\Test");
  ASSERT_EQ(Set(key, L"Fits", std::wstring(127, L'a')), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, L"TooLong", std::wstring(128, L'b')), ERROR_SUCCESS);
  wchar_t buffer[128];
  DWORD size = 256;
  EXPECT_EQ(RegQueryValueExW(key, L"Fits", nullptr, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), std::wstring(127, L'a'));
  size = 256;
  EXPECT_EQ(RegQueryValueExW(key, L"TooLong", nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 258u);
  size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"TooLong", nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 258u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, MissingKeysAndValuesAndStaleHandles) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nowhere", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  key = Create(L"Software\\Somewhere");
  LONG rc = 0;
  Get(key, L"Missing", &rc);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Set(key, L"Late", L"x"), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, KeyPathsNoHiveFileCouldKeepAreRefusedAndTheHiveStaysReadable) {
  HKEY key = Create(L"Software\\Before");
  ASSERT_EQ(Set(key, L"Kept", L"yes"), ERROR_SUCCESS);
  RegCloseKey(key);
  HKEY broken = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Two\nLines", 0, KEY_ALL_ACCESS, &broken, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Cr\rInside", 0, KEY_ALL_ACCESS, &broken, nullptr),
            ERROR_INVALID_PARAMETER);
  // A hive's name directly below a hive would be taken for the hive's own name on reading.
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER\\Software", 0, KEY_ALL_ACCESS, &broken, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"\\hkey_local_machine", 0, KEY_ALL_ACCESS, &broken, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(broken, nullptr);
  HKEY below = Create(L"Software\\HKEY_CURRENT_USER");  // deeper down it is an ordinary name
  RegCloseKey(below);
  key = Create(L"Software\\Before");
  EXPECT_EQ(Get(key, L"Kept"), L"yes");
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeletingValuesKeysAndTrees) {
  HKEY key = Create(L"Software\\Microsoft\\Internet Explorer\\Toolbar");
  ASSERT_EQ(Set(key, L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}", L"Pendrel"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, L"{669695bc-a811-4a9d-8cdf-ba8c795f261d}"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  HKEY child = Create(L"Software\\Tree\\A\\B");
  RegCloseKey(child);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tree"), ERROR_ACCESS_DENIED);  // has subkeys
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tree"), ERROR_SUCCESS);
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tree\\A", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
  HKEY kept = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Toolbar", 0, KEY_READ, &kept),
            ERROR_SUCCESS);
  RegCloseKey(kept);
}

TEST_F(RegistryTest, AnUnreadableHiveIsReportedAndNeverOverwritten) {
  HKEY key = Create(L"Software\\Test");
  const std::string whole = "REGEDIT4\n\n[Software\\Test]\n\"Value\"=\"a value that the cut ends\"\n";
  const std::string cases[] = {
      "this is not a hive\n[unterminated\n",
      "",                                          // emptied
      "\n \r\n",                                   // blank
      "REGED",                                     // cut inside its header
      whole.substr(0, whole.size() - 12),          // cut inside a value
      std::string("\x7f" "ELF\x02\x01\x01\0\0\0\xff\xfe", 12) + "REGEDIT4\n",  // not text
      "REGEDIT4\n" + std::string("\0\x01\x02\xff", 4) + "\n",                  // not text after its header
      // A 32 KB key line of 16,000 names, and one a name deeper than a hive may hold.
      "REGEDIT4\n\n[" + KeyPath(16000) + "]\n",
      "REGEDIT4\n\n[" + KeyPath(513, "Bb") + "]\n\"V\"=\"1\"\n",
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    WriteHive(bytes);
    HKEY again = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Test", 0, KEY_READ, &again), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Other", 0, KEY_ALL_ACCESS, &again, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(Set(key, L"Value", L"new"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"a"), ERROR_BADDB);
    EXPECT_EQ(ReadFileBytes(HiveFile(HKEY_CURRENT_USER)), bytes);
  }
  RegCloseKey(key);
  // A hive that is not there at all is an empty one: the first change makes it.
  std::filesystem::remove(HiveFile(HKEY_CURRENT_USER));
  HKEY made = Create(L"Software\\Made");
  RegCloseKey(made);
  EXPECT_TRUE(HiveText().starts_with("REGEDIT4\n"));
}

TEST_F(RegistryTest, AKeyAsDeepAsAHiveMayHoldReadsBackAndNoneDeeperCanBeMade) {
  // At the bound the hive reads, in any case of its names, and survives being written again.
  WriteHive("REGEDIT4\n\n[" + KeyPath(512) + "]\n\"Deep\"=\"yes\"\n");
  HKEY deep = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, FromUtf8(KeyPath(512)), 0, KEY_READ, &deep), ERROR_SUCCESS);
  EXPECT_EQ(Get(deep, L"deep"), L"yes");
  HKEY shallow = Create(L"A\\A\\A");
  ASSERT_EQ(Set(shallow, L"Near", L"top"), ERROR_SUCCESS);
  RegCloseKey(shallow);
  EXPECT_EQ(Get(deep, L"Deep"), L"yes");
  std::wstring name;
  EXPECT_EQ(RegEnumKeyW(deep, 0, name), ERROR_NO_MORE_ITEMS);
  RegCloseKey(deep);

  // Below it no key can be made, so that no change makes the hive unreadable.
  HKEY deeper = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, FromUtf8(KeyPath(513)), 0, KEY_ALL_ACCESS, &deeper, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(deeper, nullptr);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, FromUtf8(KeyPath(500)), 0, KEY_READ, &deep), ERROR_SUCCESS);
  EXPECT_EQ(RegCreateKeyExW(deep, FromUtf8(KeyPath(13)), 0, KEY_ALL_ACCESS, &deeper, nullptr), ERROR_INVALID_PARAMETER);
  RegCloseKey(deep);
  EXPECT_NE(HiveText().find("\"Deep\"=\"yes\""), std::string::npos);
}

void FailBeforeRename() { ::_exit(42); }

TEST_F(RegistryTest, AHiveOrFolderAnotherAccountCouldHavePlantedIsNeitherReadNorWritten) {
  HKEY key = Create(L"Software\\Planted");
  ASSERT_EQ(Set(key, L"Library", L"/tmp/evil.so"), ERROR_SUCCESS);
  const std::string planted = HiveText();
  WhileNotPrivate(HiveFile(HKEY_CURRENT_USER), RegistryFolder(), [&] {
    LONG rc = 0;
    Get(key, L"Library", &rc);
    EXPECT_EQ(rc, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Set(key, L"Library", L"/tmp/other.so"), ERROR_ACCESS_DENIED);
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &opened), ERROR_ACCESS_DENIED);
    EXPECT_NE(RegistryProblem(), std::nullopt);
    EXPECT_EQ(HiveText(), planted);
  });
  EXPECT_EQ(RegistryProblem(), std::nullopt);
  // Made the user's own again, it reads as it was: none of the refused writes landed.
  EXPECT_EQ(Get(key, L"Library"), L"/tmp/evil.so");
  RegCloseKey(key);
}

TEST_F(RegistryTest, ACrashBetweenWriteAndRenameLeavesTheOldHive) {
  HKEY key = Create(L"Software\\Test");
  ASSERT_EQ(Set(key, L"Value", L"old"), ERROR_SUCCESS);
  std::string before = HiveText();

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SetRegistryCommitHook(FailBeforeRename);
    Set(key, L"Value", L"new");
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);  // the child died between writing and renaming

  EXPECT_EQ(HiveText(), before);
  EXPECT_EQ(Get(key, L"Value"), L"old");
  ASSERT_EQ(Set(key, L"Value", L"newer"), ERROR_SUCCESS);  // the leftover temporary file is harmless
  EXPECT_EQ(Get(key, L"Value"), L"newer");
  RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesWritingTheSameHiveLoseNothing) {
  HKEY key = Create(L"Software\\Shared");
  RegCloseKey(key);
  constexpr int kWrites = 40;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      HKEY mine = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Shared", 0, KEY_WRITE, &mine) != ERROR_SUCCESS) ::_exit(1);
      for (int i = 0; i < kWrites; ++i) {
        std::wstring name = L"p" + std::to_wstring(c) + L"_" + std::to_wstring(i);
        if (Set(mine, name, name) != ERROR_SUCCESS) ::_exit(2);
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY shared = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Shared", 0, KEY_READ, &shared), ERROR_SUCCESS);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kWrites; ++i) {
      std::wstring name = L"p" + std::to_wstring(c) + L"_" + std::to_wstring(i);
      EXPECT_EQ(Get(shared, name), name);
    }
  RegCloseKey(shared);
}

TEST_F(RegistryTest, ReadsHivesExportedWithHiveNamesAndOtherValueKinds) {
  WriteHive("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Imported]\n\"Text\"=\"a\\\\b\"\n\"Number\"=dword:0000001f\n"
            "\"Blob\"=hex:01,02\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Imported", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(Get(key, L"Text"), L"a\\b");
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Number", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  ASSERT_EQ(Set(key, L"Added", L"x"), ERROR_SUCCESS);  // a rewrite keeps the other kinds
  RegCloseKey(key);
  std::string text = HiveText();
  EXPECT_NE(text.find("\"Number\"=dword:0000001f"), std::string::npos);
  EXPECT_NE(text.find("\"Blob\"=hex:01,02"), std::string::npos);
}

TEST(HiveText, AHiveReadsBackAsItWasWritten) {
  // Data kept as written, on a line ending in CR CR LF: the carriage returns are the line's end,
  // not data that a rewrite would drop one of at a time.
  auto hive = Hive::Parse("REGEDIT4\r\r\n\r\n[Software\\A]\r\r\n\"Bin\"=hex:01,02\r\r\n\"Text\"=\"x\"\r\r\r\n");
  ASSERT_TRUE(hive.has_value());
  EXPECT_EQ(hive->Serialize(), "REGEDIT4\n\n[Software]\n\n[Software\\A]\n\"Bin\"=hex:01,02\n\"Text\"=\"x\"\n");

  // A hive's name is dropped wherever separators put it first, and as often as it is repeated, so
  // that a key does not move when the hive is written again.
  hive = Hive::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n[\\\\HKEY_CURRENT_USER\\Software]\r\n\"A\"=\"1\"\r\n"
      "[HKEY_CURRENT_USER\\hkey_current_user\\\\Software\\Sub\\]\r\n\"B\"=\"2\"\r\n");
  ASSERT_TRUE(hive.has_value());
  const std::string text = hive->Serialize();
  EXPECT_EQ(text, "REGEDIT4\n\n[Software]\n\"A\"=\"1\"\n\n[Software\\Sub]\n\"B\"=\"2\"\n");
  auto again = Hive::Parse(text);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->Serialize(), text);
}

}  // namespace
