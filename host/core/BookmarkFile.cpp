#include "host/core/BookmarkFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "host/core/HtmlEntities.h"
#include "platform/text/TextDecoding.h"
#include "platform/text/HtmlText.h"
#include "platform/text/WideText.h"

namespace {

// Attributes of one tag that are looked at; the rest of a tag is read past.
constexpr size_t kMaxAttributesPerTag = 256;
// Characters of a tag name that are kept; the names this format uses are shorter.
constexpr size_t kMaxTagName = 8;

constexpr std::string_view kHeaderType = "netscape-bookmark-file-1";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool EqualsAsciiNoCase(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != lower[i]) return false;
  return true;
}

bool ContainsAsciiNoCase(std::string_view text, std::string_view lower) {
  return std::search(text.begin(), text.end(), lower.begin(), lower.end(),
                     [](char a, char b) { return LowerAscii(a) == b; }) != text.end();
}

// A text as it is shown: references decoded, tabs and line breaks as blanks, ends trimmed.
std::wstring ShownText(std::string_view raw) {
  std::wstring text = DecodeHtmlEntities(raw);
  for (wchar_t& c : text)
    if (c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f') c = L' ';
  return Trim(text);
}

struct Tag {
  std::string name;  // lower case, at most kMaxTagName characters
  bool closing = false;
  bool hasHref = false;
  bool hrefOverlong = false;
  std::string_view href;  // raw, at most kMaxBookmarkTextBytes
  bool hasTags = false;
  std::string_view tags;  // raw TAGS value, at most kMaxBookmarkTextBytes
  bool toolbarFolder = false;  // PERSONAL_TOOLBAR_FOLDER="true"
};

class BookmarkFileParser {
 public:
  explicit BookmarkFileParser(std::string_view text) : text_(text) {}

  BookmarkFileContents Run() {
    while (at_ < text_.size()) {
      size_t open = text_.find('<', at_);
      if (open == std::string_view::npos) open = text_.size();
      Keep(text_.substr(at_, open - at_));
      at_ = open;
      if (at_ < text_.size()) ReadMarkup();
    }
    EndCapture();
    // Only now is it known whether the top list held a single folder.
    if (topFolders_ == 1)
      for (size_t i = 0; i < contents_.links.size(); ++i)
        if (inTopFolder_[i]) contents_.links[i].place = BookmarkFilePlace::CommonFolder;
    return std::move(contents_);
  }

 private:
  enum class Capture { None, Heading, Folder, Link };

  // At a '<': a comment, a declaration, a tag, or a '<' that is only text.
  void ReadMarkup() {
    std::string_view rest = text_.substr(at_);
    if (rest.starts_with("<!--")) {
      size_t end = text_.find("-->", at_ + 2);
      at_ = end == std::string_view::npos ? text_.size() : end + 3;
      return;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
      size_t end = text_.find('>', at_);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view declaration = text_.substr(at_ + 2, end - at_ - 2);
      if (EqualsAsciiNoCase(declaration.substr(0, 7), "doctype") && ContainsAsciiNoCase(declaration, kHeaderType))
        contents_.hasHeader = true;
      at_ = std::min(end + 1, text_.size());
      return;
    }
    size_t nameStart = at_ + (rest.starts_with("</") ? 2 : 1);
    if (nameStart >= text_.size() || !IsAsciiLetter(text_[nameStart])) {
      Keep(text_.substr(at_, 1));
      ++at_;
      return;
    }
    Tag tag;
    tag.closing = nameStart == at_ + 2;
    if (ReadTag(nameStart, tag)) OnTag(tag);
  }

  // Reads the tag whose name starts at `i` up to its '>'. False for a tag the file ends inside,
  // which browsers drop.
  bool ReadTag(size_t i, Tag& tag) {
    const size_t n = text_.size();
    while (i < n && !IsHtmlSpace(text_[i]) && text_[i] != '>' && text_[i] != '/') {
      if (tag.name.size() < kMaxTagName) tag.name += LowerAscii(text_[i]);
      ++i;
    }
    size_t attributes = 0;
    while (i < n) {
      while (i < n && (IsHtmlSpace(text_[i]) || text_[i] == '/')) ++i;
      if (i >= n) break;
      if (text_[i] == '>') {
        at_ = i + 1;
        return true;
      }
      size_t nameStart = i;
      ++i;  // a name has at least one character, even a stray '=' or quote
      while (i < n && !IsHtmlSpace(text_[i]) && text_[i] != '=' && text_[i] != '>' && text_[i] != '/') ++i;
      std::string_view name = text_.substr(nameStart, i - nameStart);
      while (i < n && IsHtmlSpace(text_[i])) ++i;
      std::string_view value;
      if (i < n && text_[i] == '=') {
        ++i;
        while (i < n && IsHtmlSpace(text_[i])) ++i;
        if (i < n && (text_[i] == '"' || text_[i] == '\'')) {
          size_t close = text_.find(text_[i], i + 1);
          if (close == std::string_view::npos) break;
          value = text_.substr(i + 1, close - i - 1);
          i = close + 1;
        } else {
          size_t start = i;
          while (i < n && !IsHtmlSpace(text_[i]) && text_[i] != '>') ++i;
          value = text_.substr(start, i - start);
        }
      }
      if (++attributes > kMaxAttributesPerTag) continue;
      if (!tag.hasHref && EqualsAsciiNoCase(name, "href")) {
        tag.hasHref = true;
        tag.hrefOverlong = value.size() > kMaxBookmarkTextBytes;
        tag.href = value.substr(0, kMaxBookmarkTextBytes);
      } else if (!tag.hasTags && EqualsAsciiNoCase(name, "tags")) {
        tag.hasTags = true;
        tag.tags = value.substr(0, kMaxBookmarkTextBytes);
      } else if (EqualsAsciiNoCase(name, "personal_toolbar_folder")) {
        tag.toolbarFolder = EqualsAsciiNoCase(value, "true");
      }
    }
    at_ = n;
    return false;
  }

  void OnTag(const Tag& tag) {
    const std::string& name = tag.name;
    if (tag.closing) {
      if (name == "a" || name == "h3" || name == "h1") {
        EndCapture();
      } else if (name == "dl") {
        EndCapture();
        pendingFolder_.reset();
        if (overflowDepth_ > 0)
          --overflowDepth_;
        else if (!folders_.empty())
          folders_.pop_back();
      }
      return;
    }
    if (name == "a") {
      EndCapture();
      pendingFolder_.reset();
      if (!tag.hasHref) {  // an anchor without an address is no bookmark, but it is counted
        ++contents_.linksWithoutAddress;
        return;
      }
      linkAddress_ = tag.href;
      linkTags_ = tag.tags;
      linkOverlong_ = tag.hrefOverlong;
      StartCapture(Capture::Link);
    } else if (name == "h3") {
      EndCapture();
      pendingToolbar_ = tag.toolbarFolder;
      StartCapture(Capture::Folder);
    } else if (name == "h1") {
      EndCapture();
      StartCapture(Capture::Heading);
    } else if (name == "dl") {
      EndCapture();
      // A list right after a folder's name holds that folder's items; any other list (the top
      // one, or a stray one), and a folder without a name, stays in the folder around it.
      OpenList list = folders_.empty() ? OpenList{} : folders_.back();
      if (pendingFolder_ && !pendingFolder_->empty()) {
        list.name = std::move(*pendingFolder_);
        list.toolbar = pendingToolbar_;
        if (++list.namedDepth == 1) ++topFolders_;
      }
      pendingFolder_.reset();
      if (folders_.size() < kMaxBookmarkFolderDepth)
        folders_.push_back(std::move(list));
      else
        ++overflowDepth_;
    } else if (name == "dt") {
      // The next item begins: an unclosed link or name ends here, and a folder name that no list
      // followed was an empty folder.
      EndCapture();
      pendingFolder_.reset();
    } else if (name == "dd" || name == "hr") {
      EndCapture();
    }
  }

  void StartCapture(Capture kind) {
    capture_ = kind;
    captured_.clear();
  }

  void Keep(std::string_view text) {
    if (capture_ == Capture::None || captured_.size() >= kMaxBookmarkTextBytes) return;
    captured_.append(text.substr(0, kMaxBookmarkTextBytes - captured_.size()));
  }

  void EndCapture() {
    Capture kind = std::exchange(capture_, Capture::None);
    switch (kind) {
      case Capture::None:
        return;
      case Capture::Heading:
        if (contents_.heading.empty()) contents_.heading = ShownText(captured_);
        return;
      case Capture::Folder:
        pendingFolder_ = ShownText(captured_);
        return;
      case Capture::Link:
        if (linkOverlong_) {
          ++contents_.overlongLinks;
          return;
        }
        AddLink();
        return;
    }
  }

  void AddLink() {
    const size_t namedDepth = folders_.empty() ? 0 : folders_.back().namedDepth;
    BookmarkFileLink link{CurrentFolder(), ShownText(captured_), Trim(DecodeHtmlEntities(linkAddress_)),
                          ShownText(linkTags_), BookmarkFilePlace::OwnFolder};
    if (namedDepth == 0)
      link.place = BookmarkFilePlace::Top;
    else if (namedDepth == 1 && folders_.back().toolbar)
      link.place = BookmarkFilePlace::CommonFolder;
    contents_.links.push_back(std::move(link));
    inTopFolder_.push_back(namedDepth == 1);
  }

  std::wstring CurrentFolder() const { return folders_.empty() ? std::wstring() : folders_.back().name; }

  // A list that is open: the folder its items go to.
  struct OpenList {
    std::wstring name;      // the innermost folder with a name around it; empty for none
    size_t namedDepth = 0;  // folders with a name around it, itself included
    bool toolbar = false;   // that innermost folder is marked as the toolbar folder
  };

  std::string_view text_;
  size_t at_ = 0;
  BookmarkFileContents contents_;
  std::vector<OpenList> folders_;      // each open list, outermost first
  size_t overflowDepth_ = 0;           // lists open beyond kMaxBookmarkFolderDepth
  std::optional<std::wstring> pendingFolder_;
  bool pendingToolbar_ = false;  // the pending folder is marked as the toolbar folder
  size_t topFolders_ = 0;        // folders with a name opened in no other named folder
  std::vector<bool> inTopFolder_;  // per link: it stands in a top folder and no deeper
  Capture capture_ = Capture::None;
  std::string captured_;
  std::string_view linkAddress_;
  std::string_view linkTags_;
  bool linkOverlong_ = false;
};

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

std::string ErrnoText() { return std::strerror(errno); }

void AppendEscaped(std::string& out, const std::wstring& text) { out += ToUtf8(EscapeHtml(text)); }

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace

BookmarkFileContents ParseBookmarkFile(std::string_view bytes) {
  DecodedPage page = DecodePage(bytes.substr(0, kMaxBookmarkFileBytes), "");
  return BookmarkFileParser(page.utf8).Run();
}

bool ReadBookmarkFileBytes(const std::filesystem::path& path, std::string& bytes, std::string& why) {
  // Without O_NONBLOCK the open of a FIFO would wait for a writer for ever; for a regular file
  // the flag changes nothing. The name is the user's own choice, so a link to a file is followed.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  File file(fd < 0 ? nullptr : ::fdopen(fd, "rb"), &std::fclose);
  if (!file) {
    why = ErrnoText();
    if (fd >= 0) ::close(fd);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    why = ErrnoText();
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    why = "not a regular file";
    return false;
  }
  const std::string tooLarge = "larger than " + std::to_string(kMaxBookmarkFileBytes >> 20) + " MiB";
  if (static_cast<unsigned long long>(info.st_size) > kMaxBookmarkFileBytes) {
    why = tooLarge;
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (bytes.size() + n > kMaxBookmarkFileBytes) {  // a file that grows while it is read
      why = tooLarge;
      return false;
    }
    bytes.append(buffer, n);
  }
  if (std::ferror(file.get())) {
    why = ErrnoText();
    return false;
  }
  return true;
}

std::string FormatBookmarkFile(const std::vector<BookmarkFileFolder>& folders, std::int64_t addDate) {
  const std::string date = std::to_string(addDate);
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- Bookmarks exported by Pendrel. -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n"
      "<DL><p>\n";
  auto writeLinks = [&](const std::vector<BookmarkFileLink>& links, std::string_view indent) {
    for (const BookmarkFileLink& link : links) {
      out += indent;
      out += "<DT><A HREF=\"";
      AppendEscaped(out, link.address);
      out += "\" ADD_DATE=\"" + date + "\"";
      if (!link.tags.empty()) {
        out += " TAGS=\"";
        AppendEscaped(out, link.tags);
        out += "\"";
      }
      out += ">";
      AppendEscaped(out, link.title);
      out += "</A>\n";
    }
  };
  for (const BookmarkFileFolder& folder : folders) {
    if (folder.name.empty()) {
      writeLinks(folder.links, "    ");
      continue;
    }
    out += "    <DT><H3 ADD_DATE=\"" + date + "\" LAST_MODIFIED=\"" + date + "\">";
    AppendEscaped(out, folder.name);
    out += "</H3>\n    <DL><p>\n";
    writeLinks(folder.links, "        ");
    out += "    </DL><p>\n";
  }
  out += "</DL><p>\n";
  return out;
}

bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes, std::string& why) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  // Appended, not built with + onto a temporary, which g++ 12 misreads as an overlapping copy.
  std::string name = ".";
  name += path.filename().string();
  name += ".XXXXXX";
  std::string pattern = (folder / name).string();
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    why = ErrnoText();
    return false;
  }
  TemporaryFile temporary(pattern);
  File file(::fdopen(fd, "wb"), &std::fclose);
  if (!file) {
    why = ErrnoText();
    ::close(fd);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                 std::fflush(file.get()) == 0 && ::fsync(::fileno(file.get())) == 0;
  if (!written) why = ErrnoText();
  if (std::fclose(file.release()) != 0 && written) {
    why = ErrnoText();
    written = false;
  }
  if (!written) return false;
  if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
    why = ErrnoText();
    return false;
  }
  temporary.Release();
  return true;
}
