// A large page parsed as two halves at once, on two threads, giving exactly the tree gumbo
// builds from the whole page.
//
// The page is cut before a start tag near its middle. The first half is parsed as it stands,
// with a marker tag appended at the cut; the elements the marker lands in are the ones still
// open there. The second half is parsed after a short preamble that opens the same elements
// (the page's doctype, "<body>" and the open elements' start tags as the page wrote them), so
// that the parser reaches the cut in the same state. The second half's tree then joins the
// first: its copies of the open elements stand for the first half's.
//
// A cut is used only where the parser's state there is wholly given by its open elements: a
// page whose state at the cut depends on more (a formatting element closed by another tag and
// still to be reopened, a form closed without its end tag, a table the marker is moved out of,
// foreign content, a template) is parsed whole. The checks err on the side of parsing whole.
#pragma once
#include <gumbo.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/engine/MappedArena.h"

class HalvesParse {
 public:
  // Pages smaller than this are parsed whole: a second thread would not pay for itself.
  static constexpr size_t kThreshold = size_t{1} << 20;

  // The two trees and how they join. Everything the trees point into is owned here.
  struct Halves {
    GumboOutput* first = nullptr;
    GumboOutput* second = nullptr;
    const GumboNode* marker = nullptr;  // in the first tree; not part of the page
    // The elements open at the cut, from <html> down: the first tree's element and the second
    // tree's copy of it, which stands for it.
    std::vector<std::pair<const GumboNode*, const GumboNode*>> open;
    const GumboNode* secondHead = nullptr;  // the second tree's empty, implied <head>

    std::unique_ptr<MappedArena> firstArena, secondArena;
    std::unique_ptr<std::string> firstText, secondText;
  };

  // Parses `html` as two halves, the second on another thread. Empty when the page has no safe
  // cut near its middle; the caller then parses it whole.
  static std::optional<Halves> Parse(std::string_view html);
};
