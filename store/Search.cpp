// The search: typed words become an AND or OR condition over addresses and descriptions.
#include <algorithm>

#include "platform/text/Format.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

// A NUL separates words too: no stored text can hold one, and inside a statement it would cut
// the statement short.
constexpr std::wstring_view kWordSeparators(L" ,;\0", 4);

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](wchar_t x, wchar_t y) {
           return lower(x) == lower(y);
         });
}

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

// The conjunction as it goes into the statement: AND or OR, whatever the case of the stored
// condition. Only these two words may go into it; anything else is refused with what to do.
std::wstring StatementConjunction(const std::wstring& condition) {
  if (EqualsAsciiNoCase(condition, L"AND")) return L"AND";
  if (EqualsAsciiNoCase(condition, L"OR")) return L"OR";
  throw CCustomException(L"The search condition \"" + condition +
                         L"\" is neither AND nor OR, so words cannot be combined. Choose \"Switch to AND search "
                         L"condition\" or \"Switch to OR search condition\" in the Options menu.");
}

}  // namespace

std::wstring CBookmarkDatabase::BuildSearchCondition(const std::wstring& text, const std::wstring& conjunction) {
  const std::vector<std::wstring> words = SplitWords(text);
  // A single word needs no conjunction, whatever the condition holds.
  const std::wstring joiner = words.size() > 1 ? StatementConjunction(conjunction) : std::wstring();
  std::wstring condition = L"where ";
  bool first = true;
  for (const std::wstring& word : words) {
    const std::wstring quoted = DoubleQuotes(word);
    if (!first) condition += L" " + joiner + L" ";
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
