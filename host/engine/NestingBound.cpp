#include "host/engine/NestingBound.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace {

enum Kind : uint16_t {
  kVoid = 1,        // never stays open (html, head and body merge into the ones there are)
  kRawText = 2,     // holds text up to its own end tag
  kFormatting = 4,  // reopened by the parser after an end tag closed it implicitly
  kBlock = 8,       // an inline end tag never closes past it
  kScope = 16,      // no end tag but a table's closes past it
  kForeign = 32,    // what it holds is svg or math
  kHtml = 64,       // what it holds is HTML again
  kTablePart = 128, // its end tag closes past anything but a table
};

constexpr uint16_t kBarrier = kBlock | kScope;

struct KnownTag {
  std::string_view name;
  uint16_t kind;
};

// A tag's id is its place here; other names get ids after these.
constexpr KnownTag kKnownTags[] = {
    {"p", kBlock}, {"li", kBlock}, {"dd", kBlock}, {"dt", kBlock}, {"option", 0}, {"tr", kBlock | kTablePart},
    {"td", kBarrier | kTablePart}, {"th", kBarrier | kTablePart}, {"h1", kBlock}, {"h2", kBlock}, {"h3", kBlock},
    {"h4", kBlock}, {"h5", kBlock}, {"h6", kBlock}, {"table", kBarrier | kTablePart}, {"template", kBarrier},
    {"ol", kBlock}, {"ul", kBlock}, {"form", kBlock}, {"div", kBlock}, {"address", kBlock}, {"a", kFormatting},
    {"nobr", kFormatting}, {"plaintext", kRawText | kBlock}, {"b", kFormatting}, {"big", kFormatting},
    {"code", kFormatting}, {"em", kFormatting}, {"font", kFormatting}, {"i", kFormatting}, {"s", kFormatting},
    {"small", kFormatting}, {"strike", kFormatting}, {"strong", kFormatting}, {"tt", kFormatting},
    {"u", kFormatting}, {"area", kVoid}, {"base", kVoid}, {"basefont", kVoid}, {"bgsound", kVoid},
    {"br", kVoid | kBlock}, {"col", kVoid}, {"embed", kVoid}, {"frame", kVoid}, {"hr", kVoid | kBlock},
    {"img", kVoid}, {"image", kVoid}, {"input", kVoid}, {"keygen", kVoid}, {"link", kVoid}, {"meta", kVoid},
    {"param", kVoid}, {"source", kVoid}, {"track", kVoid}, {"wbr", kVoid}, {"html", kVoid | kBlock},
    {"head", kVoid | kBlock}, {"body", kVoid | kBlock}, {"script", kRawText}, {"style", kRawText},
    {"xmp", kRawText | kBlock}, {"iframe", kRawText}, {"noembed", kRawText}, {"noframes", kRawText},
    {"textarea", kRawText}, {"title", kRawText | kHtml}, {"applet", kBarrier}, {"caption", kBarrier | kTablePart},
    {"marquee", kBarrier}, {"object", kBarrier}, {"button", kBarrier}, {"select", kBarrier},
    {"svg", kBarrier | kForeign}, {"math", kBarrier | kForeign}, {"foreignobject", kBarrier | kHtml},
    {"desc", kBarrier | kHtml}, {"mi", kBarrier | kHtml}, {"mo", kBarrier | kHtml}, {"mn", kBarrier | kHtml},
    {"ms", kBarrier | kHtml}, {"mtext", kBarrier | kHtml}, {"annotation-xml", kBarrier}, {"article", kBlock},
    {"aside", kBlock}, {"blockquote", kBlock}, {"center", kBlock}, {"colgroup", kBlock}, {"details", kBlock},
    {"dialog", kBlock}, {"dir", kBlock}, {"dl", kBlock}, {"fieldset", kBlock}, {"figcaption", kBlock},
    {"figure", kBlock}, {"footer", kBlock}, {"frameset", kBlock}, {"header", kBlock}, {"hgroup", kBlock},
    {"listing", kBlock}, {"main", kBlock}, {"menu", kBlock}, {"nav", kBlock}, {"noscript", kBlock},
    {"pre", kBlock}, {"section", kBlock}, {"summary", kBlock}, {"tbody", kBlock | kTablePart},
    {"tfoot", kBlock | kTablePart}, {"thead", kBlock | kTablePart},
};

