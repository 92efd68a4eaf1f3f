#include "host/engine/NestingLimit.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// What the parser does with a tag, as far as the depth of its stack goes.
enum TagFlag : uint32_t {
  kVoid = 1u << 0,          // never stays open
  kRawText = 1u << 1,       // its content is text up to its own end tag
  kFormatting = 1u << 2,    // kept in the list of formatting elements and reopened
  kSpecial = 1u << 3,       // stops the search of most implied ends
  kScope = 1u << 4,         // bounds the ordinary scope
  kClosesP = 1u << 5,       // its start tag ends an open <p>
  kHeading = 1u << 6,
  kMarker = 1u << 7,        // starts a new level of the formatting list
  kBreakout = 1u << 8,      // leaves svg or math content
  kIntegration = 1u << 9,   // HTML content inside svg or math
  kReconstructs = 1u << 10, // its start tag reopens waiting formatting elements
  kNoPush = 1u << 11,       // html, head, body: merged into the ones that exist
  kTableScope = 1u << 12,   // bounds the table scope
  kForeignRoot = 1u << 13,  // svg, math
};

struct KnownTag {
  std::string_view name;
  uint32_t flags;
};

constexpr uint32_t kBlock = kSpecial | kClosesP;
constexpr uint32_t kPhrase = kFormatting | kReconstructs;

// Tag ids are their places in this table; unknown tags get ids after it.
constexpr KnownTag kKnownTags[] = {
    {"", kReconstructs},  // 0: a tag of no name we track
    {"a", kPhrase}, {"b", kPhrase | kBreakout}, {"big", kPhrase | kBreakout}, {"code", kPhrase | kBreakout},
    {"em", kPhrase | kBreakout}, {"font", kPhrase}, {"i", kPhrase | kBreakout}, {"nobr", kPhrase | kBreakout},
    {"s", kPhrase | kBreakout}, {"small", kPhrase | kBreakout}, {"strike", kPhrase | kBreakout},
    {"strong", kPhrase | kBreakout}, {"tt", kPhrase | kBreakout}, {"u", kPhrase | kBreakout},
    {"area", kSpecial | kVoid | kReconstructs}, {"base", kSpecial | kVoid}, {"basefont", kSpecial | kVoid},
    {"bgsound", kSpecial | kVoid}, {"br", kSpecial | kVoid | kReconstructs | kBreakout}, {"col", kSpecial | kVoid},
    {"embed", kSpecial | kVoid | kReconstructs | kBreakout}, {"frame", kSpecial | kVoid},
    {"hr", kBlock | kVoid | kBreakout}, {"img", kSpecial | kVoid | kReconstructs | kBreakout},
    {"image", kVoid | kReconstructs}, {"input", kSpecial | kVoid | kReconstructs},
    {"keygen", kSpecial | kVoid | kReconstructs}, {"link", kSpecial | kVoid}, {"meta", kSpecial | kVoid | kBreakout},
    {"param", kSpecial | kVoid}, {"source", kSpecial | kVoid}, {"track", kSpecial | kVoid},
    {"wbr", kSpecial | kVoid | kReconstructs},
    {"script", kSpecial | kRawText}, {"style", kSpecial | kRawText}, {"xmp", kBlock | kRawText},
    {"iframe", kSpecial | kRawText}, {"noembed", kSpecial | kRawText}, {"noframes", kSpecial | kRawText},
    {"textarea", kSpecial | kRawText}, {"title", kSpecial | kRawText | kIntegration},
    {"plaintext", kBlock | kRawText},
    {"html", kSpecial | kScope | kTableScope | kNoPush}, {"head", kSpecial | kNoPush | kBreakout},
    {"body", kSpecial | kNoPush | kBreakout},
    {"applet", kSpecial | kScope | kMarker | kReconstructs}, {"caption", kSpecial | kScope | kMarker},
    {"marquee", kSpecial | kScope | kMarker | kReconstructs}, {"object", kSpecial | kScope | kMarker | kReconstructs},
    {"table", kBlock | kScope | kTableScope | kBreakout}, {"td", kSpecial | kScope | kMarker},
    {"th", kSpecial | kScope | kMarker}, {"template", kSpecial | kScope | kTableScope | kMarker},
    {"address", kBlock}, {"article", kBlock}, {"aside", kBlock}, {"blockquote", kBlock | kBreakout},
    {"center", kBlock | kBreakout}, {"details", kBlock}, {"dialog", kClosesP}, {"dir", kBlock},
    {"div", kBlock | kBreakout}, {"dl", kBlock | kBreakout}, {"fieldset", kBlock}, {"figcaption", kBlock},
    {"figure", kBlock}, {"footer", kBlock}, {"header", kBlock}, {"hgroup", kBlock}, {"main", kBlock},
    {"menu", kBlock | kBreakout}, {"nav", kBlock}, {"ol", kBlock | kBreakout}, {"p", kBlock | kBreakout},
    {"section", kBlock}, {"summary", kBlock}, {"ul", kBlock | kBreakout}, {"pre", kBlock | kBreakout},
    {"listing", kBlock | kBreakout}, {"form", kBlock},
    {"h1", kBlock | kHeading | kBreakout}, {"h2", kBlock | kHeading | kBreakout},
    {"h3", kBlock | kHeading | kBreakout}, {"h4", kBlock | kHeading | kBreakout},
    {"h5", kBlock | kHeading | kBreakout}, {"h6", kBlock | kHeading | kBreakout},
    {"button", kSpecial | kReconstructs}, {"colgroup", kSpecial}, {"dd", kSpecial | kBreakout},
    {"dt", kSpecial | kBreakout}, {"li", kSpecial | kBreakout}, {"select", kSpecial | kReconstructs},
    {"tbody", kSpecial}, {"tfoot", kSpecial}, {"thead", kSpecial}, {"tr", kSpecial}, {"frameset", kSpecial},
    {"noscript", kSpecial}, {"option", 0}, {"optgroup", 0}, {"rb", 0}, {"rp", 0}, {"rt", 0}, {"rtc", 0},
    {"svg", kForeignRoot | kReconstructs}, {"math", kForeignRoot | kReconstructs},
    {"foreignobject", kIntegration | kScope}, {"desc", kIntegration | kScope}, {"mi", kIntegration | kScope},
    {"mo", kIntegration | kScope}, {"mn", kIntegration | kScope}, {"ms", kIntegration | kScope},
    {"mtext", kIntegration | kScope}, {"annotation-xml", kScope},
    {"ruby", kBreakout | kReconstructs}, {"span", kBreakout | kReconstructs}, {"sub", kBreakout | kReconstructs},
    {"sup", kBreakout | kReconstructs}, {"var", kBreakout | kReconstructs},
};

