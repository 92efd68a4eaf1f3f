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

// The tags the pass knows, by what they are to it; a tag may be in several lists.
constexpr std::pair<uint16_t, std::string_view> kKindLists[] = {
    {kVoid, "area base basefont bgsound br col embed frame hr img image input keygen link meta param source track wbr "
            "html head body"},
    {kRawText, "script style xmp iframe noembed noframes textarea title plaintext"},
    {kFormatting, "a b big code em font i nobr s small strike strong tt u"},
    {kBlock, "p li dd dt tr h1 h2 h3 h4 h5 h6 ol ul form div address plaintext br hr html head body xmp article aside "
             "blockquote center colgroup details dialog dir dl fieldset figcaption figure footer frameset header "
             "hgroup listing main menu nav noscript pre section summary tbody tfoot thead"},
    {kBlock | kScope, "td th table template applet caption marquee object button select svg math foreignobject "
                      "desc mi mo mn ms mtext annotation-xml"},
    {kForeign, "svg math"},
    {kHtml, "title foreignobject desc mi mo mn ms mtext"},
    {kTablePart, "tr td th table caption tbody tfoot thead"},
};

// The tags the pass treats one by one; their ids come first, in this order.
constexpr std::string_view kNamedTags = "p li dd dt option tr td th h1 h2 h3 h4 h5 h6 table template ol ul form div "
                                        "address a nobr plaintext";
enum : uint32_t { kP, kLi, kDd, kDt, kOption, kTr, kTd, kTh, kH1, kH2, kH3, kH4, kH5, kH6, kTable, kTemplate,
                  kOl, kUl, kForm, kDiv, kAddress, kA, kNobr, kPlaintext };
constexpr uint32_t kNoId = UINT32_MAX;

struct KnownTags {
  std::unordered_map<std::string_view, uint32_t> ids;
  std::vector<uint16_t> kinds;  // by id
};

const KnownTags& Known() {
  static const KnownTags known = [] {
    KnownTags tags;
    auto each = [](std::string_view names, auto&& use) {
      for (size_t at = 0, end; at < names.size(); at = end + 1) {
        end = std::min(names.find(' ', at), names.size());
        use(names.substr(at, end - at));
      }
    };
    each(kNamedTags, [&](std::string_view name) { tags.ids.emplace(name, tags.ids.size()); });
    for (const auto& list : kKindLists)
      each(list.second, [&](std::string_view name) { tags.ids.emplace(name, tags.ids.size()); });
    tags.kinds.resize(tags.ids.size());
    for (const auto& list : kKindLists)
      each(list.second, [&](std::string_view name) { tags.kinds[tags.ids[name]] |= list.first; });
    return tags;
  }();
  return known;
}

