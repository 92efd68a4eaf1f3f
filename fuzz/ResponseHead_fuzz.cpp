// The link checker's handling of a server's response head: the lines gathered as the internet
// client receives them, the head handed to the checker, the Location header found in it and the
// address it names parsed for the redirect. The input is the server's bytes; lines are handed
// over as libcurl does, each with its line feed.
#include "fuzz/FuzzSupport.h"
#include "links/CLinkChecker.h"
#include "platform/inet/ParseUrl.h"
#include "platform/inet/ResponseHead.h"
#include "platform/text/Format.h"
#include "platform/text/WideText.h"

namespace {

// The status code of a status line "HTTP/1.1 301 Moved", as the client library reads it; 0 for
// another line.
long StatusOf(std::string_view line) {
  if (!line.starts_with("HTTP/")) return 0;
  size_t space = line.find(' ');
  if (space == std::string_view::npos || space + 4 > line.size()) return 0;
  long status = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    status = status * 10 + (line[i] - '0');
  }
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = AsBytes(data, size);
  ResponseHead head;
  long status = 0;
  while (!bytes.empty() && !head.Complete() && !head.TooLarge()) {
    size_t end = bytes.find('\n');
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end);
    if (long s = StatusOf(line)) status = s;
    head.Add(line, status);
  }
  const std::string& text = head.Text();
  FUZZ_CHECK(text.size() <= ResponseHead::kMaxBytes, "the head grew past its bound");
  FUZZ_CHECK(text.empty() || text.ends_with("\r\n"), "a head line without its line end");
  if (head.TooLarge() || !head.Complete()) return 0;
  FUZZ_CHECK(text.ends_with("\r\n\r\n") || text == "\r\n", "a complete head without its empty line");

  const std::wstring wide = FromUtf8(text);
  std::wstring location;
  if (CLinkChecker::FindLocation(wide, location)) {
    FUZZ_CHECK(location.find(L"\r\n") == std::wstring::npos, "the location runs into the next line");
    InternetService service = InternetService::Unknown;
    std::wstring server, object;
    INTERNET_PORT port = 0;
    if (AfxParseURL(location, service, server, object, port) && service == InternetService::Http) {
      FUZZ_CHECK(!server.empty(), "an http address without a server");
      FUZZ_CHECK(object.empty() || object[0] == L'/', "an object that does not start with /");
    }
  }
  Format(L"Error: Got status code %i", static_cast<DWORD>(status));
  return 0;
}
