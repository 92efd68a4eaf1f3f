// The translation of the yes/no literals in the statements the store writes. Whatever the text,
// quoted texts and bracketed names come through unchanged, only the words yes and no change, and
// translating twice changes nothing more.
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "platform/ado/JetSql.h"
#include "platform/text/WideText.h"

namespace {

// Whether `once` is `statement` with some words yes made 1 and some words no made 0, and no
// other change.
bool OnlyLiteralsChanged(std::wstring_view statement, std::wstring_view once) {
  size_t i = 0, j = 0;
  while (i < statement.size() && j < once.size()) {
    if (statement[i] == once[j]) {
      ++i, ++j;
      continue;
    }
    if (once[j] == L'1' && EqualsNoCase(statement.substr(i, 3), L"yes")) {
      i += 3, ++j;
    } else if (once[j] == L'0' && EqualsNoCase(statement.substr(i, 2), L"no")) {
      i += 2, ++j;
    } else {
      return false;
    }
  }
  return i == statement.size() && j == once.size();
}

void Check(const std::wstring& statement) {
  const std::wstring once = TranslateJetLiterals(statement);
  FUZZ_CHECK(TranslateJetLiterals(once) == once, "translating twice changes the statement again");
  FUZZ_CHECK(OnlyLiteralsChanged(statement, once), "the translation changed more than the yes/no words");
  // A statement without the words stays as it is.
  if (ToLower(statement).find(L"yes") == std::wstring::npos && ToLower(statement).find(L"no") == std::wstring::npos)
    FUZZ_CHECK(once == statement, "a statement without yes or no changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(FromUtf8(AsBytes(data, size)));
  // Wide characters of any value, as a statement built from outside text may hold.
  std::wstring raw(size / sizeof(wchar_t), L'\0');
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * sizeof(wchar_t));
  Check(raw);

  // Quoted, the same text is a value and never changes, whatever words it holds.
  const std::wstring text = FromUtf8(AsBytes(data, size));
  const std::wstring quoted = L"select * from LinksData where Description = '" + ReplaceAll(text, L"'", L"''") + L"'";
  FUZZ_CHECK(TranslateJetLiterals(quoted) == quoted, "a quoted text changed");
  if (text.find(L']') == std::wstring::npos) {
    const std::wstring bracketed = L"select [" + text + L"] from LinksData";
    FUZZ_CHECK(TranslateJetLiterals(bracketed) == bracketed, "a bracketed name changed");
  }
  return 0;
}
