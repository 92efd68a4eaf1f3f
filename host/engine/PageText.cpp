#include "host/engine/PageText.h"

#include <cstdio>
#include <functional>

#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"

namespace {

struct Counters {
  size_t link = 0;
  size_t frame = 0;
};

bool IsField(PageNode node) {
  std::string_view tag = node.Tag();
  return tag == "input" || tag == "select" || tag == "textarea" || tag == "button";
}

std::wstring OneLine(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) out += (c == L'\n') ? L' ' : c;
  return Trim(out);
}

void DescribeOne(std::wstring_view title, const PageDocument* page, Counters& counters, const PageLineSink& emit) {
  emit(ToUtf8(L"title: " + EscapeLine(title)));
  if (page) {
    // The page's text is the one line as long as the page: it stays in UTF-8 throughout.
    std::string text = "text: ";
    AppendEscapedLine(text, PageDocument::VisibleTextUtf8(page->Root()));
    emit(text);
    text = {};
    for (PageNode element : DocumentLinks(*page))
      emit(ToUtf8(L"link " + std::to_wstring(++counters.link) + L": " + EscapeLine(LinkText(element)) + L" -> " +
                  EscapeLine(page->ResolveReference(element.AttributeOr("href")))));
    for (PageNode element : page->Elements())
      if (IsField(element))
        emit(ToUtf8(L"field: " + EscapeLine(element.AttributeOr("name")) + L" = " +
                    EscapeLine(ShownControlValue(*page, element))));
  }
}

void Describe(WebBrowserObject& browser, Counters& counters, const PageLineSink& emit) {
  DescribeOne(browser.DisplayTitle(), browser.Page().get(), counters, emit);
  for (const auto& frame : browser.Frames()) {
    emit(ToUtf8(L"frame " + std::to_wstring(++counters.frame) + L": " + EscapeLine(frame->Url())));
    Describe(*frame, counters, emit);
  }
}

std::vector<std::wstring> WideLines(const std::function<void(const PageLineSink&)>& write) {
  std::vector<std::wstring> lines;
  write([&lines](std::string_view line) { lines.push_back(FromUtf8(line)); });
  return lines;
}

}  // namespace

void AppendEscapedLine(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        // Other control characters (an escape sequence in a page title, say) would drive the
        // terminal the lines are shown on; they appear as \xHH instead. C1 controls are
        // U+0080 to U+009F, in UTF-8 0xC2 followed by 0x80 to 0x9F.
        unsigned code = c;
        bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                  static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (c1) code = static_cast<unsigned char>(text[++i]);
        if (code < 0x20 || code == 0x7F || c1) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
      }
    }
  }
}

std::wstring EscapeLine(std::wstring_view text) {
  std::string out;
  AppendEscapedLine(out, ToUtf8(text));
  return FromUtf8(out);
}

std::wstring ShownControlValue(const PageDocument& page, PageNode control) {
  std::wstring value = page.ControlValue(control);
  // Characters, not bytes: the wide text holds one code point a character.
  if (control.IsElement("input") && PageDocument::InputType(control) == L"password") return std::wstring(value.size(), L'*');
  return value;
}

std::wstring LinkText(PageNode anchor) {
  std::wstring text = OneLine(PageDocument::VisibleText(anchor));
  if (text.empty()) text = anchor.AttributeOr("alt", anchor.AttributeOr("title"));
  return text;
}

std::vector<PageNode> DocumentLinks(const PageDocument& page) {
  std::vector<PageNode> links;
  for (PageNode element : page.Elements())
    if ((element.IsElement("a") || element.IsElement("area")) && element.HasAttribute("href")) links.push_back(element);
  return links;
}

void WritePage(WebBrowserObject& top, const PageLineSink& emit) {
  Counters counters;
  Describe(top, counters, emit);
}

std::vector<std::wstring> DescribePage(WebBrowserObject& top) {
  return WideLines([&top](const PageLineSink& emit) { WritePage(top, emit); });
}

std::vector<std::wstring> DescribeDocument(std::wstring_view title, const PageDocument* page) {
  return WideLines([&](const PageLineSink& emit) {
    Counters counters;
    DescribeOne(title, page, counters, emit);
  });
}