enum : uint32_t { kP, kLi, kDd, kDt, kOption, kTr, kTd, kTh, kH1, kH2, kH3, kH4, kH5, kH6, kTable, kTemplate,
                  kOl, kUl, kForm, kDiv, kAddress, kA, kNobr, kPlaintext };
constexpr uint32_t kKnownCount = std::size(kKnownTags);
static_assert(kKnownTags[kPlaintext].name == "plaintext", "ids follow the table");
// Past this many names a page's other names share one id, which no end tag matches.
constexpr uint32_t kMaxNames = kKnownCount + 4096;
constexpr uint32_t kNoId = UINT32_MAX;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

enum class TokenKind { Text, StartTag, EndTag, Other };

struct Token {
  TokenKind kind = TokenKind::Other;
  size_t at = 0, end = 0;
  std::string name;  // of a tag, in lower case
  std::string_view attributes;
  bool selfClosing = false;
  size_t cutAt = 0, cutEnd = 0;  // the attributes past the bound; none when cutAt is 0
};

// The page's tokens, as the parser's tokenizer splits them.
class TagReader {
 public:
  explicit TagReader(std::string_view html) : html_(html) {}

  // The next token; false at the end of the page. `foreign`: CDATA sections are read.
  bool Next(Token& token, bool foreign) {
    if (at_ >= html_.size()) return false;
    token.kind = TokenKind::Other;
    token.at = at_;
    std::string_view rest = html_.substr(at_);
    if (rest[0] != '<') {
      token.kind = TokenKind::Text;
      at_ = std::min(html_.find('<', at_), html_.size());
    } else if (rest.starts_with("<!--")) {
      at_ = rest.starts_with("<!-->") ? at_ + 5 : rest.starts_with("<!--->") ? at_ + 6 : Past("-->", at_ + 4);
    } else if (foreign && rest.starts_with("<![CDATA[")) {
      at_ = Past("]]>", at_ + 9);
    } else if (rest.starts_with("<!") || rest.starts_with("<?") || (rest.starts_with("</") && rest.size() > 2 &&
                                                                    !IsAlpha(rest[2]))) {
      at_ = Past(">", at_ + 2);
    } else if (rest.size() > 1 && (IsAlpha(rest[1]) || (rest[1] == '/' && rest.size() > 2))) {
      Tag(token);
    } else {
      token.kind = TokenKind::Text;
      ++at_;
    }
    token.end = at_;
    return true;
  }

  // Passes the text of a raw text element up to its end tag (or the end of the page).
  void SkipRawText(std::string_view name) {
    for (size_t at = html_.find("</", at_); at != std::string_view::npos; at = html_.find("</", at + 2)) {
      size_t after = at + 2 + name.size();
      if (after > html_.size()) break;
      bool same = true;
      for (size_t k = 0; k < name.size() && same; ++k) same = Lower(html_[at + 2 + k]) == name[k];
      if (same && (after == html_.size() || IsSpace(html_[after]) || html_[after] == '/' || html_[after] == '>')) {
        at_ = at;
        return;
      }
    }
    at_ = html_.size();
  }
  void SkipToEnd() { at_ = html_.size(); }
  size_t At() const { return at_; }

 private:
  size_t Past(std::string_view what, size_t from) const {
    size_t found = html_.find(what, from);
    return found == std::string_view::npos ? html_.size() : found + what.size();
  }

