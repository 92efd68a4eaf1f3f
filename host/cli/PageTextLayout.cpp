#include "host/cli/PageTextLayout.h"

#include <algorithm>
#include <unordered_map>

#include "host/engine/PageText.h"
#include "platform/text/WideText.h"

namespace {

constexpr size_t kMinWidth = 20;
constexpr wchar_t kReplacement = L'\uFFFD';
constexpr size_t kTabStop = 8;

// The blocks set apart from their neighbours by an empty line, as a browser sets them apart by
// their margins.
bool IsSpacedBlock(std::string_view tag) {
  static constexpr std::string_view kSpaced[] = {"p",  "pre", "h1", "h2", "h3",    "h4",         "h5",
                                                 "h6", "ul",  "ol", "dl", "table", "blockquote", "hr"};
  return std::find(std::begin(kSpaced), std::end(kSpaced), tag) != std::end(kSpaced);
}

// Collects the laid-out lines up to the most asked for; past them it only notes that the page
// goes on, which ends the walk.
class LineCollector {
 public:
  explicit LineCollector(const TextLayout& layout)
      : width_(std::max(layout.width, kMinWidth)), maxLines_(layout.maxLines) {}

  size_t Width() const { return width_; }
  bool Full() const { return page_.more; }
  // The most lines a block laid out now can use: one past what is left shows that the page goes
  // on; 0 when there is no bound.
  size_t Room() const { return maxLines_ == 0 ? 0 : maxLines_ - std::min(maxLines_, page_.lines.size()) + 2; }

  void Add(std::wstring_view line) {
    if (page_.more) return;
    if (line.empty()) {
      pendingBlank_ = !page_.lines.empty();
      return;
    }
    if (pendingBlank_) {
      pendingBlank_ = false;
      Push(L"");
    }
    Push(line);
  }
  // Empty lines are held back and collapsed, so that blocks are set apart by one at most.
  void Blank() { Add(L""); }

  LaidOutPage Take() { return std::move(page_); }

 private:
  void Push(std::wstring_view line) {
    if (page_.more) return;
    if (maxLines_ != 0 && page_.lines.size() >= maxLines_) {
      page_.more = true;
      return;
    }
    page_.lines.push_back(ToUtf8(TerminalSafe(line)));
  }

  size_t width_;
  size_t maxLines_;
  bool pendingBlank_ = false;
  LaidOutPage page_;
};

class DocumentLayout {
 public:
  DocumentLayout(const PageDocument& page, LineCollector& out, size_t& linkCounter) : page_(page), out_(out) {
    for (PageNode link : DocumentLinks(page)) linkNumbers_[link] = ++linkCounter;
  }

  void Run() {
    struct Step {
      PageNode node;
      bool leaving;
      bool inPre;
    };
    std::vector<Step> pending{{page_.Root(), false, false}};
    while (!pending.empty() && !out_.Full()) {
      Step step = pending.back();
      pending.pop_back();
      PageNode node = step.node;
      if (step.leaving) {
        EndBlock(node.Tag());
        continue;
      }
      if (node.IsText()) {
        if (step.inPre)
          AppendPre(FromUtf8(node.Text()));
        else
          AppendCollapsed(FromUtf8(node.Text()));
        continue;
      }
      std::string_view tag = node.Tag();
      if (IsField(node)) {
        AppendField(node);
        continue;
      }
      if (PageDocument::IsHiddenTag(tag)) continue;
      if (tag == "br") {
        Flush(step.inPre);
        continue;
      }
      if (PageDocument::IsBlockTag(tag)) {
        StartBlock(tag, step.inPre);
        pending.push_back({node, true, step.inPre});
      }
      if (auto number = linkNumbers_.find(node); number != linkNumbers_.end())
        AppendWord(L"[" + std::to_wstring(number->second) + L"]");
      bool inPre = step.inPre || tag == "pre";
      size_t first = pending.size();
      for (PageNode child : node.ChildNodes()) pending.push_back({child, false, inPre});
      std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
    }
    Flush(false);
  }

 private:
  static bool IsField(PageNode node) {
    std::string_view tag = node.Tag();
    if (tag == "input") return PageDocument::InputType(node) != L"hidden";
    return tag == "select" || tag == "textarea" || tag == "button";
  }

  void StartBlock(std::string_view tag, bool inPre) {
    Flush(inPre);
    if (IsSpacedBlock(tag)) out_.Blank();
    if (tag == "li") text_ = L"* ";
    if (tag == "hr") out_.Add(std::wstring(std::min<size_t>(out_.Width(), 40), L'-'));
  }

  void EndBlock(std::string_view tag) {
    Flush(tag == "pre");
    if (IsSpacedBlock(tag)) out_.Blank();
  }

  void AppendCollapsed(std::wstring_view text) {
    for (wchar_t c : text) {
      if (IsWideSpace(c)) {
        pendingSpace_ = true;
        continue;
      }
      if (pendingSpace_ && !text_.empty() && text_.back() != L' ') text_ += L' ';
      pendingSpace_ = false;
      text_ += c;
    }
  }

