// The search: the words a person types become the condition of the statement the bookmark page is
// read with. Whatever the words, the statement is one the engine takes as a single statement, and
// it finds a bookmark that holds every word (AND) or one of them (OR), however the words are
// spelled: quotes, wild cards, yes and no, characters beyond ASCII.
#include <sqlite3.h>

#include "fuzz/FuzzSupport.h"
#include "platform/ado/Connection.h"
#include "platform/com/ComError.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

CComPtr<ado::Connection> OpenStore() {
  const std::wstring& folder = FuzzEnvironment::Get().DataFolder();
  CComPtr<ado::Connection> connection;
  FUZZ_CHECK(SUCCEEDED(ado::CreateConnection(connection)), "cannot make a connection");
  connection->Open(L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + L"/Bookmark.mdb", L"", L"", 0);
  return connection;
}

bool HasWord(const std::wstring& text) { return text.find_first_not_of(std::wstring_view(L" ,;\0", 4)) != std::wstring::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CComPtr<ado::Connection> connection = OpenStore();
  if (size == 0) return 0;
  const std::wstring conjunction = data[0] & 1 ? L"OR" : L"AND";
  const std::wstring text = FromUtf8(AsBytes(data + 1, size - 1));
  std::wstring condition;
  try {
    condition = CBookmarkDatabase::BuildSearchCondition(text, conjunction);
  } catch (const CCustomException& e) {
    FuzzFailure("the condition for a known conjunction raised: " + ToUtf8(e.GetMessage()));
  }
  if (!HasWord(text)) return 0;  // no search runs without a word

  try {
    // The statement the search runs, as the engine takes it.
    connection->Prepare(L"select * from LinksData " + condition + L" order by Description");
    // The same condition over one bookmark whose address is the typed text itself, which holds
    // every word: it is found.
    ado::StatementHandle found = connection->Prepare(
        L"select * from (select ?1 as HomePage, 'none' as Description, 'c' as Category) " + condition);
    // No stored text holds a NUL; the bookmark has a blank there.
    const std::string address = ToUtf8(ReplaceAll(text, std::wstring_view(L"\0", 1), L" "));
    sqlite3_bind_text(found.get(), 1, address.data(), static_cast<int>(address.size()), SQLITE_TRANSIENT);
    FUZZ_CHECK(sqlite3_step(found.get()) == SQLITE_ROW, "a bookmark holding every word is not found");
  } catch (const ComError& e) {
    FuzzFailure("the search statement is refused: " + ToUtf8(e.Description().value_or(e.ErrorMessage())));
  }
  return 0;
}