  // A tag from its "<" to its ">"; a tag the page ends inside is dropped by the parser.
  void Tag(Token& token) {
    bool start = html_[at_ + 1] != '/';
    size_t i = at_ + (start ? 1 : 2);
    size_t nameAt = i;
    while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '/' && html_[i] != '>') ++i;
    token.name.assign(html_.substr(nameAt, i - nameAt));
    std::transform(token.name.begin(), token.name.end(), token.name.begin(), Lower);
    size_t attributesAt = i;
    token.selfClosing = false;
    token.cutAt = 0;
    size_t count = 0;
    // Attributes: a name, and a value after "=" that, in quotes, may hold ">".
    while (i < html_.size() && html_[i] != '>') {
      char c = html_[i];
      if (IsSpace(c) || c == '/') {
        token.selfClosing = c == '/' && i + 1 < html_.size() && html_[i + 1] == '>';
        ++i;
        continue;
      }
      token.selfClosing = false;
      if (++count == kMaxAttributes + 1) token.cutAt = i;
      ++i;
      while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '/' && html_[i] != '>' && html_[i] != '=') ++i;
      while (i < html_.size() && IsSpace(html_[i])) ++i;
      if (i >= html_.size() || html_[i] != '=') continue;
      ++i;
      while (i < html_.size() && IsSpace(html_[i])) ++i;
      if (i < html_.size() && (html_[i] == '"' || html_[i] == '\'')) {
        size_t close = html_.find(html_[i], i + 1);
        i = close == std::string_view::npos ? html_.size() : close + 1;
      } else {
        while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '>') ++i;
      }
    }
    at_ = std::min(i + 1, html_.size());
    if (i >= html_.size()) return;
    token.kind = start ? TokenKind::StartTag : TokenKind::EndTag;
    token.attributes = html_.substr(attributesAt, i - attributesAt);
    token.cutEnd = token.selfClosing ? i - 1 : i;  // before the ">" or "/>"
  }

  std::string_view html_;
  size_t at_ = 0;
};

struct TransparentHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};
using NameIds = std::unordered_map<std::string, uint32_t, TransparentHash, std::equal_to<>>;

const NameIds& KnownIds() {
  static const NameIds ids = [] {
    NameIds known;
    for (uint32_t i = 0; i < kKnownCount; ++i) known.emplace(kKnownTags[i].name, i);
    return known;
  }();
  return ids;
}

uint16_t KnownKind(std::string_view name) {
  auto found = KnownIds().find(name);
  return found == KnownIds().end() ? 0 : kKnownTags[found->second].kind;
}

class Bound {
 public:
  explicit Bound(std::string_view html) : html_(html), reader_(html) {}

  // True when the page had to be cut, with `out` the page cut down.
  bool Run(std::string& out) {
    Token token;
    while (reader_.Next(token, InForeign())) {
      if (token.kind == TokenKind::StartTag) StartTag(token);
      else if (token.kind == TokenKind::EndTag) EndTag(token);
    }
    if (cuts_.empty()) return false;
    out.clear();
    out.reserve(html_.size());
    size_t copied = 0;
    for (auto [at, end] : cuts_) {
      out.append(html_.substr(copied, at - copied));
      copied = end;
    }
    out.append(html_.substr(copied));
    return true;
  }

 private:
  enum class State : uint8_t { Open, Dropped, Gone };
  struct Entry {
    uint32_t id;
    State state;
  };
  static constexpr size_t kNone = SIZE_MAX;
  enum class Create { No, Yes };

  void StartTag(const Token& token) {
    uint32_t id = Id(token.name);
    uint16_t kind = KindOf(id);
    if (!InForeign()) {
      if (kind & kRawText) {
        if (id == kPlaintext) reader_.SkipToEnd();  // nothing ends it
        else reader_.SkipRawText(token.name);
      }
      if (kind & (kRawText | kVoid)) return CutAttributes(token);
      CloseOwnKind(id);
    } else if (token.selfClosing) {
      return CutAttributes(token);
    }
    bool admitted = open_ < kMaxDepth && (!(kind & kFormatting) || Admit(id, token.attributes));
    if (!admitted) cuts_.emplace_back(token.at, token.end);
    else CutAttributes(token);
    size_t at = stack_.size();
    stack_.push_back({id, admitted ? State::Open : State::Dropped});
    if (id != kNoId) positions_[id].push_back(at);
    if (!admitted) return;
    ++open_;
    for (size_t mark = 0; mark < kMarks; ++mark)
      if (kind & (kBlock << mark)) marks_[mark].push_back(at);
  }

