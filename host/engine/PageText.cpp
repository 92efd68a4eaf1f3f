#include "host/engine/PageText.h"

#include <cwchar>

#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"

namespace {

struct Counters {
  size_t link = 0;
  size_t frame = 0;
};

bool IsField(const PageNode& node) {
  return node.tag == L"input" || node.tag == L"select" || node.tag == L"textarea" || node.tag == L"button";
}

std::wstring OneLine(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) out += (c == L'\n') ? L' ' : c;
  return Trim(out);
}

void DescribeOne(std::wstring_view title, const PageDocument* page, Counters& counters,
                 std::vector<std::wstring>& lines) {
  lines.push_back(L"title: " + EscapeLine(title));
  if (page) {
    lines.push_back(L"text: " + EscapeLine(PageDocument::VisibleText(page->Root())));
    for (const PageNode* element : DocumentLinks(*page))
      lines.push_back(L"link " + std::to_wstring(++counters.link) + L": " + EscapeLine(LinkText(*element)) + L" -> " +
                      EscapeLine(page->ResolveReference(element->AttributeOr(L"href"))));
    for (const PageNode* element : page->Elements())
      if (IsField(*element))
        lines.push_back(L"field: " + EscapeLine(element->AttributeOr(L"name")) + L" = " +
                        EscapeLine(PageDocument::ControlValue(*element)));
  }
}

void Describe(WebBrowserObject& browser, Counters& counters, std::vector<std::wstring>& lines) {
  DescribeOne(browser.DisplayTitle(), browser.Page().get(), counters, lines);
  for (const auto& frame : browser.Frames()) {
    lines.push_back(L"frame " + std::to_wstring(++counters.frame) + L": " + EscapeLine(frame->Url()));
    Describe(*frame, counters, lines);
  }
}

}  // namespace

std::wstring EscapeLine(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\t': out += L"\\t"; break;
      default:
        // Other control characters (an escape sequence in a page title, say) would drive the
        // terminal the lines are shown on; they appear as \xHH instead.
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
          wchar_t code[8];
          std::swprintf(code, 8, L"\\x%02x", static_cast<unsigned>(c));
          out += code;
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::wstring LinkText(const PageNode& anchor) {
  std::wstring text = OneLine(PageDocument::VisibleText(anchor));
  if (text.empty()) text = anchor.AttributeOr(L"alt", anchor.AttributeOr(L"title"));
  return text;
}

std::vector<const PageNode*> DocumentLinks(const PageDocument& page) {
  std::vector<const PageNode*> links;
  for (const PageNode* element : page.Elements())
    if ((element->tag == L"a" || element->tag == L"area") && element->Attribute(L"href")) links.push_back(element);
  return links;
}

std::vector<std::wstring> DescribeDocument(std::wstring_view title, const PageDocument* page) {
  std::vector<std::wstring> lines;
  Counters counters;
  DescribeOne(title, page, counters, lines);
  return lines;
}

std::vector<std::wstring> DescribePage(WebBrowserObject& top) {
  std::vector<std::wstring> lines;
  Counters counters;
  Describe(top, counters, lines);
  return lines;
}