constexpr size_t kKnownCount = std::size(kKnownTags);

constexpr uint16_t IdOf(std::string_view name) {
  for (size_t i = 0; i < kKnownCount; ++i)
    if (kKnownTags[i].name == name) return static_cast<uint16_t>(i);
  return 0;
}

static_assert(IdOf("h6") == IdOf("h1") + 5, "headings are looked up as a run");

constexpr uint16_t kA = IdOf("a"), kNobr = IdOf("nobr"), kP = IdOf("p"), kLi = IdOf("li"), kDd = IdOf("dd"),
                   kDt = IdOf("dt"), kButton = IdOf("button"), kForm = IdOf("form"), kOption = IdOf("option"),
                   kOptgroup = IdOf("optgroup"), kTable = IdOf("table"), kTbody = IdOf("tbody"),
                   kThead = IdOf("thead"), kTfoot = IdOf("tfoot"), kTr = IdOf("tr"), kTd = IdOf("td"),
                   kTh = IdOf("th"), kCaption = IdOf("caption"), kColgroup = IdOf("colgroup"),
                   kSelect = IdOf("select"), kRb = IdOf("rb"), kRp = IdOf("rp"), kRt = IdOf("rt"),
                   kRtc = IdOf("rtc"), kAddress = IdOf("address"), kDiv = IdOf("div"), kOl = IdOf("ol"),
                   kUl = IdOf("ul"), kBr = IdOf("br"), kPlaintext = IdOf("plaintext"), kH1 = IdOf("h1");

// More distinct unknown tag names than this share one id: a page cannot grow the table without
// end.
constexpr size_t kMaxTagIds = 4096;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct TransparentHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

using TagIds = std::unordered_map<std::string, uint16_t, TransparentHash, std::equal_to<>>;

// The known tags' ids by name, made once for every page.
const TagIds& KnownTagIds() {
  static const TagIds ids = [] {
    TagIds known;
    for (size_t i = 0; i < kKnownCount; ++i) known.emplace(std::string(kKnownTags[i].name), static_cast<uint16_t>(i));
    return known;
  }();
  return ids;
}

