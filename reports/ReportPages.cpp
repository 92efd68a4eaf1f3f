// The page writers: a bookmark page from any query over LinksData, and the history page. Both
// rewrite the one page file of the data folder and return its path for the browser to open.
#include "band/ModuleMessage.h"
#include "platform/text/HtmlText.h"
#include "reports/PageFile.h"
#include "reports/PageFragments.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

// Closes the page file and the cursor however the write ends, so that an error halfway leaves
// neither open for the next request.
class PageWrite {
 public:
  PageWrite(PageFile& file, CADORecordset& cursor) : file_(file), cursor_(cursor) {}
  ~PageWrite() {
    file_.Close();
    try {
      cursor_.Close();
    } catch (const CCustomException&) {
    }
  }
  PageWrite(const PageWrite&) = delete;
  PageWrite& operator=(const PageWrite&) = delete;

 private:
  PageFile& file_;
  CADORecordset& cursor_;
};

// A row format with its "%s" places filled in order. The row formats hold no other directive,
// and filling them directly spares parsing the format once per row.
std::wstring FillRow(std::wstring_view format, std::initializer_list<std::wstring_view> fields) {
  std::wstring row;
  row.reserve(format.size() + 256);
  auto field = fields.begin();
  size_t pos = 0;
  for (size_t hit; (hit = format.find(L"%s", pos)) != std::wstring_view::npos && field != fields.end(); ++field) {
    row.append(format.substr(pos, hit - pos)).append(*field);
    pos = hit + 2;
  }
  return row.append(format.substr(pos));
}

void WritePageStart(PageFile& file) {
  file.Write(page::kByteOrderMark);
  file.Write(page::kPageHead);
  for (const wchar_t* line : page::kStyleLines) file.Write(line);
  file.Write(page::kTableOpen);
}

}  // namespace

std::wstring CBookmarkDatabase::WriteBookmarkPage(const std::wstring& query) {
  CADORecordset& cursor = BookmarkCursor();
  cursor.Open(query);
  PageWrite guard(*pageFile_, cursor);
  if (!pageFile_->Open(pagePath_)) return L"";
  WritePageStart(*pageFile_);
  while (!cursor.IsEOF()) {
    std::wstring address = EscapeHtml(cursor.GetFieldText(L"HomePage"));
    std::wstring description = EscapeHtml(cursor.GetFieldText(L"Description"));
    pageFile_->Write(FillRow(page::kBookmarkRowFormat, {description, address, address}));
    cursor.MoveNext();
  }
  pageFile_->Write(page::kPageTail);
  return pagePath_;
}

std::wstring CBookmarkDatabase::WriteHistoryPage() {
  CADORecordset& cursor = BookmarkCursor();
  PageWrite guard(*pageFile_, cursor);
  if (!pageFile_->Open(pagePath_)) return L"";
  try {
    cursor.Open(L"select * from history order by createtime desc");
  } catch (const CCustomException& e) {
    ShowStoreError(e, L"");  // the message alone: the query is the page's own
    return L"";
  }
  WritePageStart(*pageFile_);
  while (!cursor.IsEOF()) {
    std::wstring address = EscapeHtml(cursor.GetFieldText(L"URL"));
    std::wstring title = EscapeHtml(cursor.GetFieldText(L"Title"));
    std::wstring time = EscapeHtml(cursor.GetFieldText(L"CreateTime"));
    pageFile_->Write(FillRow(page::kHistoryRowFormat, {time, title, address, address}));
    cursor.MoveNext();
  }
  pageFile_->Write(page::kPageTail);
  return pagePath_;
}
