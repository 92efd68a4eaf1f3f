#include "host/engine/HalvesParse.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <initializer_list>
#include <system_error>

#include "host/engine/ArenaParse.h"

namespace {

// Appended to the first half. A name no page uses, so that the element is found by its place
// and its text.
constexpr std::string_view kMarker = "<pendrel-halves-cut>";

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
  if (at + prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[at + i]) != prefix[i]) return false;
  return true;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// ---------------------------------------------------------------------------------------------
// Finding the cut. A quick look at the tags before it guesses which elements are open there.
// Pages nested deeper than kMaxOpen are parsed whole, which keeps the look (and the join, which
// matches each element against the open ones) linear in the page's size.
// The guess only has to be right for the second half's parse to be of use: the first half's
// tree says which elements are open, and a wrong guess is redone with the right ones.

constexpr size_t kMaxOpen = 256;

struct OpenTag {
  std::string name;       // lower case
  std::string_view text;  // the start tag as the page wrote it
};

// Elements whose presence at the cut the halves cannot stand for.
bool BlocksCut(std::string_view name) { return OneOf(name, {"template", "select", "svg", "math", "frameset"}); }

// The guessed open elements below <body>, counting those that block a cut as they come and go.
class OpenStack {
 public:
  size_t size() const { return tags_.size(); }
  const OpenTag& operator[](size_t i) const { return tags_[i]; }
  const OpenTag& back() const { return tags_.back(); }
  const std::vector<OpenTag>& tags() const { return tags_; }
  size_t blocking() const { return blocking_; }

  void Push(OpenTag tag) {
    blocking_ += BlocksCut(tag.name);
    tags_.push_back(std::move(tag));
  }
  // Closes the element at `index` and all opened after it.
  void PopUntil(size_t index) {
    while (tags_.size() > index) {
      blocking_ -= BlocksCut(tags_.back().name);
      tags_.pop_back();
    }
  }

 private:
  std::vector<OpenTag> tags_;
  size_t blocking_ = 0;
};

struct Cut {
  size_t at = 0;
  bool safeTag = false;  // the start tag at the cut is one IsSafeAtCut allows
  std::string_view doctype;
  OpenStack open;
};

size_t FindEndTag(std::string_view html, size_t from, std::string_view name) {
  for (size_t at = html.find("</", from); at != std::string_view::npos; at = html.find("</", at + 2)) {
    size_t end = at + 2 + name.size();
    if (StartsWithNoCase(html, at + 2, name) && (end >= html.size() || !IsAsciiAlpha(html[end]))) return at;
  }
  return std::string_view::npos;
}

