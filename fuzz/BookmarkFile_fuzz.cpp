// The bookmark-file importer: an exported bookmark file, as any browser or person may have written
// it. Whatever it holds, reading takes bounded time and memory, and the links read, written out in
// their folders and read again, come back unchanged, tags included.
#include "fuzz/FuzzSupport.h"
#include "host/core/BookmarkFile.h"
#include "platform/text/WideText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const BookmarkFileContents contents = ParseBookmarkFile(AsBytes(data, size));
  for (const BookmarkFileLink& link : contents.links)
    FUZZ_CHECK(ToUtf8(link.address).size() <= kMaxBookmarkTextBytes, "a link's address longer than is kept");

  // Each run of links in one folder becomes a folder of the written file. The links outside
  // every folder can only come first there.
  std::vector<BookmarkFileFolder> folders;
  for (const BookmarkFileLink& link : contents.links) {
    if (folders.empty() || folders.back().name != link.folder) {
      if (link.folder.empty() && !folders.empty()) return 0;
      folders.push_back({link.folder, {}});
    }
    folders.back().links.push_back(link);
  }
  const BookmarkFileContents again = ParseBookmarkFile(FormatBookmarkFile(folders, 1700000000));
  FUZZ_CHECK(again.hasHeader, "a written file without its header");
  FUZZ_CHECK(again.links.size() == contents.links.size(), "links lost or gained on their way through a file");
  for (size_t i = 0; i < again.links.size(); ++i) {
    FUZZ_CHECK(again.links[i].folder == contents.links[i].folder, "a link changed its folder");
    FUZZ_CHECK(again.links[i].title == contents.links[i].title, "a link changed its title");
    FUZZ_CHECK(again.links[i].address == contents.links[i].address, "a link changed its address");
    FUZZ_CHECK(again.links[i].tags == contents.links[i].tags, "a link changed its tags");
  }
  return 0;
}