  void EndTag(const Token& token) {
    uint32_t id = Id(token.name, Create::No);
    if (id == kNoId) return;
    bool heading = id >= kH1 && id <= kH6;
    size_t at = heading ? Nearest({kH1, kH2, kH3, kH4, kH5, kH6}) : Nearest({id});
    uint16_t kind = KindOf(id);
    if (at != kNone && stack_[at].state == State::Dropped) {
      cuts_.emplace_back(token.at, token.end);
      Forget(at);
      return;
    }
    CutAttributes(token);
    if (kind & kFormatting) return CloseFormatting(id, at);
    if (at == kNone || Above(at, kTablePart & kind ? Tables() : MarkAt(kind & kBlock ? kScope : kBlock))) return;
    if (size_t list = Nearest({kOl, kUl}); id == kLi && list != kNone && list > at) return;
    if (id == kForm && at + 1 < stack_.size()) return;  // the parser leaves what the form holds open
    PopTo(at);
  }

  // As the parser ends a formatting element, by its end tag or by another a or nobr.
  void CloseFormatting(uint32_t id, size_t at) {
    if (at != kNone && Above(at, MarkAt(kScope))) return;
    bool listed = false;
    for (size_t i = formatting_.size(); i-- > 0 && !listed;)
      if (formatting_[i].first == id) {
        formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
        listed = true;
      }
    if (at == kNone) return;
    // A block inside it: the parser takes it off its stack and moves the block into a copy of
    // it, which it closes; the stack is no deeper for it.
    if (Above(at, MarkAt(kBlock))) {
      if (listed) Forget(at);
    } else {
      PopTo(at);
    }
  }

  void CloseOwnKind(uint32_t id) {
    if (id == kOption || (id >= kH1 && id <= kH6)) {
      bool same = id == kOption ? Top() == kOption : Top() >= kH1 && Top() <= kH6;
      if (same) PopTo(stack_.size() - 1);
      return;
    }
    if (id == kA || id == kNobr) {
      size_t at = Nearest({id});
      if (at == kNone || stack_[at].state == State::Open) CloseFormatting(id, at);
      return;
    }
    size_t at = id == kP ? Nearest({kP}) : id == kLi ? Nearest({kLi}) : (id == kDd || id == kDt) ? Nearest({kDd, kDt})
                : id == kTr ? Nearest({kTr}) : (id == kTd || id == kTh) ? Nearest({kTd, kTh}) : kNone;
    if (at == kNone || stack_[at].state != State::Open) return;
    if (id == kTr || id == kTd || id == kTh) {
      if (Above(at, Tables())) return;
    } else {
      // A list item closes the one before it past a p, div or address, as the parser does.
      const std::vector<size_t>& blocks = marks_[0];
      for (size_t i = blocks.size(); i-- > 0 && blocks[i] > at;) {
        uint32_t block = stack_[blocks[i]].id;
        if (id == kP || !(block == kP || block == kDiv || block == kAddress)) return;
      }
    }
    PopTo(at);
  }

