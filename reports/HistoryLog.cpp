// The history log: one row of History per visit the toolbar reports while logging is on, except
// for addresses that are bookmarks. The table fills in CreateTime itself; rows are never changed,
// only removed all together.
#include "platform/text/Format.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

void CBookmarkDatabase::AddHistoryEntry(const std::wstring& address, const std::wstring& title) {
  RequireConnection();
  if (address.empty()) return;
  const std::wstring quotedAddress = DoubleQuotes(address);
  const std::wstring quotedTitle = DoubleQuotes(title);
  // A store error here reaches the screen refresh, which reports it.
  if (BookmarkExists(quotedAddress)) return;
  try {
    Connection().Execute(Format(L"insert into History (URL, Title) values ('%s', '%s')", quotedAddress, quotedTitle));
  } catch (const CCustomException&) {
    // Logging runs on every download of a page: a visit that cannot be stored (an address or a
    // title too long for its column, a busy file) is left out rather than interrupting browsing.
  }
}

void CBookmarkDatabase::ClearHistory() {
  RequireConnection();
  Connection().Execute(L"delete from history");
}