// The end of the tag that starts at `at` (the index just past its ">"), skipping quoted values.
size_t EndOfTag(std::string_view html, size_t at) {
  char quote = 0;
  for (size_t i = at + 1; i < html.size(); ++i) {
    char c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      // A quote starts a value only after "="; elsewhere it is part of a name.
      size_t j = i;
      while (j > at && IsSpace(html[j - 1])) --j;
      if (html[j - 1] == '=') quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

bool IsVoid(std::string_view name) {
  return OneOf(name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "img", "image",
                      "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

bool IsRawText(std::string_view name) {
  return OneOf(name, {"script", "style", "xmp", "iframe", "noembed", "noframes", "noscript", "textarea", "title"});
}

bool ClosesParagraph(std::string_view name) {
  return OneOf(name, {"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir", "div",
                      "dl", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5",
                      "h6", "header", "hgroup", "hr", "main", "menu", "nav", "ol", "p", "pre", "listing",
                      "section", "summary", "table", "ul", "li", "dd", "dt"});
}

bool IsScopeBoundary(std::string_view name) {
  return OneOf(name, {"table", "td", "th", "caption", "applet", "marquee", "object", "template", "html", "button"});
}

// Start tags the parser always meets by changing the tree at once (closing a paragraph,
// reopening formatting elements, inserting the element). Text before the cut is added to the
// tree only when the tree next changes, so a cut must be followed by a change made where the
// marker is put, not by a tag the parser ignores (<frame>, <col>, a second <form>) and then one
// that moves the current element without adding the text first.
bool IsSafeAtCut(std::string_view name) {
  return OneOf(name, {"div", "p", "span", "ul", "ol", "dl", "section", "article", "nav", "header", "footer", "main",
                      "aside", "blockquote", "center", "address", "details", "figure", "figcaption", "h1", "h2",
                      "h3", "h4", "h5", "h6", "em", "strong", "b", "i", "u", "small", "big", "code", "tt", "s",
                      "strike", "font", "img", "br", "hr", "label", "abbr", "cite", "q", "sub", "sup", "var", "kbd",
                      "samp", "mark", "time", "pre", "table"});
}

// Whether the guessed open elements allow a cut: none the halves cannot stand for, and not
// straight inside a table, where the marker would be moved out.
bool AllowsCut(const OpenStack& open) {
  if (open.blocking()) return false;
  return open.size() == 0 || !OneOf(open.back().name, {"table", "tbody", "thead", "tfoot", "tr", "colgroup"});
}

// The index of the nearest open `names` element above any of `stops`, or npos.
size_t FindOpen(const OpenStack& open, std::initializer_list<std::string_view> names,
                std::initializer_list<std::string_view> stops) {
  for (size_t i = open.size(); i-- > 0;) {
    if (OneOf(open[i].name, names)) return i;
    if (OneOf(open[i].name, stops)) break;
  }
  return std::string_view::npos;
}

// False when the page nests too deep for a cut.
bool OpenStartTag(OpenStack& open, const std::string& name, std::string_view text) {
  if (open.size() >= kMaxOpen) return false;
  if (ClosesParagraph(name)) {
    for (size_t i = open.size(); i-- > 0;) {
      if (open[i].name == "p") {
        open.PopUntil(i);
        break;
      }
      if (IsScopeBoundary(open[i].name)) break;
    }
  }
  auto closeNearest = [&](std::initializer_list<std::string_view> names, std::initializer_list<std::string_view> stops) {
    size_t found = FindOpen(open, names, stops);
    if (found != std::string_view::npos) open.PopUntil(found);
  };
  auto isHeading = [](std::string_view tag) { return tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6'; };
  if (isHeading(name) && open.size() && isHeading(open.back().name)) open.PopUntil(open.size() - 1);
  if (name == "li") closeNearest({"li"}, {"ul", "ol", "table", "td", "th"});
  if (name == "dd" || name == "dt") closeNearest({"dd", "dt"}, {"dl", "table", "td", "th"});
  if (name == "tr") closeNearest({"tr"}, {"table"});
  if (name == "td" || name == "th") closeNearest({"td", "th"}, {"tr", "table"});
  if (name == "tbody" || name == "thead" || name == "tfoot") closeNearest({"tbody", "thead", "tfoot"}, {"table"});
  if (name == "option" && open.size() && open.back().name == "option") open.PopUntil(open.size() - 1);
  if (name == "optgroup") closeNearest({"optgroup", "option"}, {"select"});
  open.Push({name, text});
  return true;
}

void CloseEndTag(OpenStack& open, std::string_view name) {
  for (size_t i = open.size(); i-- > 0;) {
    if (open[i].name == name) {
      open.PopUntil(i);
      return;
    }
  }
}

std::optional<Cut> FindCut(std::string_view html) {
  Cut cut;
  const size_t from = html.size() / 2;
  const size_t until = html.size() - html.size() / 4;
  bool seenTag = false;
  size_t at = 0;
  while ((at = html.find('<', at)) != std::string_view::npos && at < until) {
    char next = at + 1 < html.size() ? html[at + 1] : 0;
    if (IsAsciiAlpha(next)) {
      size_t end = EndOfTag(html, at);
      if (end == std::string_view::npos) return std::nullopt;
      size_t nameEnd = at + 1;
      while (nameEnd < end && !IsSpace(html[nameEnd]) && html[nameEnd] != '/' && html[nameEnd] != '>') ++nameEnd;
      std::string name(html.substr(at + 1, nameEnd - at - 1));
      std::transform(name.begin(), name.end(), name.begin(), Lower);
      // After a tag, the cut may also come before a start tag the parser might ignore: there is
      // no text waiting to be added (which the first half's tree confirms).
      bool safeTag = IsSafeAtCut(name);
      if (at >= from && (safeTag || (at > 0 && html[at - 1] == '>')) && AllowsCut(cut.open)) {
        cut.at = at;
        cut.safeTag = safeTag;
        return cut;
      }
      seenTag = true;
      if (name == "plaintext") return std::nullopt;
      if (IsRawText(name)) {
        size_t close = FindEndTag(html, end, name);
        if (close == std::string_view::npos) return std::nullopt;
        at = close;
        continue;
      }
      if (!IsVoid(name) && name != "html" && name != "head" && name != "body" &&
          !OpenStartTag(cut.open, name, html.substr(at, end - at)))
        return std::nullopt;
      at = end;
    } else if (next == '/') {
      size_t end = EndOfTag(html, at);
      if (end == std::string_view::npos) return std::nullopt;
      size_t nameEnd = at + 2;
      while (nameEnd < end && !IsSpace(html[nameEnd]) && html[nameEnd] != '/' && html[nameEnd] != '>') ++nameEnd;
      std::string name(html.substr(at + 2, nameEnd - at - 2));
      std::transform(name.begin(), name.end(), name.begin(), Lower);
      CloseEndTag(cut.open, name);
      seenTag = true;
      at = end;
    } else if (next == '!' && html.substr(at, 4) == "<!--") {
      size_t end = html.find("-->", at + 2);
      if (end == std::string_view::npos) return std::nullopt;
      at = end + 3;
    } else if (next == '!' || next == '?') {
      size_t end = html.find('>', at);
      if (end == std::string_view::npos) return std::nullopt;
      if (!seenTag && cut.doctype.empty() && StartsWithNoCase(html, at, "<!doctype")) cut.doctype = html.substr(at, end + 1 - at);
      seenTag = true;
      at = end + 1;
    } else {
      ++at;
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Checking the halves.

bool IsFormatting(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_A: case GUMBO_TAG_B: case GUMBO_TAG_BIG: case GUMBO_TAG_CODE: case GUMBO_TAG_EM:
    case GUMBO_TAG_FONT: case GUMBO_TAG_I: case GUMBO_TAG_NOBR: case GUMBO_TAG_S: case GUMBO_TAG_SMALL:
    case GUMBO_TAG_STRIKE: case GUMBO_TAG_STRONG: case GUMBO_TAG_TT: case GUMBO_TAG_U:
      return true;
    default:
      return false;
  }
}

// Elements that put a marker on the list of formatting elements to reopen.
bool IsMarkerElement(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_TD: case GUMBO_TAG_TH: case GUMBO_TAG_CAPTION: case GUMBO_TAG_APPLET: case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT: case GUMBO_TAG_TEMPLATE:
      return true;
    default:
      return false;
  }
}

// Elements that may be open at the cut: an HTML element whose effect on what follows is only
// that it is open.
bool MayBeOpenAtCut(const GumboNode& node) {
  if (node.type != GUMBO_NODE_ELEMENT || node.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
  switch (node.v.element.tag) {
    case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_SELECT: case GUMBO_TAG_FRAMESET: case GUMBO_TAG_HEAD:
    case GUMBO_TAG_SVG: case GUMBO_TAG_MATH: case GUMBO_TAG_UNKNOWN:
      return false;
    default:
      return (node.parse_flags & (GUMBO_INSERTION_ADOPTION_AGENCY_CLONED | GUMBO_INSERTION_ADOPTION_AGENCY_MOVED)) == 0;
  }
}

// Whether the element was closed by its own end tag.
bool ClosedByOwnEndTag(const GumboElement& element) {
  GumboStringPiece end = element.original_end_tag;
  if (end.length == 0) return false;
  gumbo_tag_from_original_text(&end);
  return gumbo_tagn_enum(end.data, static_cast<unsigned>(end.length)) == element.tag;
}

const GumboNode* LastChild(const GumboNode& node) {
  const GumboVector& children = node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
  return children.length ? static_cast<const GumboNode*>(children.data[children.length - 1]) : nullptr;
}

const GumboNode* ChildAt(const GumboNode& node, unsigned index) {
  const GumboVector& children = node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
  return index < children.length ? static_cast<const GumboNode*>(children.data[index]) : nullptr;
}

bool IsElement(const GumboNode* node, GumboTag tag) {
  return node && node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag;
}

// The first half's open elements at the cut: the path down the last children from the document
// to the marker. Empty when the marker is not at the end of that path (moved out of a table,
// dropped in a select, or text because the cut fell inside a comment or a script).
std::vector<const GumboNode*> OpenAtCut(const GumboOutput& first, size_t cut, size_t end, const GumboNode*& marker) {
  std::vector<const GumboNode*> path;
  const GumboNode* html = LastChild(*first.document);
  if (!IsElement(html, GUMBO_TAG_HTML)) return {};
  const GumboNode* body = LastChild(*html);
  if (!IsElement(body, GUMBO_TAG_BODY)) return {};
  // A page that has ended its body goes on in a mode the second half would not be in.
  if (html->v.element.original_end_tag.length || body->v.element.original_end_tag.length) return {};
  path = {html, body};
  // Every element on the path must still be open: one taken off the open elements while its
  // content stays open (a form by its end tag) is not reopened by its start tag.
  auto open = [&](const GumboNode* node) {
    return node->v.element.end_pos.offset == end && node->v.element.original_end_tag.length == 0;
  };
  if (!open(html) || !open(body)) return {};
  for (const GumboNode* node = LastChild(*body); node && node->type == GUMBO_NODE_ELEMENT; node = LastChild(*node)) {
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_UNKNOWN && element.start_pos.offset == cut && element.original_tag.length == kMarker.size() &&
        std::string_view(element.original_tag.data, element.original_tag.length) == kMarker) {
      if (element.children.length) return {};
      // Formatting elements the parser reopened for the marker were closed by other tags and
      // are still to be reopened: state the open elements do not carry.
      const GumboNode* parent = path.back();
      if ((parent->parse_flags & GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT) && parent->v.element.children.length == 1)
        return {};
      marker = node;
      return path;
    }
    if (!MayBeOpenAtCut(*node) || !open(node)) return {};
    path.push_back(node);
  }
  return {};
}

// Whether the parser, meeting this element in the body, stops letting a later <frameset>
// replace the body (as any text does).
bool EndsFramesetChance(const GumboNode& node) {
  switch (node.v.element.tag) {
    case GUMBO_TAG_IMG: case GUMBO_TAG_BR: case GUMBO_TAG_EMBED: case GUMBO_TAG_KEYGEN: case GUMBO_TAG_WBR:
    case GUMBO_TAG_AREA: case GUMBO_TAG_LI: case GUMBO_TAG_DD: case GUMBO_TAG_DT: case GUMBO_TAG_PRE:
    case GUMBO_TAG_LISTING: case GUMBO_TAG_BUTTON: case GUMBO_TAG_APPLET: case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT: case GUMBO_TAG_TABLE: case GUMBO_TAG_HR: case GUMBO_TAG_TEXTAREA: case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME: case GUMBO_TAG_SELECT:
      return true;
    case GUMBO_TAG_INPUT: {
      const GumboAttribute* type = gumbo_get_attribute(&node.v.element.attributes, "type");
      return !type || strcasecmp(type->value, "hidden") != 0;
    }
    default:
      return false;
  }
}

// Whether every form open at the cut is still the one the parser puts controls in. An end tag
// for a form the parser cannot close there leaves the form open but no longer the current one;
// the halves would make it current again. Any "</form" after the form's start tag (even in a
// comment) counts.
bool OpenFormsAreCurrent(std::string_view html, size_t cut, const std::vector<const GumboNode*>& open) {
  for (const GumboNode* node : open) {
    if (node->v.element.tag != GUMBO_TAG_FORM) continue;
    size_t from = node->v.element.start_pos.offset;
    if (FindEndTag(html.substr(0, cut), from, "form") != std::string_view::npos) return false;
  }
  return true;
}

// Whether the first half leaves nothing behind but its open elements: no formatting element
// still to be reopened, no form still taking controls, nothing else open at its end, and text
// or a control shown (after which a <frameset> no longer replaces the body).
bool LeavesOnlyOpenElements(const GumboOutput& first, const std::vector<const GumboNode*>& open,
                            const GumboNode* marker, size_t end) {
  const GumboNode* body = open[1];
  bool shownText = !(body->parse_flags & GUMBO_INSERTION_IMPLIED);
  // The marker makes the parser reopen the formatting elements it still has to, unless the
  // latest one it keeps is open (an open formatting element on the path) or it keeps a cell (or
  // caption, object, ...) opened since: then one closed by another tag may still be waiting, and
  // no element of that kind may have been so closed.
  bool reopeningUnproven = std::any_of(open.begin(), open.end(), [](const GumboNode* node) {
    return IsMarkerElement(node->v.element.tag) || IsFormatting(node->v.element.tag);
  });
  // Three alike formatting elements open make the parser forget the oldest one (and a page
  // could have had that happen with one since closed): not worth telling apart.
  for (const GumboNode* node : open)
    if (IsFormatting(node->v.element.tag) &&
        std::count_if(open.begin(), open.end(), [&](const GumboNode* other) { return other->v.element.tag == node->v.element.tag; }) >= 3)
      return false;
  struct Step {
    const GumboNode* node;
    const GumboNode* markerAncestor;  // the nearest td, th, caption, ... above it
    bool inBody;
  };
  std::vector<Step> pending{{first.document, nullptr, false}};
  while (!pending.empty()) {
    auto [node, markerAncestor, inBody] = pending.back();
    pending.pop_back();
    if (inBody && (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA ||
                   (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML &&
                    EndsFramesetChance(*node))))
      shownText = true;
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE && node->type != GUMBO_NODE_DOCUMENT)
      continue;
    const GumboVector& children = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    const GumboNode* below = markerAncestor;
    if (node->type != GUMBO_NODE_DOCUMENT && node != marker) {
      const GumboElement& element = node->v.element;
      bool openAtEnd = element.end_pos.offset >= end && element.original_end_tag.length == 0;
      if (openAtEnd) {
        if (std::find(open.begin(), open.end(), node) == open.end()) return false;  // open, not on the path
      } else {
        if (node->parse_flags & (GUMBO_INSERTION_ADOPTION_AGENCY_CLONED | GUMBO_INSERTION_ADOPTION_AGENCY_MOVED))
          return false;
        // A form's end tag takes it off the open elements without ending it as other tags do;
        // one ended otherwise (by an enclosing element's end tag, or at once in a table) still
        // takes the controls that follow, and the parser ignores any later form.
        bool ownEnd = ClosedByOwnEndTag(element);
        if (element.tag == GUMBO_TAG_FORM && (node->parse_flags & GUMBO_INSERTION_IMPLICIT_END_TAG)) return false;
        if ((element.tag == GUMBO_TAG_APPLET || element.tag == GUMBO_TAG_MARQUEE || element.tag == GUMBO_TAG_OBJECT) && !ownEnd)
          return false;
        // Cells and captions forget the formatting elements opened in them when the table closes
        // them; closed by anything else (the end of a template around the table), they leave
        // their mark on the list behind.
        if (element.tag == GUMBO_TAG_TD || element.tag == GUMBO_TAG_TH || element.tag == GUMBO_TAG_CAPTION) {
          GumboStringPiece endTag = element.original_end_tag;
          gumbo_tag_from_original_text(&endTag);
          GumboTag closer = endTag.length ? gumbo_tagn_enum(endTag.data, static_cast<unsigned>(endTag.length)) : GUMBO_TAG_LAST;
          bool closedByTable = closer == GUMBO_TAG_LAST || closer == element.tag || closer == GUMBO_TAG_TABLE ||
                               closer == GUMBO_TAG_TBODY || closer == GUMBO_TAG_THEAD || closer == GUMBO_TAG_TFOOT ||
                               closer == GUMBO_TAG_TR || closer == GUMBO_TAG_TD || closer == GUMBO_TAG_TH ||
                               closer == GUMBO_TAG_CAPTION;
          if (!closedByTable) return false;
        }
        if (IsFormatting(element.tag) && !ownEnd && reopeningUnproven) {
          // Closing a cell forgets the formatting elements opened in it.
          bool inClosedCell = markerAncestor && (IsElement(markerAncestor, GUMBO_TAG_TD) || IsElement(markerAncestor, GUMBO_TAG_TH)) &&
                              std::find(open.begin(), open.end(), markerAncestor) == open.end();
          if (!inClosedCell) return false;
        }
      }
      if (IsMarkerElement(element.tag)) below = node;
    }
    for (unsigned i = children.length; i-- > 0;)
      pending.push_back({static_cast<const GumboNode*>(children.data[i]), below, inBody || node == body});
  }
  return shownText;
}

// The second half's copies of the open elements, or empty when its preamble did not open them
// as the first half has them.
std::vector<const GumboNode*> CopiesOfOpen(const GumboOutput& first, const GumboOutput& second,
                                           const std::vector<const GumboNode*>& open, size_t preamble,
                                           const GumboNode*& head) {
  if (first.document->v.document.doc_type_quirks_mode != second.document->v.document.doc_type_quirks_mode) return {};
  // Comments after the page's end follow the <html> element.
  const GumboNode* html = nullptr;
  for (unsigned i = 0; const GumboNode* child = ChildAt(*second.document, i); ++i)
    if (child->type == GUMBO_NODE_ELEMENT) {
      html = child;
      break;
    }
  if (!IsElement(html, GUMBO_TAG_HTML)) return {};
  head = ChildAt(*html, 0);
  const GumboNode* body = ChildAt(*html, 1);
  if (!IsElement(head, GUMBO_TAG_HEAD) || head->v.element.children.length || !IsElement(body, GUMBO_TAG_BODY)) return {};
  std::vector<const GumboNode*> copies{html, body};
  const GumboNode* parent = body;
  for (size_t i = 2; i < open.size(); ++i) {
    const GumboNode* copy = ChildAt(*parent, 0);
    if (!copy || copy->type != GUMBO_NODE_ELEMENT || copy->v.element.tag != open[i]->v.element.tag ||
        copy->v.element.tag_namespace != open[i]->v.element.tag_namespace || copy->v.element.start_pos.offset >= preamble)
      return {};
    copies.push_back(copy);
    parent = copy;
  }
  return copies;
}

// The start tags that reopen `open` below <body>, as the page wrote them; implied elements are
// implied again.
std::vector<std::string_view> StartTagsOf(const std::vector<const GumboNode*>& open) {
  std::vector<std::string_view> tags;
  for (size_t i = 2; i < open.size(); ++i) {
    GumboStringPiece text = open[i]->v.element.original_tag;
    if (text.length) tags.emplace_back(text.data, text.length);
  }
  return tags;
}

// Both processors are parsing: each thread faults its own memory in.
GumboOutput* ParseHalf(const std::string& text, MappedArena& arena) {
  return ParseInArena(text, arena, MappedArena::FaultIn::OnUse);
}

std::unique_ptr<std::string> SecondText(std::string_view doctype, const std::vector<std::string_view>& startTags,
                                        std::string_view rest, size_t& preamble) {
  auto text = std::make_unique<std::string>();
  text->reserve(doctype.size() + 6 + rest.size() + 256);
  text->append(doctype).append("<body>");
  for (std::string_view tag : startTags) text->append(tag);
  preamble = text->size();
  text->append(rest);
  return text;
}

}  // namespace

std::optional<HalvesParse::Halves> HalvesParse::Parse(std::string_view html) {
  std::optional<Cut> cut = FindCut(html);
  if (!cut) return std::nullopt;
  Halves halves;
  halves.firstText = std::make_unique<std::string>();
  halves.firstText->reserve(cut->at + kMarker.size());
  halves.firstText->append(html.substr(0, cut->at)).append(kMarker);
  std::vector<std::string_view> guessed;
  for (const OpenTag& tag : cut->open.tags()) guessed.push_back(tag.text);
  size_t preamble = 0;
  halves.secondText = SecondText(cut->doctype, guessed, html.substr(cut->at), preamble);
  halves.firstArena = std::make_unique<MappedArena>();
  halves.secondArena = std::make_unique<MappedArena>();

  std::future<GumboOutput*> second;
  try {
    second = std::async(std::launch::async, [&] { return ParseHalf(*halves.secondText, *halves.secondArena); });
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: the page is parsed whole
  }
  halves.first = ParseHalf(*halves.firstText, *halves.firstArena);
  halves.second = second.get();
  if (!halves.first || !halves.second) return std::nullopt;

  std::vector<const GumboNode*> open = OpenAtCut(*halves.first, cut->at, halves.firstText->size(), halves.marker);
  if (open.empty() || open.size() > kMaxOpen + 2 || !OpenFormsAreCurrent(html, cut->at, open) || !LeavesOnlyOpenElements(*halves.first, open, halves.marker, halves.firstText->size()))
    return std::nullopt;
  // The guess at the open elements was wrong: parse the second half again with the right ones.
  std::vector<std::string_view> actual = StartTagsOf(open);
  if (actual != guessed) {
    halves.secondText = SecondText(cut->doctype, actual, html.substr(cut->at), preamble);
    halves.secondArena = std::make_unique<MappedArena>();
    halves.second = ParseHalf(*halves.secondText, *halves.secondArena);
    if (!halves.second) return std::nullopt;
  }
  std::vector<const GumboNode*> copies = CopiesOfOpen(*halves.first, *halves.second, open, preamble, halves.secondHead);
  if (copies.size() != open.size()) return std::nullopt;
  // Text on both sides of the cut would have been one text. Text before the cut waits to be
  // added until the tree next changes, which only a safe tag does at the cut itself.
  const GumboNode* deepest = copies.back();
  const GumboNode* firstAfterCut = ChildAt(*deepest, 0);
  const GumboNode& openDeepest = *open.back();
  const GumboNode* lastBeforeCut =
      openDeepest.v.element.children.length >= 2
          ? static_cast<const GumboNode*>(openDeepest.v.element.children.data[openDeepest.v.element.children.length - 2])
          : nullptr;
  auto isText = [](const GumboNode* node) {
    return node && (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA);
  };
  if (isText(lastBeforeCut) && (isText(firstAfterCut) || !cut->safeTag)) return std::nullopt;
  for (size_t i = 0; i < open.size(); ++i) halves.open.emplace_back(open[i], copies[i]);
  return halves;
}