uint16_t KindOf(uint32_t id) { return id < Known().kinds.size() ? Known().kinds[id] : 0; }

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

  // The next token; false at the end of the page. `foreign`: CDATA sections are read, as the
  // parser reads them in svg and math (and may in HTML inside them).
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
    auto is = [this](size_t i, std::string_view stops) {
      return i < html_.size() && stops.find(html_[i]) == std::string_view::npos;
    };
    auto space = [this](size_t i) { return i < html_.size() && IsSpace(html_[i]); };
    bool start = html_[at_ + 1] != '/';
    size_t i = at_ + (start ? 1 : 2), nameAt = i, count = 0;
    while (is(i, " \t\n\r\f/>")) ++i;
    token.name.assign(html_.substr(nameAt, i - nameAt));
    std::transform(token.name.begin(), token.name.end(), token.name.begin(), Lower);
    size_t attributesAt = i;
    token.selfClosing = false;
    token.cutAt = 0;
    // Attributes: a name, and a value after "=" that, in quotes, may hold ">".
    while (i < html_.size() && html_[i] != '>') {
      if (space(i) || html_[i] == '/') {
        token.selfClosing = html_[i] == '/' && i + 1 < html_.size() && html_[i + 1] == '>';
        ++i;
        continue;
      }
      token.selfClosing = false;
      if (++count == kMaxAttributes + 1) token.cutAt = i;
      for (++i; is(i, " \t\n\r\f/>="); ++i) {}
      while (space(i)) ++i;
      if (i >= html_.size() || html_[i] != '=') continue;
      for (++i; space(i); ++i) {}
      bool quoted = i < html_.size() && (html_[i] == '"' || html_[i] == '\'');
      if (quoted) i = std::min(html_.find(html_[i], i + 1), html_.size() - 1) + 1;
      while (!quoted && is(i, " \t\n\r\f>")) ++i;
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

class Bound {
 public:
  explicit Bound(std::string_view html) : html_(html), reader_(html) {}

  // True when the page had to be cut, with `out` the page cut down.
  bool Run(std::string& out) {
    Token token;
    while (reader_.Next(token, Last(kForeigns) != kNone)) {
      if (token.kind == TokenKind::StartTag) StartTag(token);
      else if (token.kind == TokenKind::EndTag) EndTag(token);
      else if (token.kind == TokenKind::Other) CdataInTable(token);
    }
    if (cuts_.empty()) return false;
    out.clear();
    size_t copied = 0;
    for (const auto& [at, end, with] : cuts_) {
      out.append(html_.substr(copied, at - copied));
      out.append(with);
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
  enum Mark { kBlocks, kScopes, kForeigns, kHtmls, kMarks };  // kinds kBlock to kHtml
  static constexpr size_t kNone = SIZE_MAX;
  static constexpr size_t kMaxNames = 4096;

  void StartTag(const Token& token) {
    uint32_t id = Id(token.name);
    uint16_t kind = KindOf(id);
    bool admitted = true;
    if (!InForeign()) {
      if (id == kPlaintext) reader_.SkipToEnd();  // nothing ends it
      else if (kind & kRawText) reader_.SkipRawText(token.name);
      if (kind & (kRawText | kVoid)) return Cut(token, true);
      CloseOwnKind(id);
    } else if (token.selfClosing) {
      return Cut(token, true);
    }
    admitted = open_ < kMaxDepth && (!(kind & kFormatting) || Admit(id, token.attributes));
    Cut(token, admitted);
    size_t at = stack_.size();
    stack_.push_back({id, admitted ? State::Open : State::Dropped});
    if (id != kNoId) positions_[id].push_back(at);
    if (!admitted) return;
    ++open_;
    for (int mark = kBlocks; mark < kMarks; ++mark)
      if (kind & (kBlock << mark)) marks_[mark].push_back(at);
  }

  void EndTag(const Token& token) {
    uint32_t id = Find(token.name);
    if (id == kNoId) return;
    uint16_t kind = KindOf(id);
    size_t at = id >= kH1 && id <= kH6 ? Nearest({kH1, kH2, kH3, kH4, kH5, kH6}) : Nearest({id});
    bool dropped = at != kNone && stack_[at].state == State::Dropped;
    Cut(token, !dropped);
    if (dropped) return Forget(at);
    if (kind & kFormatting) return CloseFormatting(id, at);
    size_t barrier = kind & kTablePart ? Nearest({kTable, kTemplate}) : Last(kind & kBlock ? kScopes : kBlocks);
    if (at == kNone || Above(barrier, at) || (id == kLi && Above(Nearest({kOl, kUl}), at))) return;
    if (id == kForm && at + 1 < stack_.size()) return;  // the parser leaves what the form holds open
    PopTo(at);
  }

  // As the parser ends a formatting element, by its end tag or by another a or nobr.
  void CloseFormatting(uint32_t id, size_t at) {
    if (at != kNone && Above(Last(kScopes), at)) return;
    auto entry = std::find_if(formatting_.rbegin(), formatting_.rend(), [id](auto& open) { return open.first == id; });
    bool listed = entry != formatting_.rend();
    if (listed) formatting_.erase(std::next(entry).base());
    if (at == kNone) return;
    // A block inside it: the parser takes it off its stack and moves the block into a copy of it,
    // which it closes; the stack is no deeper for it.
    if (!Above(Last(kBlocks), at)) PopTo(at);
    else if (listed) Forget(at);
  }

  void CloseOwnKind(uint32_t id) {
    bool heading = id >= kH1 && id <= kH6;
    if (id == kOption || heading) {
      uint32_t top = stack_.empty() ? kNoId : stack_.back().id;
      if (heading ? top >= kH1 && top <= kH6 : top == kOption) PopTo(stack_.size() - 1);
      return;
    }
    size_t at = id == kDd || id == kDt ? Nearest({kDd, kDt}) : id == kTd || id == kTh ? Nearest({kTd, kTh})
                : id == kP || id == kLi || id == kTr || id == kA || id == kNobr ? Nearest({id}) : kNone;
    if (id == kA || id == kNobr) {
      if (at == kNone || stack_[at].state == State::Open) CloseFormatting(id, at);
      return;
    }
    if (at == kNone || stack_[at].state != State::Open) return;
    if (id == kTr || id == kTd || id == kTh) {
      if (!Above(Nearest({kTable, kTemplate}), at)) PopTo(at);
      return;
    }
    // A list item closes the one before it past a p, div or address, as the parser does.
    const std::vector<size_t>& blocks = marks_[kBlocks];
    for (size_t i = blocks.size(); i-- > 0 && blocks[i] > at;) {
      uint32_t block = stack_[blocks[i]].id;
      if (id == kP || !(block == kP || block == kDiv || block == kAddress)) return;
    }
    PopTo(at);
  }

  // Whether a formatting element may open: the parser keeps three identical ones at most.
  bool Admit(uint32_t id, std::string_view attributes) {
    size_t first = attributes.find_first_not_of(" \t\n\r\f/");
    attributes = first == std::string_view::npos ? "" : attributes.substr(first);
    attributes = attributes.substr(0, attributes.find_last_not_of(" \t\n\r\f/") + 1);
    uint64_t key = std::hash<std::string_view>()(attributes) * 31 + id;
    size_t same = 0, earliest = 0;
    for (size_t i = formatting_.size(); i-- > 0;)
      if (formatting_[i] == std::pair(id, key)) ++same, earliest = i;
    if (same >= 3) formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(earliest));
    else if (formatting_.size() >= kMaxFormatting) return false;
    formatting_.emplace_back(id, key);
    return true;
  }

  // A CDATA section at an integration point of svg or math (foreignObject, mi, ...) or in HTML
  // inside one, in a table's rows, with text after it, can fail an assertion of the packaged
  // parser, which ends the program. One with no ">" in it becomes the comment the parser makes of
  // it in HTML content (the same page where it reads HTML there); another is left out.
  void CdataInTable(const Token& token) {
    std::string_view text = html_.substr(token.at, token.end - token.at);
    bool inside = AtIntegrationPoint() || (Last(kForeigns) != kNone && !InForeign());
    // Any table open: the parser may have closed a cell or caption the pass still counts open.
    if (!text.starts_with("<![CDATA[") || !inside || Nearest({kTable}) == kNone) return;
    // What the parser inserts before that text (a comment, an element) is safe; what it may
    // ignore there (end tags, a doctype, html, head or body) is looked past.
    TagReader ahead = reader_;
    Token next;
    bool more = true;
    for (int looked = 0; (more = ahead.Next(next, true)) && next.kind != TokenKind::Text && looked < 64; ++looked) {
      std::string_view what = html_.substr(next.at, next.end - next.at);
      bool page = next.name == "html" || next.name == "head" || next.name == "body";
      if (!(next.kind == TokenKind::StartTag && page) && next.kind != TokenKind::EndTag &&
          !what.starts_with("<![CDATA[") && !what.starts_with("<!D") && !what.starts_with("<!d"))
        return;
    }
    if (!more) return;  // the page ends first
    bool closed = text.ends_with("]]>") && text.find('>') == text.size() - 1;
    cuts_.push_back({token.at, token.end, closed ? "<!--" + std::string(text.substr(2, text.size() - 3)) + "-->" : ""});
  }

  // Cuts the tag out of the page, or else the attributes past the bound.
  void Cut(const Token& token, bool keep) {
    if (!keep) cuts_.push_back({token.at, token.end, {}});
    else if (token.cutAt) cuts_.push_back({token.cutAt, token.cutEnd, {}});
  }

  uint32_t Find(const std::string& name) const {
    if (auto known = Known().ids.find(name); known != Known().ids.end()) return known->second;
    auto found = names_.find(name);
    return found == names_.end() ? kNoId : found->second;
  }
  // Past kMaxNames names of its own a page's other names have no id: no end tag matches them.
  uint32_t Id(const std::string& name) {
    uint32_t id = Find(name);
    if (id != kNoId || names_.size() >= kMaxNames) return id;
    id = static_cast<uint32_t>(positions_.size());
    names_.emplace(name, id);
    positions_.emplace_back();
    return id;
  }

  bool InForeign() const {
    size_t foreign = Last(kForeigns), html = Last(kHtmls);
    return foreign != kNone && (html == kNone || foreign > html);
  }
  // Whether the element open last is one where the parser reads HTML inside svg or math (or may:
  // annotation-xml does when its encoding says so).
  bool AtIntegrationPoint() const {
    static const uint32_t kAnnotationXml = Known().ids.at("annotation-xml");
    size_t foreign = Last(kForeigns), html = Last(kHtmls);
    if (stack_.empty() || foreign == kNone) return false;
    return stack_.back().id == kAnnotationXml || (html != kNone && html + 1 == stack_.size() && foreign < html);
  }
  size_t Last(Mark mark) const { return marks_[mark].empty() ? kNone : marks_[mark].back(); }
  // Whether the place `mark` (kNone for none) is above the place `at`.
  static bool Above(size_t mark, size_t at) { return mark != kNone && mark > at; }
  // The nearest element open of `ids`, dropped or not, or kNone.
  size_t Nearest(std::initializer_list<uint32_t> ids) const {
    size_t at = kNone;
    for (uint32_t id : ids)
      if (!positions_[id].empty() && (at == kNone || positions_[id].back() > at)) at = positions_[id].back();
    return at;
  }

  // The element at `at` is no longer open, though what it held is: its entry stays, unmatched.
  void Forget(size_t at) {
    positions_[stack_[at].id].pop_back();
    if (stack_[at].state == State::Open) --open_;
    stack_[at].state = State::Gone;
  }

  void PopTo(size_t at) {
    while (stack_.size() > at) {
      Entry entry = stack_.back();
      stack_.pop_back();
      size_t top = stack_.size();
      if (entry.id != kNoId && !positions_[entry.id].empty() && positions_[entry.id].back() == top)
        positions_[entry.id].pop_back();
      if (entry.state == State::Open) --open_;
      for (std::vector<size_t>& marks : marks_)
        if (!marks.empty() && marks.back() == top) marks.pop_back();
    }
  }

  std::string_view html_;
  TagReader reader_;
  std::unordered_map<std::string, uint32_t> names_;  // the page's names the pass does not know
  std::vector<std::vector<size_t>> positions_ = std::vector<std::vector<size_t>>(Known().kinds.size());
  std::vector<Entry> stack_;
  size_t open_ = 0;  // entries open in the parser's stack
  std::vector<size_t> marks_[kMarks];  // places of the open blocks, scopes, ... nearest last
  std::vector<std::pair<uint32_t, uint64_t>> formatting_;  // open or to be reopened, in order
  struct Edit {
    size_t at, end;
    std::string with;  // what stands there instead
  };
  std::vector<Edit> cuts_;  // page order
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
    auto known = Known().ids.find(token.name);
    uint16_t kind = known == Known().ids.end() ? 0 : KindOf(known->second);
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
