#include "host/engine/FormSubmission.h"

#include <algorithm>
#include <random>

#include "platform/text/WideText.h"

namespace {

bool IsButton(PageNode control) {
  if (control.IsElement("button")) return true;
  if (!control.IsElement("input")) return false;
  std::wstring type = PageDocument::InputType(control);
  return type == L"submit" || type == L"reset" || type == L"button" || type == L"image";
}

std::string MultipartBody(const std::vector<FormEntry>& entries, const std::string& boundary) {
  std::string body;
  for (const auto& entry : entries) {
    // Quotes and line breaks in a name would end the header line early.
    std::string safeName =
        ToUtf8(ReplaceAll(ReplaceAll(ReplaceAll(entry.name, L"\"", L"%22"), L"\r", L"%0D"), L"\n", L"%0A"));
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + safeName + "\"\r\n\r\n";
    body += ToUtf8(WithCrLf(entry.value)) + "\r\n";
  }
  body += "--" + boundary + "--\r\n";
  return body;
}

// A boundary that no name or value of `entries` contains, so that no part is cut short: a
// fixed prefix and random digits, with more digits added in the unlikely case that a part holds
// them. Once longer than every part it cannot be in one, so the search ends.
std::string ChooseBoundary(const std::vector<FormEntry>& entries) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdef";
  std::vector<std::string> parts;
  for (const auto& entry : entries) {
    parts.push_back(ToUtf8(entry.name));
    parts.push_back(ToUtf8(WithCrLf(entry.value)));
  }
  std::string boundary = "----PendrelFormBoundary";
  for (;;) {
    for (uint64_t bits = random(), i = 0; i < 16; ++i, bits >>= 4) boundary += kDigits[bits & 15];
    if (std::none_of(parts.begin(), parts.end(),
                     [&](const std::string& part) { return part.find(boundary) != std::string::npos; }))
      return boundary;
  }
}

// The name/value pairs `form` sends, in control order: named controls that are not disabled;
// checkboxes and radio buttons only when ticked; the selected options of a list; of the buttons
// only `submitter` (no node: none).
std::vector<FormEntry> FormDataSet(const PageDocument& document, PageNode form, PageNode submitter) {
  std::vector<FormEntry> entries;
  for (PageNode control : document.ControlsOf(form)) {
    if (control.HasAttribute("disabled")) continue;
    std::wstring name = control.AttributeOr("name");
    if (name.empty()) continue;
    if (IsButton(control)) {
      bool sends = control == submitter &&
                   (control.IsElement("button") ? ToLower(control.AttributeOr("type", L"submit")) == L"submit"
                                                : PageDocument::InputType(control) == L"submit");
      if (sends) entries.push_back({name, document.ControlValue(control)});
      continue;
    }
    if (control.IsElement("input")) {
      std::wstring type = PageDocument::InputType(control);
      if ((type == L"checkbox" || type == L"radio") && !document.IsChecked(control)) continue;
      entries.push_back({name, type == L"file" ? L"" : document.ControlValue(control)});  // no file is chosen
    } else if (control.IsElement("select")) {
      for (PageNode option : PageDocument::OptionsOf(control))
        if (document.IsSelected(option) && !option.HasAttribute("disabled"))
          entries.push_back({name, PageDocument::OptionValue(option)});
    } else if (control.IsElement("textarea")) {
      entries.push_back({name, document.ControlValue(control)});
    }
  }
  return entries;
}

}  // namespace

NavigationRequest BuildFormSubmission(const PageDocument& document, PageNode form, PageNode submitter) {
  std::vector<FormEntry> entries = FormDataSet(document, form, submitter);
  std::wstring action = form.AttributeOr("action");
  if (submitter.HasAttribute("formaction")) action = submitter.AttributeOr("formaction");
  std::wstring target = Trim(action).empty() ? document.Url() : document.ResolveReference(action);
  std::wstring method = ToLower(Trim(form.AttributeOr("method", L"get")));
  std::wstring enctype = ToLower(Trim(form.AttributeOr("enctype")));

  NavigationRequest request;
  if (method != L"post") {
    std::wstring base = WithoutFragment(target);
    base = base.substr(0, base.find(L'?'));
    request.url = base + L"?" + FromUtf8(EncodeFormUrlencoded(entries));
    return request;
  }
  request.url = target;
  request.post = true;
  if (enctype == L"multipart/form-data") {
    const std::string boundary = ChooseBoundary(entries);
    request.postBody = MultipartBody(entries, boundary);
    request.headers = "Content-Type: multipart/form-data; boundary=" + boundary + "\r\n";
  } else {
    request.postBody = EncodeFormUrlencoded(entries);
    request.headers = "Content-Type: application/x-www-form-urlencoded\r\n";
  }
  return request;
}