  // Whether a formatting element may open: the parser keeps three identical ones at most.
  bool Admit(uint32_t id, std::string_view attributes) {
    while (!attributes.empty() && (IsSpace(attributes.front()) || attributes.front() == '/')) attributes.remove_prefix(1);
    while (!attributes.empty() && (IsSpace(attributes.back()) || attributes.back() == '/')) attributes.remove_suffix(1);
    uint64_t key = std::hash<std::string_view>()(attributes) * 31 + id;
    size_t same = 0, earliest = 0;
    for (size_t i = formatting_.size(); i-- > 0;)
      if (formatting_[i].first == id && formatting_[i].second == key) {
        ++same;
        earliest = i;
      }
    if (same >= 3) formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(earliest));
    else if (formatting_.size() >= kMaxFormatting) return false;
    formatting_.emplace_back(id, key);
    return true;
  }

  void CutAttributes(const Token& token) {
    if (token.cutAt) cuts_.emplace_back(token.cutAt, token.cutEnd);
  }

  uint32_t Id(const std::string& name, Create create = Create::Yes) {
    auto known = KnownIds().find(name);
    if (known != KnownIds().end()) return known->second;
    auto found = names_.find(name);
    if (found != names_.end()) return found->second;
    if (create == Create::No || kKnownCount + names_.size() >= kMaxNames) return kNoId;
    auto id = static_cast<uint32_t>(kKnownCount + names_.size());
    names_.emplace(name, id);
    positions_.emplace_back();
    return id;
  }
  static uint16_t KindOf(uint32_t id) { return id < kKnownCount ? kKnownTags[id].kind : 0; }
  uint32_t Top() const { return stack_.empty() ? kNoId : stack_.back().id; }
  bool InForeign() const {
    const std::vector<size_t>& foreign = MarkAt(kForeign);
    const std::vector<size_t>& html = MarkAt(kHtml);
    return !foreign.empty() && (html.empty() || foreign.back() > html.back());
  }

  // The nearest element open of `ids`, dropped or not, or kNone.
  size_t Nearest(std::initializer_list<uint32_t> ids) const {
    size_t at = kNone;
    for (uint32_t id : ids)
      if (!positions_[id].empty() && (at == kNone || positions_[id].back() > at)) at = positions_[id].back();
    return at;
  }
  // Whether one of the places `marks` (nearest last) is above `at`.
  static bool Above(size_t at, const std::vector<size_t>& marks) { return !marks.empty() && marks.back() > at; }
  const std::vector<size_t>& MarkAt(uint16_t kind) const {
    size_t mark = 0;
    while ((kBlock << mark) != kind) ++mark;
    return marks_[mark];
  }
  // The tables and templates open.
  const std::vector<size_t>& Tables() {
    tables_.clear();
    size_t at = Nearest({kTable, kTemplate});
    if (at != kNone) tables_.push_back(at);
    return tables_;
  }

  // The element at `at` is no longer open, though what it held is: its entry stays, unmatched.
  void Forget(size_t at) {
    Entry& entry = stack_[at];
    positions_[entry.id].pop_back();
    if (entry.state == State::Open) --open_;
    entry.state = State::Gone;
  }

  void PopTo(size_t at) {
    while (stack_.size() > at) {
      Entry entry = stack_.back();
      size_t top = stack_.size() - 1;
      stack_.pop_back();
      if (entry.id != kNoId && !positions_[entry.id].empty() && positions_[entry.id].back() == top)
        positions_[entry.id].pop_back();
      if (entry.state == State::Open) --open_;
      for (std::vector<size_t>& marks : marks_)
        if (!marks.empty() && marks.back() == top) marks.pop_back();
    }
  }

  static constexpr size_t kMarks = 4;  // kBlock to kHtml

  std::string_view html_;
  TagReader reader_;
  NameIds names_;  // the page's names that are not in the table
  std::vector<std::vector<size_t>> positions_ = std::vector<std::vector<size_t>>(kKnownCount);
  std::vector<Entry> stack_;
  size_t open_ = 0;  // entries open in the parser's stack
  std::vector<size_t> marks_[kMarks];  // places of the open blocks, scopes, ... nearest last
  std::vector<size_t> tables_;
  std::vector<std::pair<uint32_t, uint64_t>> formatting_;  // open or to be reopened, in order
  std::vector<std::pair<size_t, size_t>> cuts_;  // page order
};

}  // namespace

std::string_view BoundNesting(std::string_view html, std::string& bounded) {
  Bound bound(html);
  return bound.Run(bounded) ? std::string_view(bounded) : html;
}

std::string TextOnlyPage(std::string_view html) {
  TagReader reader(html);
  std::string title, text;
  auto append = [&text](std::string_view part) {
    for (char c : part) {
      if (c == '<') text += "&lt;";
      else text += c;
    }
  };
  Token token;
  while (reader.Next(token, false)) {
    if (token.kind == TokenKind::Text) {
      append(html.substr(token.at, token.end - token.at));
      continue;
    }
    uint16_t kind = KnownKind(token.name);
    if (token.kind == TokenKind::StartTag && (kind & kRawText)) {
      if (token.name == "plaintext") {
        append(html.substr(token.end));
        break;
      }
      reader.SkipRawText(token.name);
      if (token.name == "title" && title.empty()) title = html.substr(token.end, reader.At() - token.end);
    } else if (token.kind != TokenKind::Other && (kind & kBlock) && !text.ends_with("<br>")) {
      text += "<br>";
    }
  }
  return "<title>" + title + "</title><body>" + text;
}