class Model {
 public:
  Model(std::string_view html, const NestingLimits& limits)
      : html_(html), limits_(limits), budget_(static_cast<long>(html.size() / 4 + limits.reopenAllowance)) {
    flags_.reserve(kKnownCount);
    for (const KnownTag& tag : kKnownTags) flags_.push_back(tag.flags);
    positions_.resize(kKnownCount);
  }

  // Walks the page; true when it had to be changed, with `out` the changed page.
  bool Run(std::string& out) {
    size_t at = 0;
    while (at < html_.size()) {
      size_t lt = html_.find('<', at);
      if (lt == std::string_view::npos) lt = html_.size();
      if (lt > at) Text(html_.substr(at, lt - at), at);
      if (lt >= html_.size()) break;
      at = Markup(lt);
    }
    if (edits_.empty()) return false;
    // Edits are made in page order, except that an end tag added after a tag may come before
    // the tag itself is left out.
    std::stable_sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    out.clear();
    out.reserve(html_.size() + html_.size() / 16);
    size_t copied = 0;
    for (const Edit& edit : edits_) {
      out.append(html_.substr(copied, edit.at - copied));
      out += edit.insert;
      copied = edit.at + edit.skip;
    }
    out.append(html_.substr(copied));
    return true;
  }

 private:
  struct Open {
    uint16_t tag;
    bool dropped;   // left out of the page
    bool foreign;   // its content is svg or math
    bool listed;    // in the list of formatting elements
  };
  struct Active {
    bool marker;
    uint16_t tag;
    uint64_t key;  // the tag with its attributes
    long at;       // its place on the stack, or -1 while it waits to be reopened
  };
  struct Edit {
    size_t at;
    size_t skip;
    std::string insert;
  };

  // --- the page's tokens -------------------------------------------------------------------

  // Handles the markup at `lt` (a "<"); returns where the text after it starts.
  size_t Markup(size_t lt) {
    std::string_view rest = html_.substr(lt);
    if (rest.starts_with("<!--")) {
      size_t end = html_.find("-->", lt + 2);
      if (rest.starts_with("<!-->")) return lt + 5;
      if (rest.starts_with("<!--->")) return lt + 6;
      return end == std::string_view::npos ? html_.size() : end + 3;
    }
    if (rest.starts_with("<![CDATA[") && InForeign()) {
      size_t end = html_.find("]]>", lt);
      return end == std::string_view::npos ? html_.size() : end + 3;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) return SkipPast(lt + 2, '>');
    if (rest.starts_with("</")) {
      if (rest.size() > 2 && IsAlpha(rest[2])) return Tag(lt, lt + 2, false);
      if (rest.size() > 2 && rest[2] == '>') return lt + 3;
      return SkipPast(lt + 2, '>');
    }
    if (rest.size() > 1 && IsAlpha(rest[1])) return Tag(lt, lt + 1, true);
    Text(html_.substr(lt, 1), lt);
    return lt + 1;
  }

  size_t SkipPast(size_t from, char c) {
    size_t end = html_.find(c, from);
    return end == std::string_view::npos ? html_.size() : end + 1;
  }