  // Text kept as written: its line feeds end lines, its tabs go to the next stop.
  void AppendPre(std::wstring_view text) {
    for (wchar_t c : text) {
      if (c == L'\n') {
        preLines_.push_back(std::move(text_));
        text_.clear();
      } else if (c == L'\t') {
        text_.append(kTabStop - text_.size() % kTabStop, L' ');
      } else if (c != L'\r') {
        text_ += c;
      }
    }
    preText_ = true;
  }

  void AppendWord(std::wstring_view word) {
    if (pendingSpace_ && !text_.empty() && text_.back() != L' ') text_ += L' ';
    pendingSpace_ = false;
    text_ += word;
  }

  void AppendField(PageNode field) {
    std::wstring name = field.AttributeOr("name");
    std::wstring type = field.IsElement("input") ? PageDocument::InputType(field) : L"";
    std::wstring shown;
    if (type == L"checkbox" || type == L"radio") {
      shown = std::wstring(page_.IsChecked(field) ? L"[x] " : L"[ ] ") + name;
    } else if (field.IsElement("button") || type == L"submit" || type == L"reset" || type == L"button") {
      std::wstring label = field.IsElement("button") ? Trim(PageDocument::VisibleText(field)) : L"";
      if (label.empty()) label = page_.ControlValue(field);
      shown = L"[" + (label.empty() ? name : label) + L"]";
    } else {
      shown = L"[" + name + L" = " + ShownControlValue(page_, field) + L"]";
    }
    for (wchar_t& c : shown)
      if (c == L'\n' || c == L'\t' || c == L'\r') c = L' ';
    AppendWord(shown);
    pendingSpace_ = true;
  }

  void Flush(bool inPre) {
    if (inPre || preText_) {
      preLines_.push_back(std::move(text_));
      for (const std::wstring& line : preLines_)
        for (const std::wstring& piece : WrapText(line, out_.Width(), out_.Room()))
          out_.Add(piece.empty() ? L" " : piece);
      preLines_.clear();
      preText_ = false;
    } else if (std::wstring text = Trim(text_); !text.empty()) {
      for (const std::wstring& line : WrapText(text, out_.Width(), out_.Room())) out_.Add(line);
    }
    text_.clear();
    pendingSpace_ = false;
  }

  const PageDocument& page_;
  LineCollector& out_;
  std::unordered_map<PageNode, size_t, PageNode::Hash> linkNumbers_;
  std::wstring text_;
  std::vector<std::wstring> preLines_;
  bool preText_ = false;
  bool pendingSpace_ = false;
};

void LayOutOne(std::wstring_view title, const PageDocument* page, LineCollector& out, size_t& links) {
  std::wstring heading = Trim(title);
  for (const std::wstring& line : WrapText(heading, out.Width(), out.Room())) out.Add(line);
  out.Add(std::wstring(std::min(heading.size(), out.Width()), L'='));
  out.Blank();
  if (page) DocumentLayout(*page, out, links).Run();
}

void LayOut(WebBrowserObject& browser, LineCollector& out, size_t& links, size_t& frames) {
  LayOutOne(browser.DisplayTitle(), browser.Page().get(), out, links);
  for (const auto& frame : browser.Frames()) {
    if (out.Full()) return;
    out.Blank();
    for (const std::wstring& line :
         WrapText(L"--- frame " + std::to_wstring(++frames) + L": " + frame->Url(), out.Width(), out.Room()))
      out.Add(line);
    LayOut(*frame, out, links, frames);
  }
}

}  // namespace

bool IsTerminalUnsafe(wchar_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
  // Marks and embeddings, overrides and isolates that reorder what follows them.
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::wstring TerminalSafe(std::wstring_view text) {
  std::wstring safe(text);
  for (wchar_t& c : safe)
    if (IsTerminalUnsafe(c)) c = kReplacement;
  return safe;
}

std::vector<std::wstring> WrapText(std::wstring_view text, size_t width, size_t maxLines) {
  std::vector<std::wstring> lines;
  width = std::max<size_t>(width, 1);
  auto full = [&] { return maxLines != 0 && lines.size() >= maxLines; };
  size_t start = 0;
  while (start <= text.size() && !full()) {
    size_t end = text.find(L'\n', start);
    std::wstring_view paragraph =
        text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (paragraph.empty()) lines.emplace_back();
    while (!paragraph.empty() && !full()) {
      if (paragraph.size() <= width) {
        lines.emplace_back(paragraph);
        break;
      }
      // The last space that lets the line fit; a word longer than a line is cut.
      size_t cut = paragraph.rfind(L' ', width);
      if (cut == 0 || cut == std::wstring_view::npos) {
        lines.emplace_back(paragraph.substr(0, width));
        paragraph.remove_prefix(width);
      } else {
        lines.emplace_back(paragraph.substr(0, cut));
        paragraph.remove_prefix(cut + 1);
      }
      while (!paragraph.empty() && paragraph.front() == L' ') paragraph.remove_prefix(1);
    }
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return lines;
}

LaidOutPage LayOutPage(WebBrowserObject& top, const TextLayout& layout) {
  LineCollector out(layout);
  size_t links = 0, frames = 0;
  LayOut(top, out, links, frames);
  return out.Take();
}

LaidOutPage LayOutDocument(std::wstring_view title, const PageDocument* page, const TextLayout& layout) {
  LineCollector out(layout);
  size_t links = 0;
  LayOutOne(title, page, out, links);
  return out.Take();
}
