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
