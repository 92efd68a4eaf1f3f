#include "host/core/HostLines.h"

#include <cstdint>
#include <cwchar>

#include "host/core/ToolbarControls.h"
#include "platform/text/LineEscaping.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace {

std::wstring ListOf(HWND box) {
  std::wstring list;
  std::vector<std::wstring> items = ComboListTexts(box);
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) list += L'|';
    list += EscapeLine(items[i]);
  }
  return list;
}

}  // namespace

std::vector<std::wstring> ComboListTexts(HWND box) {
  std::vector<std::wstring> items;
  LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(item.find(L'\0'));
    items.push_back(std::move(item));
  }
  return items;
}

std::wstring MessageBoxLine(const MessageBoxRequest& box, Answer answer) {
  std::wstring text = EscapeLine(box.caption) + L" | " + EscapeLine(box.text);
  if (box.Buttons() == MB_OK) return L"box: " + text;
  return L"question: " + text + (answer == Answer::Yes ? L" -> yes" : L" -> no");
}

std::wstring NavigateLine(std::wstring_view address) { return L"navigate: " + EscapeLine(address); }

std::wstring StatusLine(std::wstring_view text) { return L"status: " + EscapeLine(text); }

std::wstring ErrorLine(std::wstring_view why) { return L"error: " + EscapeLine(why); }

std::wstring ResultCodeText(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
  return text;
}

std::vector<std::wstring> DescribeToolbar(HWND toolbar, HMENU setupMenu) {
  std::vector<std::wstring> lines;
  for (const NamedControl& box : kToolbarBoxes) {
    HWND window = GetDlgItem(toolbar, static_cast<int>(box.id));
    lines.push_back(std::wstring(box.name) + L": " + EscapeLine(GetWindowString(window)));
    lines.push_back(std::wstring(box.name) + L" list: " + ListOf(window));
  }
  std::wstring buttons = L"buttons:";
  for (const NamedControl& button : kToolbarButtons) {
    LRESULT state = SendMessageW(toolbar, TB_GETSTATE, button.id, 0);
    bool on = state != -1 && (state & TBSTATE_ENABLED);
    buttons += L" " + std::wstring(button.name) + (on ? L"=on" : L"=off");
  }
  lines.push_back(buttons);
  for (const MenuItemView& item : GetMenuItems(setupMenu)) {
    if (item.IsSeparator()) {
      lines.push_back(L"menu: -");
      continue;
    }
    std::wstring line = L"menu: " + EscapeLine(item.text);
    if (item.IsChecked()) line += L" [checked]";
    if (item.flags & (MF_GRAYED | MF_DISABLED)) line += L" [greyed]";
    lines.push_back(line);
  }
  return lines;
}
