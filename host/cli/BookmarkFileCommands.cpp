#include "host/cli/BookmarkFileCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string_view>

#include "host/cli/BandRegistration.h"
#include "host/cli/Installer.h"
#include "host/core/BandCreation.h"
#include "host/core/BookmarkFile.h"
#include "host/core/UserFolders.h"
#include "platform/inet/AddressScheme.h"
#include "platform/text/WideText.h"
#include "published/BookmarkExchange.h"
#include "published/BookmarkLimits.h"

namespace {

constexpr wchar_t kDefaultTopFolder[] = L"Bookmarks";

// Shows each address the store's bulk add handles.
class StatusProgress final : public IBookmarkProgress {
 public:
  explicit StatusProgress(StatusLine& status) : status_(status) {}
  void OnAddress(const std::wstring& address) override {
    status_.ShowProgress(L"Processing address " + address + L"...");
  }

 private:
  StatusLine& status_;
};

// The bookmark store of these commands, reached through the band library.
struct Store {
  InprocServer library;  // first, so that it goes last: the store's code lives in it
  CComPtr<IBookmarkExchange> exchange;
};

// The band library's exchange object: from the library the band's class is registered with, else
// from the one beside the program (which `pendrel install` registers). A registry another
// account could have written is not asked.
std::optional<Store> ReachStore(std::wstring& why) {
  std::vector<std::filesystem::path> libraries;
  if (!RegistryProblem())
    if (std::optional<std::wstring> registered = InprocServerPath(CLSID_PendrelBand))
      libraries.emplace_back(ToUtf8(*registered));
  if (std::optional<std::filesystem::path> beside = FindBandLibrary()) libraries.push_back(*beside);
  if (libraries.empty()) why = FromUtf8(std::string("no ") + kBandLibraryName + " beside the program");
  for (const std::filesystem::path& library : libraries) {
    try {
      CreatedObject created = CreateObjectOfLibrary(library, CLSID_BookmarkExchange, IID_IBookmarkExchange);
      CComPtr<IBookmarkExchange> exchange = created.object.QueryInterface<IBookmarkExchange>(IID_IBookmarkExchange);
      if (!exchange) throw BandCreationError(L"the bookmark store does not answer to IBookmarkExchange");
      created.object.reset();
      return Store{std::move(created.library), std::move(exchange)};
    } catch (const BandCreationError& e) {
      if (why.empty()) why = e.Why();
    }
  }
  return std::nullopt;
}

// Whether `file` holds something other than a database: neither the database file's header nor
// nothing at all (an empty file is an empty database, which `pendrel install` fills in).
bool IsOtherThanDatabase(const std::filesystem::path& file) {
  static constexpr char kHeader[] = "SQLite format 3";  // with its NUL: 16 bytes
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  char start[sizeof kHeader] = {};
  in.read(start, sizeof start);
  if (in.gcount() == 0) return false;
  return in.gcount() != static_cast<std::streamsize>(sizeof start) || std::memcmp(start, kHeader, sizeof start) != 0;
}

// Opens the store in the data folder of the settings; none, after saying why on `err`.
std::optional<Store> OpenStore(const char* command, std::ostream& err) {
  std::wstring why;
  std::optional<Store> store = ReachStore(why);
  if (!store) {
    err << "pendrel " << command << ": the bookmark store cannot be reached: " << ToUtf8(why)
        << "; run `pendrel install` first\n";
    return std::nullopt;
  }
  std::wstring folder;
  HRESULT hr = store->exchange->Open(folder);
  if (hr == BOOKMARKS_E_NO_DATA_FOLDER) {
    err << "pendrel " << command << ": no data folder is set up; run `pendrel install` first\n";
    return std::nullopt;
  }
  if (FAILED(hr)) {
    const std::filesystem::path database = std::filesystem::path(ToUtf8(folder)) / kDatabaseFileName;
    err << "pendrel " << command << ": ";
    if (std::optional<std::string> problem = DataFolderProblem(ToUtf8(folder)))
      err << *problem << "\n";
    else if (IsOtherThanDatabase(database))
      err << database.string() << " is not a bookmark database; it was left as it is. "
          << MoveAsideAdvice(database, "pendrel install") << "\n";
    else
      err << "the bookmark database in " << ToUtf8(folder) << " cannot be opened; run `pendrel install` first\n";
    return std::nullopt;
  }
  return store;
}

// Addresses that run script or carry their content inline, decided as a browser reads the
// address, and place: queries inside another browser's own store: none of them is a page to come
// back to. An address holding a NUL is damaged.
bool IsUnsupportedAddress(const std::wstring& address) {
  if (address.empty() || address.size() > kAddressColumnSize || address.find(L'\0') != std::wstring::npos) return true;
  return IsScriptAddress(address) || BrowserScheme(address) == L"place";
}

// The first of the tags of a TAGS value ("a,b"); empty when there is none.
std::wstring FirstTag(std::wstring_view tags) {
  while (!tags.empty()) {
    size_t comma = tags.find(L',');
    std::wstring tag = Trim(tags.substr(0, comma));
    if (!tag.empty() || comma == std::wstring_view::npos) return tag;
    tags.remove_prefix(comma + 1);
  }
  return {};
}

// A folder name as a category: the characters a category cannot hold, and a NUL (which would end
// the text early in the database), become blanks, and it is
// cut to the column. Empty when nothing is left of it.
std::wstring CategoryName(const std::wstring& folder) {
  std::wstring name = folder;
  for (wchar_t& c : name)
    if (c == L'\0' || kForbiddenCategoryCharacters.find(c) != std::wstring_view::npos) c = L' ';
  return Trim(std::wstring_view(name).substr(0, kCategoryColumnSize));
}

int UsageError(const char* command, std::ostream& err) {
  err << "usage: pendrel " << command << " FILE.html\n";
  return 2;
}

}  // namespace

int RunImportBookmarkFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                          StatusLine& status) {
  if (args.size() != 1 || args[0].empty()) return UsageError("import", err);
  const std::filesystem::path file = args[0];
  std::string bytes, why;
  if (!ReadBookmarkFileBytes(file, bytes, why)) {
    err << "pendrel import: cannot read " << file.string() << ": " << why << "\n";
    return 1;
  }
  BookmarkFileContents contents = ParseBookmarkFile(bytes);
  bytes = std::string();
  if (!contents.IsBookmarkFile()) {
    err << "pendrel import: " << file.string()
        << " is not a bookmark file (it has neither the bookmark-file header nor any link); nothing was imported\n";
    return 1;
  }
  std::optional<Store> store = OpenStore("import", err);
  if (!store) return 1;

  status.Show(L"Importing bookmarks... Please wait.");
  std::wstring topFolder = CategoryName(contents.heading);
  if (topFolder.empty()) topFolder = kDefaultTopFolder;
  size_t unsupported = contents.overlongLinks + contents.linksWithoutAddress;
  std::vector<ExchangedBookmark> records;
  records.reserve(contents.links.size());
  for (BookmarkFileLink& link : contents.links) {
    status.ShowProgress(L"Resolving address " + link.title + L"...");
    if (IsUnsupportedAddress(link.address)) {
      ++unsupported;
      continue;
    }
    // A folder the exporting program made for all its links says nothing of the link; its first
    // tag does (buku and Firefox write a link's tags, and Pendrel its category, as TAGS).
    std::wstring category;
    if (link.place != BookmarkFilePlace::OwnFolder) category = CategoryName(FirstTag(link.tags));
    if (category.empty()) category = CategoryName(link.folder);
    if (category.empty()) category = topFolder;
    std::replace(link.title.begin(), link.title.end(), L'\0', L' ');
    if (link.title.size() > kDescriptionColumnSize) link.title.resize(kDescriptionColumnSize);
    records.push_back({std::move(category), std::move(link.title), std::move(link.address)});
  }

  ExchangeCounts counts;
  StatusProgress progress(status);
  std::wstring stopped;
  HRESULT hr = store->exchange->AddBookmarks(records, &progress, counts, stopped);
  if (hr == BOOKMARKS_E_NOT_STORED) {
    status.End();
    err << "pendrel import: the bookmarks could not be stored; nothing was imported\n";
    return 1;
  }
  if (FAILED(hr)) {
    status.End();
    err << "pendrel import: the import stopped: " << ToUtf8(stopped) << "\n";
    return 1;
  }
  status.Show(L"Successfully imported from IE bookmarks");
  status.End();
  size_t skipped = counts.alreadyStored + unsupported + counts.refused;
  out << "imported " << counts.stored << ", skipped " << skipped << " (already stored " << counts.alreadyStored
      << ", unsupported " << unsupported;
  if (counts.refused) out << ", refused by the database " << counts.refused;
  out << ")\n";
  return 0;
}

int RunExportBookmarkFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                          StatusLine& status) {
  if (args.size() != 1 || args[0].empty()) return UsageError("export", err);
  const std::filesystem::path file = args[0];
  std::optional<Store> store = OpenStore("export", err);
  if (!store) return 1;

  status.Show(L"Exporting bookmarks... Please wait.");
  std::vector<ExchangedBookmark> records;
  std::wstring unread;
  if (FAILED(store->exchange->LoadAllBookmarks(records, unread))) {
    status.End();
    err << "pendrel export: the bookmarks could not be read: " << ToUtf8(unread) << "\n";
    return 1;
  }
  // The store gives them by address; the all-bookmarks page lists them by description, and
  // bookmarks of the same description stay in address order.
  std::stable_sort(records.begin(), records.end(),
                   [](const ExchangedBookmark& a, const ExchangedBookmark& b) {
                     return a.description < b.description;
                   });
  std::map<std::wstring, std::vector<BookmarkFileLink>> byCategory;  // in category order, as the box lists them
  for (ExchangedBookmark& record : records) {
    status.ShowProgress(L"Resolving address " + record.address + L"...");
    // The category goes along as the link's tag too, so that it survives a program that keeps
    // tags but not folders. A tag cannot hold a comma: such a category goes by its folder alone.
    std::wstring tags = record.category.find(L',') == std::wstring::npos ? record.category : std::wstring();
    byCategory[record.category].push_back(
        {{}, std::move(record.description), std::move(record.address), std::move(tags), BookmarkFilePlace::Top});
  }
  std::vector<BookmarkFileFolder> folders;
  folders.reserve(byCategory.size());
  for (auto& [category, links] : byCategory) folders.push_back({category, std::move(links)});

  std::string why;
  if (!ReplaceFileContents(file, FormatBookmarkFile(folders, std::time(nullptr)), why)) {
    status.End();
    err << "pendrel export: cannot write " << file.string() << ": " << why << "\n";
    return 1;
  }
  status.Show(L"Successfully exported to IE bookmarks");
  status.End();
  size_t named = byCategory.size() - byCategory.count(std::wstring());
  out << "exported " << records.size() << " in " << named << (named == 1 ? " folder" : " folders") << "\n";
  return 0;
}

namespace {

StatusDisplay TerminalStatus() { return ::isatty(STDERR_FILENO) ? StatusDisplay::Terminal : StatusDisplay::Off; }

}  // namespace

int ImportBookmarkFileCommand(const std::vector<std::string>& args) {
  StatusLine status(std::cerr, TerminalStatus());
  return RunImportBookmarkFile(args, std::cout, std::cerr, status);
}

int ExportBookmarkFileCommand(const std::vector<std::string>& args) {
  StatusLine status(std::cerr, TerminalStatus());
  return RunExportBookmarkFile(args, std::cout, std::cerr, status);
}
