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

#include "host/cli/Installer.h"
#include "host/core/BookmarkFile.h"
#include "host/core/UserFolders.h"
#include "platform/text/WideText.h"
#include "published/BookmarkLimits.h"
#include "store/CBookmarkDatabase.h"
#include "toolbar/Settings.h"

namespace {

constexpr wchar_t kDefaultTopFolder[] = L"Bookmarks";
// Addresses that run script, carry their content inline, or name a query inside another
// browser's own store: none of them is a page to come back to.
constexpr std::wstring_view kUnsupportedSchemes[] = {L"javascript:", L"data:", L"place:"};

// The store object of these commands: it shows each address the bulk operations handle.
class StatusDatabase final : public CBookmarkDatabase {
 public:
  StatusDatabase(std::wstring dataFolder, StatusLine& status)
      : CBookmarkDatabase(std::move(dataFolder)), status_(status) {}
  void ReportProgress(const std::wstring& address) override {
    status_.ShowProgress(L"Processing address " + address + L"...");
  }

 private:
  StatusLine& status_;
};

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
CComPtr<StatusDatabase> OpenStore(const char* command, StatusLine& status, std::ostream& err) {
  std::wstring folder;
  try {
    folder = ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue);
  } catch (const CCustomException&) {
    err << "pendrel " << command << ": no data folder is set up; run `pendrel install` first\n";
    return {};
  }
  auto store = MakeCounted<StatusDatabase>(folder, status);
  if (!store->IsConnected()) {
    const std::filesystem::path database = std::filesystem::path(ToUtf8(folder)) / kDatabaseFileName;
    err << "pendrel " << command << ": ";
    if (std::optional<std::string> problem = DataFolderProblem(ToUtf8(folder)))
      err << *problem << "\n";
    else if (IsOtherThanDatabase(database))
      err << database.string() << " is not a bookmark database; it was left as it is. "
          << MoveAsideAdvice(database, "pendrel install") << "\n";
    else
      err << "the bookmark database in " << ToUtf8(folder) << " cannot be opened; run `pendrel install` first\n";
    return {};
  }
  return store;
}

bool IsUnsupportedAddress(const std::wstring& address) {
  if (address.empty() || address.size() > kAddressColumnSize) return true;
  std::wstring lower = ToLower(address.substr(0, 16));
  return std::any_of(std::begin(kUnsupportedSchemes), std::end(kUnsupportedSchemes),
                     [&](std::wstring_view scheme) { return lower.starts_with(scheme); });
}

// A folder name as a category: the characters a category cannot hold become blanks, and it is
// cut to the column. Empty when nothing is left of it.
std::wstring CategoryName(const std::wstring& folder) {
  std::wstring name = folder;
  for (wchar_t& c : name)
    if (kForbiddenCategoryCharacters.find(c) != std::wstring_view::npos) c = L' ';
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
  CComPtr<StatusDatabase> store = OpenStore("import", status, err);
  if (!store) return 1;

  status.Show(L"Importing bookmarks... Please wait.");
  std::wstring topFolder = CategoryName(contents.heading);
  if (topFolder.empty()) topFolder = kDefaultTopFolder;
  size_t unsupported = contents.overlongLinks;
  CBookmarkRecordList records;
  records.reserve(contents.links.size());
  for (BookmarkFileLink& link : contents.links) {
    status.ShowProgress(L"Resolving address " + link.title + L"...");
    if (IsUnsupportedAddress(link.address)) {
      ++unsupported;
      continue;
    }
    std::wstring category = CategoryName(link.folder);
    if (category.empty()) category = topFolder;
    if (link.title.size() > kDescriptionColumnSize) link.title.resize(kDescriptionColumnSize);
    records.emplace_back(std::move(category), std::move(link.title), std::move(link.address));
  }

  BulkAddCounts counts;
  try {
    if (store->AddBookmarks(records, &counts) == StoreOutcome::ErrorReported) {
      status.End();
      err << "pendrel import: the bookmarks could not be stored; nothing was imported\n";
      return 1;
    }
  } catch (const CCustomException& e) {
    status.End();
    err << "pendrel import: the import stopped: " << ToUtf8(e.GetMessage()) << "\n";
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
  CComPtr<StatusDatabase> store = OpenStore("export", status, err);
  if (!store) return 1;

  status.Show(L"Exporting bookmarks... Please wait.");
  CBookmarkRecordList records;
  try {
    store->LoadAllBookmarks(records);
  } catch (const CCustomException& e) {
    status.End();
    err << "pendrel export: the bookmarks could not be read: " << ToUtf8(e.GetMessage()) << "\n";
    return 1;
  }
  // The store gives them by address; the all-bookmarks page lists them by description, and
  // bookmarks of the same description stay in address order.
  std::stable_sort(records.begin(), records.end(),
                   [](const CBookmarkRecord& a, const CBookmarkRecord& b) { return a.description < b.description; });
  std::map<std::wstring, std::vector<BookmarkFileLink>> byCategory;  // in category order, as the box lists them
  for (CBookmarkRecord& record : records) {
    status.ShowProgress(L"Resolving address " + record.address + L"...");
    byCategory[record.category].push_back({{}, std::move(record.description), std::move(record.address)});
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
