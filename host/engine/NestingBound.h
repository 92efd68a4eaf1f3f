// The bound on how deeply a page nests, applied to the page's text before the HTML parser sees it.
//
// Why: the parser scans its stack of open elements for most tags it meets, so its work grows with
// the page's size times the depth of that stack (40,000 nested <div>s keep it busy for seconds),
// and at the next text it reopens, as copies, every formatting element (b, font, ...) that an end
// tag closed implicitly. Browsers bound both; the packaged parser does not.
//
// The pass reads the page's tokens only: tags with their attributes (a quoted value may hold ">"),
// comments, and the text of script, style, textarea and the like, which holds no tags. It keeps a
// plain stack of the tags open, meant to be never lower than the parser's:
//   - void elements never open; an end tag closes its nearest open match and all above it, unless
//     something stands between that the parser does not close for it (a block for an inline end
//     tag; a table, cell, button, select or foreign content for any);
//   - a start tag of p, li, dt/dd, option, tr, td/th, a heading, a or nobr first closes an open one
//     of its kind where the parser surely does: on top, or under inline elements only;
//   - a start tag that would open deeper than kMaxDepth, or a formatting element beyond
//     kMaxFormatting open ones (identical ones counted three at most, as the parser keeps them),
//     is left out, and so is its end tag: what it held goes to the element it was in;
//   - attributes beyond a tag's first kMaxAttributes are left out: the parser compares each
//     attribute of a tag with all those before it.
// A page the pass leaves alone reaches the parser byte for byte. The pass does not model the
// parser's tree building; what it misses is caught by the parse's work budget (ArenaParse).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

constexpr size_t kMaxDepth = 512;
constexpr size_t kMaxFormatting = 64;
constexpr size_t kMaxAttributes = 128;

// Returns `html` when it stays within the bounds; otherwise fills `bounded` with the page cut
// down as above and returns a view of it.
std::string_view BoundNesting(std::string_view html, std::string& bounded);

// The page's text without its tree, as a page of its own: its first title, and its texts with a
// line break at each block's tags; scripts, styles, comments and the like left out.
std::string TextOnlyPage(std::string_view html);