  // Reads a tag from its name at `nameAt` to its ">" and hands it on.
  size_t Tag(size_t lt, size_t nameAt, bool start) {
    size_t i = nameAt;
    while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '/' && html_[i] != '>') ++i;
    name_.assign(html_.substr(nameAt, i - nameAt));
    std::transform(name_.begin(), name_.end(), name_.begin(), Lower);
    size_t attributesAt = i;
    bool selfClosing = false;
    size_t count = 0;
    size_t cutAt = std::string_view::npos;
    // Attributes: a name, and a value after "=" that, in quotes, may hold ">".
    while (i < html_.size() && html_[i] != '>') {
      char c = html_[i];
      if (IsSpace(c) || c == '/') {
        selfClosing = c == '/' && i + 1 < html_.size() && html_[i + 1] == '>';
        ++i;
        continue;
      }
      selfClosing = false;
      if (++count == limits_.maxAttributes + 1) cutAt = i;
      ++i;
      while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '/' && html_[i] != '>' && html_[i] != '=') ++i;
      while (i < html_.size() && IsSpace(html_[i])) ++i;
      if (i >= html_.size() || html_[i] != '=') continue;
      ++i;
      while (i < html_.size() && IsSpace(html_[i])) ++i;
      if (i < html_.size() && (html_[i] == '"' || html_[i] == '\'')) {
        size_t close = html_.find(html_[i], i + 1);
        if (close == std::string_view::npos) return html_.size();  // the page ends inside the tag
        i = close + 1;
      } else {
        while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '>') ++i;
      }
    }
    if (i >= html_.size()) return html_.size();  // the parser drops a tag the page ends inside
    size_t end = i + 1;
    // The parser compares each attribute of a tag with those before it.
    if (cutAt != std::string_view::npos) edits_.push_back({cutAt, (selfClosing ? i - 1 : i) - cutAt, {}});
    uint16_t id = IdFor(name_);
    if (start) {
      std::string_view attributes = html_.substr(attributesAt, i - attributesAt);
      return StartTag(id, attributes, selfClosing, lt, end);
    }
    EndTag(id, lt, end);
    return end;
  }

  uint16_t IdFor(const std::string& name) {
    auto known = KnownTagIds().find(std::string_view(name));
    if (known != KnownTagIds().end()) return known->second;
    auto found = unknownIds_.find(std::string_view(name));
    if (found != unknownIds_.end()) return found->second;
    if (flags_.size() >= kMaxTagIds) return 0;
    auto id = static_cast<uint16_t>(flags_.size());
    unknownIds_.emplace(name, id);
    flags_.push_back(kReconstructs);
    positions_.emplace_back();
    return id;
  }

  void Text(std::string_view text, size_t at) {
    if (InForeign()) return;
    uint16_t top = Top();
    bool tableContext = top == kTable || top == kTbody || top == kThead || top == kTfoot || top == kTr;
    bool selectContext = top == kSelect || top == kOption || top == kOptgroup;
    if (selectContext) return;
    if (tableContext && std::all_of(text.begin(), text.end(), IsSpace)) return;
    Reconstruct(at);
  }

  // --- start and end tags ------------------------------------------------------------------

  size_t StartTag(uint16_t id, std::string_view attributes, bool selfClosing, size_t lt, size_t end) {
    uint32_t flags = flags_[id];
    if (InForeign()) {
      if (!(flags & kBreakout)) {
        if (!selfClosing) Push(id, lt, end, (flags_[id] & kIntegration) ? ForeignContent::No : ForeignContent::Yes);
        return end;
      }
      PopForeign();
    }
    if (flags & kNoPush) return end;
    if (id == kForm && !positions_[kForm].empty()) return end;  // the parser ignores a form inside a form
    if (flags & kForeignRoot) {
      Reconstruct(lt);
      if (!selfClosing) Push(id, lt, end, ForeignContent::Yes);
      return end;
    }
    // Implied ends.
    if ((flags & kClosesP) && InScope(kP, buttonStops_))
      PopTo(Nearest(kP));
    if ((flags & kHeading) && !stack_.empty() && (flags_[stack_.back().tag] & kHeading)) PopTop();
    if (id == kLi) CloseListItem({kLi});
    if (id == kDd || id == kDt) CloseListItem({kDd, kDt});
    if (id == kButton && InScope(kButton, scopeStops_)) PopTo(Nearest(kButton));
    if (id == kA) CloseFormattingAgain(kA);
    if (id == kNobr && InScope(kNobr, scopeStops_)) CloseFormattingAgain(kNobr);
    if (id == kOption || id == kOptgroup) {
      if (Top() == kOption) PopTop();
      if (id == kOptgroup && Top() == kOptgroup) PopTop();
    }
    if (id == kSelect && InScope(kSelect, scopeStops_)) {
      PopTo(Nearest(kSelect));
      return end;
    }
    if (id == kRb || id == kRp || id == kRt || id == kRtc)
      while (Top() == kRb || Top() == kRp || Top() == kRt || Top() == kRtc) PopTop();
    TableStart(id);
    if (flags & kRawText) return SkipRawText(id, end);
    if (flags & kVoid) {
      if (flags & kReconstructs) Reconstruct(lt);
      return end;
    }
    if (Depth() >= limits_.maxDepth) {
      Drop(id, lt, end);
      return end;
    }
    if (flags & kReconstructs) Reconstruct(lt);
    Push(id, lt, end, ForeignContent::No);
    if (flags & kFormatting) List(id, attributes);
    if (flags & kMarker) active_.push_back({true, id, 0, -1});
    return end;
  }

  void TableStart(uint16_t id) {
    bool inTableScope = InScope(kTable, tableStops_);
    if (id == kTable) {
      uint16_t top = Top();
      if ((top == kTable || top == kTbody || top == kThead || top == kTfoot || top == kTr) && inTableScope)
        PopTo(Nearest(kTable));
    } else if ((id == kTbody || id == kThead || id == kTfoot || id == kCaption || id == kColgroup) && inTableScope) {
      PopTo(Nearest(kTable) + 1);
    } else if (id == kTr && inTableScope) {
      PopTo(NearestOf({kTable, kTbody, kThead, kTfoot}) + 1);
    } else if ((id == kTd || id == kTh) && inTableScope) {
      size_t cell = NearestOf({kTd, kTh});
      if (cell != kNone && Within(cell, tableStops_)) PopTo(cell);
    }
  }

  void EndTag(uint16_t id, size_t lt, size_t end) {
    uint32_t flags = flags_[id];
    if (id == kBr) {
      Reconstruct(lt);
      return;
    }
    if (flags & kNoPush) return;
    if (InForeign()) {
      size_t at = NearestOr(id);
      if (at != kNone && at >= NearestForeignRoot()) {
        EndAt(at, lt, end);
        return;
      }
    }
    if (flags & kFormatting) {
      EndFormatting(id, lt, end);
      return;
    }
    size_t at = kNone;
    if (flags & kHeading) {
      // Any heading's end tag closes the nearest heading of any level.
      at = NearestOf({kH1, kH1 + 1, kH1 + 2, kH1 + 3, kH1 + 4, kH1 + 5});
      if (at != kNone && !Within(at, scopeStops_)) at = kNone;
    } else if (flags & kSpecial) {
      const std::vector<size_t>& stops = id == kP    ? buttonStops_
                                         : id == kLi ? listStops_
                                         : (id == kTd || id == kTh || id == kTr || id == kTbody || id == kThead ||
                                            id == kTfoot || id == kTable || id == kCaption || id == kColgroup)
                                             ? tableStops_
                                             : scopeStops_;
      if (InScope(id, stops)) at = Nearest(id);
    } else {
      // Any other end tag closes its element unless a special element stands in between.
      at = NearestOr(id);
      if (at != kNone && !Within(at, specialStops_)) at = kNone;
    }
    if (at != kNone) EndAt(at, lt, end);
  }

  // The end tag at lt..end closes the element at `at` and everything above it.
  void EndAt(size_t at, size_t lt, size_t end) {
    if (stack_[at].dropped) edits_.push_back({lt, end - lt, {}});
    PopTo(at);
  }

  void EndFormatting(uint16_t id, size_t lt, size_t end) {
    long entry = LastActive(id);
    if (entry < 0) {
      size_t at = NearestOr(id);
      if (at != kNone && Within(at, specialStops_)) EndAt(at, lt, end);
      return;
    }
    Active& active = active_[static_cast<size_t>(entry)];
    if (active.at < 0) {  // waiting: the parser forgets it
      RemoveActive(static_cast<size_t>(entry));
      return;
    }
    auto at = static_cast<size_t>(active.at);
    if (!Within(at, scopeStops_)) return;
    if (!specialStops_.empty() && specialStops_.back() > at) {
      // A block inside it: the parser moves that block into a copy of the element; the depth
      // stays about what it was.
      stack_[at].listed = false;
      RemoveActive(static_cast<size_t>(entry));
      return;
    }
    stack_[at].listed = false;
    RemoveActive(static_cast<size_t>(entry));
    EndAt(at, lt, end);
  }

  // A second <a> (or <nobr>) closes the first, and the formatting elements inside it wait.
  void CloseFormattingAgain(uint16_t id) {
    long entry = LastActive(id);
    if (entry < 0) return;
    Active& active = active_[static_cast<size_t>(entry)];
    if (active.at < 0) {
      RemoveActive(static_cast<size_t>(entry));
      return;
    }
    auto at = static_cast<size_t>(active.at);
    stack_[at].listed = false;
    RemoveActive(static_cast<size_t>(entry));
    if (!specialStops_.empty() && specialStops_.back() > at) return;
    PopTo(at);
  }

  // <li> closes an open list item, <dd> and <dt> each other, unless a block stands between.
  void CloseListItem(std::initializer_list<uint16_t> items) {
    size_t at = NearestOf(items);
    if (at == kNone) return;
    for (size_t i = specialStops_.size(); i-- > 0;) {
      size_t stop = specialStops_[i];
      if (stop <= at) break;
      uint16_t tag = stack_[stop].tag;
      if (tag != kAddress && tag != kDiv && tag != kP) return;
    }
    PopTo(at);
  }

  size_t SkipRawText(uint16_t id, size_t from) {
    if (id == kPlaintext) return html_.size();
    std::string_view name = kKnownTags[id].name;
    for (size_t at = html_.find("</", from); at != std::string_view::npos; at = html_.find("</", at + 2)) {
      if (at + 2 + name.size() > html_.size()) break;
      bool same = true;
      for (size_t k = 0; k < name.size() && same; ++k) same = Lower(html_[at + 2 + k]) == name[k];
      if (!same) continue;
      size_t after = at + 2 + name.size();
      if (after < html_.size() && !IsSpace(html_[after]) && html_[after] != '/' && html_[after] != '>') continue;
      return at;  // the end tag is read as a tag of its own
    }
    return html_.size();
  }

  // --- the stack ---------------------------------------------------------------------------

  static constexpr size_t kNone = static_cast<size_t>(-1);
  enum class ForeignContent { No, Yes };

  size_t Depth() const { return kept_ + waiting_; }
  uint16_t Top() const { return stack_.empty() ? uint16_t{0xFFFF} : stack_.back().tag; }
  bool InForeign() const { return !stack_.empty() && stack_.back().foreign; }
  size_t Nearest(uint16_t id) const { return positions_[id].back(); }
  size_t NearestOr(uint16_t id) const { return positions_[id].empty() ? kNone : positions_[id].back(); }
  // The nearest element of any of `ids`, or kNone.
  size_t NearestOf(std::initializer_list<uint16_t> ids) const {
    size_t at = kNone;
    for (uint16_t id : ids) {
      size_t near = NearestOr(id);
      if (near != kNone && (at == kNone || near > at)) at = near;
    }
    return at;
  }
  // Whether the element at `at` is above every stop.
  static bool Within(size_t at, const std::vector<size_t>& stops) { return stops.empty() || at >= stops.back(); }
  bool InScope(uint16_t id, const std::vector<size_t>& stops) const {
    return !positions_[id].empty() && Within(positions_[id].back(), stops);
  }
  size_t NearestForeignRoot() const { return foreignRoots_.empty() ? 0 : foreignRoots_.back(); }

  void Push(uint16_t id, size_t lt, size_t end, ForeignContent content) {
    if (Depth() >= limits_.maxDepth) {
      Drop(id, lt, end);
      return;
    }
    PushEntry({id, false, content == ForeignContent::Yes, false});
  }

  // Leaves the start tag out of the page; its entry stays so that its end tag is left out too.
  void Drop(uint16_t id, size_t lt, size_t end) {
    edits_.push_back({lt, end - lt, {}});
    PushEntry({id, true, InForeign(), false});
  }

  void PushEntry(Open open) {
    size_t at = stack_.size();
    stack_.push_back(open);
    positions_[open.tag].push_back(at);
    if (!open.dropped) ++kept_;
    uint32_t flags = flags_[open.tag];
    if (open.dropped) return;
    if (flags & kScope) scopeStops_.push_back(at);
    if ((flags & kScope) || open.tag == kButton) buttonStops_.push_back(at);
    if ((flags & kScope) || open.tag == kOl || open.tag == kUl) listStops_.push_back(at);
    if (flags & kTableScope) tableStops_.push_back(at);
    if (flags & kSpecial) specialStops_.push_back(at);
    if (flags & kForeignRoot) foreignRoots_.push_back(at);
  }

  void PopTop() {
    if (stack_.empty()) return;
    size_t at = stack_.size() - 1;
    Open open = stack_.back();
    stack_.pop_back();
    positions_[open.tag].pop_back();
    for (auto* stops : {&scopeStops_, &buttonStops_, &listStops_, &tableStops_, &specialStops_, &foreignRoots_})
      if (!stops->empty() && stops->back() == at) stops->pop_back();
    if (open.dropped) return;
    --kept_;
    if (open.listed) {
      for (size_t i = active_.size(); i-- > 0;)
        if (active_[i].at == static_cast<long>(at)) {
          active_[i].at = -1;
          ++waiting_;
          break;
        }
    }
    if (flags_[open.tag] & kMarker) ClearToMarker();
  }

  void PopTo(size_t at) {
    while (stack_.size() > at) PopTop();
  }

  void PopForeign() {
    while (!stack_.empty() && stack_.back().foreign) PopTop();
    if (!stack_.empty() && (flags_[stack_.back().tag] & kForeignRoot)) PopTop();
  }

  // --- the list of formatting elements -----------------------------------------------------

  void List(uint16_t id, std::string_view attributes) {
    while (!attributes.empty() && (IsSpace(attributes.front()) || attributes.front() == '/')) attributes.remove_prefix(1);
    while (!attributes.empty() && (IsSpace(attributes.back()) || attributes.back() == '/')) attributes.remove_suffix(1);
    uint64_t key = std::hash<std::string_view>()(attributes) * 31 + id;
    // Of three identical entries since the last marker, the earliest is forgotten.
    size_t same = 0;
    long earliest = -1;
    for (size_t i = active_.size(); i-- > 0;) {
      if (active_[i].marker) break;
      if (active_[i].tag == id && active_[i].key == key) {
        ++same;
        earliest = static_cast<long>(i);
      }
    }
    if (same >= 3) {
      Active& old = active_[static_cast<size_t>(earliest)];
      if (old.at >= 0) stack_[static_cast<size_t>(old.at)].listed = false;
      RemoveActive(static_cast<size_t>(earliest));
    }
    stack_.back().listed = true;
    active_.push_back({false, id, key, static_cast<long>(stack_.size() - 1)});
  }

  long LastActive(uint16_t id) const {
    for (size_t i = active_.size(); i-- > 0;) {
      if (active_[i].marker) return -1;
      if (active_[i].tag == id) return static_cast<long>(i);
    }
    return -1;
  }

  void RemoveActive(size_t i) {
    if (active_[i].at < 0 && !active_[i].marker) --waiting_;
    active_.erase(active_.begin() + static_cast<long>(i));
  }

  void ClearToMarker() {
    while (!active_.empty()) {
      Active last = active_.back();
      if (last.at >= 0 && !last.marker) stack_[static_cast<size_t>(last.at)].listed = false;
      RemoveActive(active_.size() - 1);
      if (last.marker) break;
    }
  }

  // The parser reopens the waiting formatting elements after the last open one or marker, as
  // copies, for the text or tag at `at`. Those beyond the page's allowance are ended with end
  // tags added before it, from the last: the parser forgets a waiting element at its end tag.
  void Reconstruct(size_t at) {
    if (waiting_ == 0) return;
    size_t from = active_.size();
    while (from > 0 && !active_[from - 1].marker && active_[from - 1].at < 0) --from;
    size_t count = active_.size() - from;
    size_t allowed = std::min({count, limits_.maxWaiting, static_cast<size_t>(std::max(budget_, 0L))});
    std::string ends;
    while (active_.size() - from > allowed) {
      ends += "</";
      ends += kKnownTags[active_.back().tag].name;
      ends += '>';
      RemoveActive(active_.size() - 1);
    }
    if (!ends.empty()) edits_.push_back({at, 0, std::move(ends)});
    budget_ -= static_cast<long>(allowed);
    for (size_t i = from; i < active_.size(); ++i) {
      --waiting_;
      PushEntry({active_[i].tag, false, false, true});
      active_[i].at = static_cast<long>(stack_.size() - 1);
    }
  }

  std::string_view html_;
  NestingLimits limits_;
  long budget_;  // reopenings left
  TagIds unknownIds_;  // tags of this page not in the table, numbered after it
  std::vector<uint32_t> flags_;
  std::vector<std::vector<size_t>> positions_;  // each tag's places on the stack, nearest last
  std::vector<Open> stack_;
  size_t kept_ = 0;      // entries on the stack that the parser sees
  size_t waiting_ = 0;   // formatting elements waiting to be reopened
  std::vector<Active> active_;
  // Places of the elements that end each kind of scope, nearest last.
  std::vector<size_t> scopeStops_, buttonStops_, listStops_, tableStops_, specialStops_, foreignRoots_;
  std::vector<Edit> edits_;
  std::string name_;
};

}  // namespace

std::string_view LimitNesting(std::string_view html, std::string& bounded, const NestingLimits& limits) {
  Model model(html, limits);
  if (!model.Run(bounded)) return html;
  return bounded;
}
