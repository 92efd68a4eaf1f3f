// The shell stand-ins on real files in a temporary folder: the Favorites folder under a home of
// the test's own, folder listings and creation, and the Internet-shortcut object's file form.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/com/ComPtr.h"
#include "platform/shell/Folders.h"
#include "platform/shell/InternetShortcut.h"
#include "platform/shell/PrivatePath.h"
#include "platform/shell/SpecialFolder.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestFifo.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned Mode(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

TEST(FavoritesFolder, IsMadeInTheHomeForTheUserAlone) {
  TempDir temp;
  ScopedEnv home("HOME", (temp.path().string() + "//").c_str());
  EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::DoNotCreate), L"");
  std::wstring folder = SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::CreateWhenMissing);
  EXPECT_EQ(folder, temp.wpath() + L"/Favorites");
  EXPECT_TRUE(fs::is_directory(temp.path() / "Favorites"));
  EXPECT_EQ(Mode(temp.path() / "Favorites"), 0700u);
  EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::DoNotCreate), folder);
  EXPECT_EQ(SHGetSpecialFolderPath(0x0005, FolderCreation::CreateWhenMissing), L"");
}

TEST(PrivatePath, OnlyTheUsersOwnEntriesThatNobodyElseCanWritePass) {
  TempDir temp;
  const fs::path folder = temp.path() / "own";
  const fs::path file = folder / "file";
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0700);
  WriteFile(file, "x");
  ::chmod(file.c_str(), 0600);
  EXPECT_EQ(WhyNotPrivate(folder, PrivateKind::Folder), std::nullopt);
  EXPECT_EQ(WhyNotPrivate(file, PrivateKind::File), std::nullopt);
  EXPECT_EQ(WhyNotPrivate(folder / "missing", PrivateKind::File), std::nullopt);  // nothing there yet
  EXPECT_NE(WhyNotPrivate(file, PrivateKind::Folder), std::nullopt);
  EXPECT_NE(WhyNotPrivate(folder, PrivateKind::File), std::nullopt);

  // Writable by the group or by others.
  for (unsigned mode : {0620u, 0602u, 0666u}) {
    ::chmod(file.c_str(), mode);
    auto why = WhyNotPrivate(file, PrivateKind::File);
    ASSERT_NE(why, std::nullopt) << mode;
    EXPECT_NE(why->find("can write it"), std::string::npos) << *why;
  }
  ::chmod(file.c_str(), 0600);
  ::chmod(folder.c_str(), 0770);
  EXPECT_NE(WhyNotPrivate(folder, PrivateKind::Folder), std::nullopt);
  ::chmod(folder.c_str(), 0700);

  // Another account's (the tests run as root, which may give a file away).
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    auto why = WhyNotPrivate(file, PrivateKind::File);
    ASSERT_NE(why, std::nullopt);
    EXPECT_NE(why->find("belongs to user id 65534"), std::string::npos) << *why;
    int fd = ::open(file.c_str(), O_RDONLY);
    EXPECT_NE(WhyNotPrivateFile(fd), std::nullopt);
    ::close(fd);
    // A link of the user's own to it does not make it theirs.
    fs::create_symlink(file, folder / "link");
    EXPECT_NE(WhyNotPrivate(folder / "link", PrivateKind::File), std::nullopt);
    ASSERT_EQ(::chown(file.c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_EQ(WhyNotPrivate(folder / "link", PrivateKind::File), std::nullopt);
    // Nor does a link of another account's lead to the user's own.
    ASSERT_EQ(::lchown((folder / "link").c_str(), 65534, 65534), 0);
    EXPECT_NE(WhyNotPrivate(folder / "link", PrivateKind::File), std::nullopt);
  }
}

