// The search: typed words become an AND or OR condition over addresses and descriptions.
#include "platform/text/Format.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

// A NUL separates words too: no stored text can hold one, and inside a statement it would cut
// the statement short.
constexpr std::wstring_view kWordSeparators(L" ,;\0", 4);

std::vector<std::wstring> SplitWords(const std::wstring& text) {
  std::vector<std::wstring> words;
  size_t pos = 0;
  while ((pos = text.find_first_not_of(kWordSeparators, pos)) != std::wstring::npos) {
    size_t end = text.find_first_of(kWordSeparators, pos);
    if (end == std::wstring::npos) end = text.size();
    words.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

}  // namespace

std::wstring CBookmarkDatabase::BuildSearchCondition(const std::wstring& text, const std::wstring& conjunction) {
  // The conjunction goes into the statement as it is, so only the two known words may.
  if (conjunction != L"AND" && conjunction != L"OR")
    throw CCustomException(L"Unknown search condition \"" + conjunction + L"\": it must be AND or OR.");
  std::wstring condition = L"where ";
  bool first = true;
  for (const std::wstring& word : SplitWords(text)) {
    const std::wstring quoted = DoubleQuotes(word);
    if (!first) condition += L" " + conjunction + L" ";
    first = false;
    condition += L"(HomePage like '%" + quoted + L"%'";
    condition += L" or Description like '%" + quoted + L"%')";
  }
  return condition;
}

std::wstring CBookmarkDatabase::WriteSearchPage(const std::wstring& text, const std::wstring& conjunction) {
  // Without a word there is nothing to search for: no query runs and no page is written.
  if (text.find_first_not_of(kWordSeparators) == std::wstring::npos) return L"";
  return WriteBookmarkPage(L"select * from LinksData " + BuildSearchCondition(text, conjunction) +
                           L" order by Description");
}
