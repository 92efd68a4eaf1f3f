// The bounds on how deeply a page may nest and how many attributes a tag may carry, applied to
// the page's text before the HTML parser sees it.
//
// Why: the parser keeps a stack of open elements and scans it for most tags it meets, so its
// work grows with the size of the page times the depth of that stack. A page of 40,000 nested
// <div>s or 200,000 unclosed <b>s keeps it busy for seconds, and formatting elements that an
// end tag closed implicitly are reopened (cloned) at the next text, so a few bytes can make
// hundreds of elements. Browsers bound both; the packaged parser does not, so we do it here,
// in one place, on its input:
//   - a start tag that would open an element deeper than maxDepth is left out, and so is its
//     end tag: what it held is attached to the element at the limit;
//   - formatting elements that a tag closed implicitly are reopened, maxWaiting at a time at
//     most and while the page's allowance of reopenings lasts; the others are ended
//     explicitly (an end tag is added where they would be reopened);
//   - the parser compares each attribute of a tag with all those before it, so attributes
//     beyond a tag's first maxAttributes are left out.
// The depth is followed with a light model of the parser's stack (scopes, implied ends, the
// list of formatting elements). The model only decides where the page is changed: a page
// whose nesting stays under the limits by it is given to the parser byte for byte as it
// came, so it gets exactly the tree the parser makes of it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

struct NestingLimits {
  size_t maxDepth = 512;
  size_t maxWaiting = 16;
  size_t maxAttributes = 128;
  // Reopenings a page may cause: a quarter of its bytes, and this many more.
  size_t reopenAllowance = 4096;
};

// Returns `html` when it stays within `limits`; otherwise fills `bounded` with the page changed
// as above and returns a view of it.
std::string_view LimitNesting(std::string_view html, std::string& bounded, const NestingLimits& limits = {});