// The home folder comes from the user database when HOME is unset or empty, never from /tmp; the
// Favorites folder then is none.
TEST(FavoritesFolder, IsNoneWithoutAUsableHome) {
  TempDir temp;
  const passwd* entry = ::getpwuid(::getuid());
  ASSERT_NE(entry, nullptr);
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    ScopedEnv home("HOME", value);
    EXPECT_EQ(HomeFolder(), fs::path(entry->pw_dir));
    EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::CreateWhenMissing), L"");
  }
  {
    ScopedEnv home("HOME", "/somewhere/else");
    EXPECT_EQ(HomeFolder(), fs::path("/somewhere/else"));
  }
  {
    // A home whose Favorites path would pass the shell's limit.
    fs::path deep = temp.path() / std::string(250, 'h');
    fs::create_directories(deep);
    ScopedEnv home("HOME", deep.c_str());
    EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::CreateWhenMissing), L"");
    EXPECT_FALSE(fs::exists(deep / "Favorites"));
  }
  {
    // Something that is not a folder stands where the Favorites folder would be.
    WriteFile(temp.path() / "Favorites", "a file");
    ScopedEnv home("HOME", temp.path().c_str());
    EXPECT_EQ(SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::CreateWhenMissing), L"");
  }
}

TEST(Folders, ListingsAreSortedByNameAndNeverLeadBackUpTheTree) {
  TempDir temp;
  fs::create_directory(temp.path() / "b folder");
  WriteFile(temp.path() / "c.url", "");
  WriteFile(temp.path() / "a.url", "");
  WriteFile(temp.path() / "\xC3\xA9t\xC3\xA9.url", "");
  WriteFile(temp.path() / "bad\xFF.url", "");  // not UTF-8: it cannot be named in wide text
  fs::create_directory_symlink(temp.path(), temp.path() / "loop");
  fs::create_symlink(temp.path() / "a.url", temp.path() / "link.url");

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(temp.wpath(), entries));
  std::vector<std::pair<std::wstring, EntryKind>> seen;
  for (const auto& e : entries) seen.emplace_back(e.name, e.kind);
  EXPECT_EQ(seen, (std::vector<std::pair<std::wstring, EntryKind>>{{L"a.url", EntryKind::File},
                                                                   {L"b folder", EntryKind::Folder},
                                                                   {L"c.url", EntryKind::File},
                                                                   {L"link.url", EntryKind::Other},
                                                                   {L"loop", EntryKind::Other},
                                                                   {L"\u00e9t\u00e9.url", EntryKind::File}}));

  EXPECT_FALSE(ListFolder(temp.wpath() + L"/missing", entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(ListFolder(temp.wpath() + L"/a.url", entries));
  // A link is not followed, not even when it is the folder asked for.
  EXPECT_FALSE(ListFolder(temp.wpath() + L"/loop", entries));
  EXPECT_TRUE(IsFolder(temp.wpath() + L"/loop"));
  EXPECT_FALSE(IsFolder(temp.wpath() + L"/loop", LinkHandling::DoNotFollow));
  EXPECT_TRUE(IsFolder(temp.wpath() + L"/b folder", LinkHandling::DoNotFollow));
  EXPECT_EQ(RealFolderPath(temp.wpath() + L"/loop/b folder/.."), FromUtf8(fs::canonical(temp.path()).string()));
  EXPECT_EQ(RealFolderPath(temp.wpath() + L"/missing"), L"");
}

TEST(Folders, CreationMakesOneFolderForTheUserAlone) {
  TempDir temp;
  EXPECT_TRUE(CreateFolder(temp.wpath() + L"/New"));
  EXPECT_TRUE(IsFolder(temp.wpath() + L"/New"));
  EXPECT_EQ(Mode(temp.path() / "New"), 0700u);
  EXPECT_FALSE(CreateFolder(temp.wpath() + L"/New"));
  EXPECT_FALSE(CreateFolder(temp.wpath() + L"/Missing/Child"));
  // A NUL would cut the path short and name another folder.
  EXPECT_FALSE(CreateFolder(temp.wpath() + std::wstring(L"/Cut\0Off", 8)));
  EXPECT_FALSE(fs::exists(temp.path() / "Cut"));
  EXPECT_FALSE(IsFolder(temp.wpath() + L"/Missing"));
}

class ShortcutTest : public ::testing::Test {
 protected:
  ShortcutTest() {
    void* raw = nullptr;
    EXPECT_EQ(CreateInternetShortcut(IID_IUniformResourceLocator, &raw), S_OK);
    locator_.Attach(static_cast<IUniformResourceLocator*>(raw));
    file_ = locator_.QueryInterface<IPersistFile>(IID_IPersistFile);
  }
  std::wstring Path(const std::string& name) const { return FromUtf8((temp_.path() / name).string()); }
  // The URL a fresh object reads from `bytes`, or the failure of its Load.
  std::pair<HRESULT, std::wstring> Read(const std::string& bytes) {
    fs::create_directories(reading_.path());
    WriteFile(reading_.path() / "read.url", bytes);
    void* raw = nullptr;
    CreateInternetShortcut(IID_IPersistFile, &raw);
    CComPtr<IPersistFile> file;
    file.Attach(static_cast<IPersistFile*>(raw));
    HRESULT hr = file->Load(FromUtf8((reading_.path() / "read.url").string()));
    if (FAILED(hr)) return {hr, L""};
    std::wstring url;
    HRESULT got = file.QueryInterface<IUniformResourceLocator>(IID_IUniformResourceLocator)->GetURL(&url);
    return {got, url};
  }

  TempDir temp_;
  TempDir reading_;
  CComPtr<IUniformResourceLocator> locator_;
  CComPtr<IPersistFile> file_;
};

TEST_F(ShortcutTest, WritesTheUsualTextFormAndReadsBackWhatItWrote) {
  ASSERT_TRUE(file_);
  EXPECT_EQ(locator_->SetURL(L"http://example.com/caf\u00e9?a=1&b=2"), S_OK);
  EXPECT_EQ(file_->Save(Path("one.url")), S_OK);
  EXPECT_EQ(ReadFile(temp_.path() / "one.url"), "[InternetShortcut]\r\nURL=http://example.com/caf\xC3\xA9?a=1&b=2\r\n");
  EXPECT_EQ(Mode(temp_.path() / "one.url"), 0600u);
  EXPECT_EQ(Read(ReadFile(temp_.path() / "one.url")), std::make_pair(S_OK, std::wstring(L"http://example.com/caf\u00e9?a=1&b=2")));

  // Saving again replaces the file and leaves nothing else behind.
  EXPECT_EQ(locator_->SetURL(L"http://example.org/"), S_OK);
  EXPECT_EQ(file_->Save(Path("one.url")), S_OK);
  EXPECT_EQ(ReadFile(temp_.path() / "one.url"), "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 1);
}

TEST_F(ShortcutTest, ReadsOnlyTheUrlLineOfOtherWritersShortcutsAndRefusesWhatIsNoShortcut) {
  EXPECT_EQ(Read("[DEFAULT]\r\nBASEURL=http://base.example/\r\n[InternetShortcut]\r\nURL=http://a.example/\r\n"
                 "IDList=\r\nIconIndex=1\r\n[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n"),
            std::make_pair(S_OK, std::wstring(L"http://a.example/")));
  EXPECT_EQ(Read("\xEF\xBB\xBF[internetshortcut]\nurl = http://b.example/ \nURL=http://second.example/\n"),
            std::make_pair(S_OK, std::wstring(L"http://b.example/")));
  EXPECT_EQ(Read("[Other]\r\nURL=http://not-this.example/\r\n[InternetShortcut]\r\n"), std::make_pair(S_FALSE, std::wstring()));

  // What is no shortcut, or too large to be one, is refused.
  EXPECT_TRUE(FAILED(Read("just some text\nURL=http://x.example/\n").first));
  EXPECT_TRUE(FAILED(Read("").first));
  EXPECT_TRUE(FAILED(Read("[InternetShortcut]\r\nURL=http://x/\r\n" + std::string(70000, ';')).first));
  std::string manyLines = "[InternetShortcut]\n";
  for (int i = 0; i < 5000; ++i) manyLines += "\n";
  EXPECT_TRUE(FAILED(Read(manyLines + "URL=http://x/\n").first));
  // An address with a carriage return or a NUL in it could not be written back as one line.
  EXPECT_EQ(Read("[InternetShortcut]\r\nURL=https://l" + std::string(2, '\0') + "ample/\r\n").first, E_FAIL);
  EXPECT_EQ(Read("[InternetShortcut]\r\nURL=http://a.example/\rIconFile=x\r\n").first, E_FAIL);
  EXPECT_TRUE(FAILED(file_->Load(Path("missing.url"))));
  fs::create_directory(temp_.path() / "folder.url");
  EXPECT_TRUE(FAILED(file_->Load(Path("folder.url"))));
}

TEST_F(ShortcutTest, NeverWritesALineTheAddressDidNotHaveOrAFileItWasNotAskedForNorFollowsALink) {
  EXPECT_EQ(locator_->SetURL(L"http://x.example/\r\nIconFile=/etc/passwd"), E_INVALIDARG);
  EXPECT_EQ(locator_->SetURL(std::wstring(L"http://x\0y", 10)), E_INVALIDARG);
  EXPECT_EQ(locator_->SetURL(L"http://ok.example/"), S_OK);
  EXPECT_TRUE(FAILED(file_->Save(Path("missing folder/x.url"))));
  EXPECT_TRUE(FAILED(file_->Save(Path("cut") + std::wstring(L"\0.url", 5))));
  fs::create_directory(temp_.path() / "taken.url");
  EXPECT_TRUE(FAILED(file_->Save(Path("taken.url"))));
  // Only the folder that was in the way.
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 1);

  TempDir outside;
  WriteFile(outside.path() / "target.url", "[InternetShortcut]\r\nURL=http://outside.example/\r\n");
  fs::create_symlink(outside.path() / "target.url", temp_.path() / "link.url");
  fs::create_directory_symlink(outside.path(), temp_.path() / "linked folder");

  // Reading: a link to a shortcut is not read, a FIFO is refused at once.
  EXPECT_TRUE(FAILED(file_->Load(Path("link.url"))));
  TestFifo fifo(temp_.path() / "fifo.url");
  HRESULT loaded = S_OK;
  EXPECT_TRUE(fifo.RunWithin([&] { loaded = file_->Load(Path("fifo.url")); }, std::chrono::seconds(5)))
      << "the read waited on a FIFO";
  EXPECT_EQ(loaded, E_FAIL);

  // Writing: neither through a linked folder nor over a link, a FIFO or a folder of that name.
  EXPECT_EQ(locator_->SetURL(L"http://written.example/"), S_OK);
  EXPECT_EQ(file_->Save(Path("linked folder/new.url")), E_ACCESSDENIED);
  EXPECT_EQ(file_->Save(Path("link.url")), E_ACCESSDENIED);
  EXPECT_EQ(file_->Save(Path("fifo.url")), E_ACCESSDENIED);
  EXPECT_EQ(ReadFile(outside.path() / "target.url"), "[InternetShortcut]\r\nURL=http://outside.example/\r\n");
  EXPECT_FALSE(fs::exists(outside.path() / "new.url"));
  EXPECT_TRUE(fs::is_symlink(temp_.path() / "link.url"));
  EXPECT_EQ(file_->Save(Path("plain.url")), S_OK);
  EXPECT_EQ(ReadFile(temp_.path() / "plain.url"), "[InternetShortcut]\r\nURL=http://written.example/\r\n");
}

}  // namespace
