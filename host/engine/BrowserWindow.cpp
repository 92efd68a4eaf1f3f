#include "host/engine/BrowserWindow.h"

#include "host/engine/PageText.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"

namespace {

void CollectLinks(WebBrowserObject& browser, std::vector<WindowLink>& links) {
  if (const auto& page = browser.Page())
    for (PageNode anchor : DocumentLinks(*page)) links.push_back({&browser, anchor});
  for (const auto& frame : browser.Frames()) CollectLinks(*frame, links);
}

bool IsTextField(PageNode node) {
  if (node.IsElement("textarea")) return true;
  if (!node.IsElement("input")) return false;
  std::wstring type = PageDocument::InputType(node);
  return type != L"checkbox" && type != L"radio" && type != L"submit" && type != L"reset" &&
         type != L"button" && type != L"image" && type != L"file" && type != L"hidden";
}

}  // namespace

std::vector<WindowLink> WindowLinks(WebBrowserObject& top) {
  std::vector<WindowLink> links;
  CollectLinks(top, links);
  return links;
}

BrowserWindow::BrowserWindow(HWND frame) {
  auto context = MakeCounted<WindowContext>();
  top_ = MakeCounted<WebBrowserObject>(context, FrameRole::Top, std::wstring{});
  view_.Create(frame, top_);
  context->view = view_.GetSafeHwnd();
}

BrowserWindow::~BrowserWindow() { Quit(); }

template <class Match>
BrowserWindow::Found BrowserWindow::FindControl(WebBrowserObject& browser, const Match& match) {
  if (const auto& page = browser.Page())
    for (PageNode element : page->Elements())
      if (PageDocument::IsControl(element) && match(*page, element)) return {&browser, element};
  for (const auto& frame : browser.Frames())
    if (Found found = FindControl(*frame, match); found.node) return found;
  return {};
}

ActionResult BrowserWindow::Navigate(std::wstring_view address) {
  if (HasQuit()) return ActionResult::Refused;
  return FromResult(top_->Navigate({AddressFromUserInput(address)}, HistoryUse::Record, NavigationStart::Now));
}

ActionResult BrowserWindow::TypeText(std::wstring_view fieldName, std::wstring_view text) {
  Found found = FindControl(*top_, [&](const PageDocument&, PageNode node) {
    return IsTextField(node) && node.AttributeOr("name") == fieldName;
  });
  if (!found.node) return ActionResult::NotFound;
  found.browser->Page()->SetControlValue(found.node, std::wstring(text));
  return ActionResult::Done;
}

ActionResult BrowserWindow::SetChecked(std::wstring_view fieldName, std::wstring_view value, CheckState state) {
  Found found = FindControl(*top_, [&](const PageDocument& page, PageNode node) {
    if (!node.IsElement("input") || node.AttributeOr("name") != fieldName) return false;
    std::wstring type = PageDocument::InputType(node);
    return (type == L"checkbox" || type == L"radio") && (value.empty() || page.ControlValue(node) == value);
  });
  if (!found.node) return ActionResult::NotFound;
  found.browser->Page()->SetChecked(found.node, state == CheckState::Ticked);
  return ActionResult::Done;
}

ActionResult BrowserWindow::PickOption(std::wstring_view fieldName, std::wstring_view entry) {
  Found found = FindControl(*top_, [&](const PageDocument&, PageNode node) {
    return node.IsElement("select") && node.AttributeOr("name") == fieldName;
  });
  if (!found.node) return ActionResult::NotFound;
  std::vector<PageNode> options = PageDocument::OptionsOf(found.node);
  PageNode chosen;
  for (PageNode option : options)
    if (!chosen && PageDocument::OptionValue(option) == entry) chosen = option;
  for (PageNode option : options)
    if (!chosen && Trim(PageDocument::VisibleText(option)) == entry) chosen = option;
  if (!chosen) return ActionResult::NotFound;
  PageDocument& page = *found.browser->Page();
  // A list that takes one entry drops the one picked before.
  if (!found.node.HasAttribute("multiple"))
    for (PageNode option : options) page.SetState(option, false);
  page.SetState(chosen, true);
  return ActionResult::Done;
}

ActionResult BrowserWindow::SubmitForm(std::wstring_view fieldName) {
  Found found = FindControl(*top_, [&](const PageDocument& page, PageNode node) {
    return page.FormOf(node) && node.AttributeOr("name") == fieldName;
  });
  if (!found.node) return ActionResult::NotFound;
  return FromResult(found.browser->SubmitForm(found.browser->Page()->FormOf(found.node), found.node));
}

ActionResult BrowserWindow::SubmitFormNumber(size_t number) {
  const auto& page = top_->Page();
  if (!page || number == 0 || number > page->Forms().size()) return ActionResult::NotFound;
  return FromResult(top_->SubmitForm(page->Forms()[number - 1], PageNode()));
}

ActionResult BrowserWindow::FollowLink(size_t number) {
  std::vector<WindowLink> links = WindowLinks(*top_);
  if (number == 0 || number > links.size()) return ActionResult::NotFound;
  const WindowLink& link = links[number - 1];
  return FromResult(link.browser->FollowLink(link.anchor));
}

ActionResult BrowserWindow::GoBack() {
  if (HasQuit()) return ActionResult::Refused;
  return SUCCEEDED(top_->Back(NavigationStart::Now)) ? ActionResult::Done : ActionResult::NotFound;
}

void BrowserWindow::Quit() { top_->Quit(); }
