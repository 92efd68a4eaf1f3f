#include "host/core/KeyStrokes.h"

#include <string_view>

namespace {

// The key an input method sends with a character that has no key of its own.
constexpr UINT VK_PACKET = 0xE7;

// A key message's parameter: one repeat; a key coming up was down before and is in transition.
constexpr LPARAM kKeyDownBits = 1;
constexpr LPARAM kKeyUpBits = static_cast<LPARAM>(0xC0000001u);

struct Key {
  UINT virtualKey = 0;
  bool shift = false;
};

// The punctuation keys of a US keyboard: the character without Shift, then with it.
struct PunctuationKey {
  UINT virtualKey;
  wchar_t plain;
  wchar_t shifted;
};
constexpr PunctuationKey kPunctuation[] = {
    {0xBA, L';', L':'}, {0xBB, L'=', L'+'},  {0xBC, L',', L'<'}, {0xBD, L'-', L'_'},  {0xBE, L'.', L'>'},
    {0xBF, L'/', L'?'}, {0xC0, L'`', L'~'},  {0xDB, L'[', L'{'}, {0xDC, L'\\', L'|'}, {0xDD, L']', L'}'},
    {0xDE, L'\'', L'"'},
};
constexpr std::wstring_view kShiftedDigits = L")!@#$%^&*(";

Key KeyFor(wchar_t c) {
  if (c >= L'a' && c <= L'z') return {static_cast<UINT>(c - L'a' + 'A'), false};
  if (c >= L'A' && c <= L'Z') return {static_cast<UINT>(c), true};
  if (c >= L'0' && c <= L'9') return {static_cast<UINT>(c), false};
  if (size_t digit = kShiftedDigits.find(c); digit != std::wstring_view::npos)
    return {static_cast<UINT>('0' + digit), true};
  switch (c) {
    case L' ': return {VK_SPACE, false};
    case L'\n': return {VK_RETURN, false};
    case L'\t': return {VK_TAB, false};
    default: break;
  }
  for (const PunctuationKey& key : kPunctuation) {
    if (c == key.plain) return {key.virtualKey, false};
    if (c == key.shifted) return {key.virtualKey, true};
  }
  return {};
}

MSG Message(HWND target, UINT message, WPARAM wParam, LPARAM lParam) { return MSG{target, message, wParam, lParam, 0, {}}; }

}  // namespace

std::vector<MSG> KeyStrokesForKey(HWND target, UINT virtualKey) {
  return {Message(target, WM_KEYDOWN, virtualKey, kKeyDownBits), Message(target, WM_KEYUP, virtualKey, kKeyUpBits)};
}

std::vector<MSG> KeyStrokesForShiftedKey(HWND target, UINT virtualKey) {
  std::vector<MSG> strokes = KeyStrokesForKey(target, virtualKey);
  strokes.insert(strokes.begin(), Message(target, WM_KEYDOWN, VK_SHIFT, kKeyDownBits));
  strokes.push_back(Message(target, WM_KEYUP, VK_SHIFT, kKeyUpBits));
  return strokes;
}

std::vector<MSG> KeyStrokesForCharacter(HWND target, wchar_t character) {
  Key key = KeyFor(character);
  if (key.virtualKey == 0)
    return {Message(target, WM_KEYDOWN, VK_PACKET, kKeyDownBits),
            Message(target, WM_CHAR, static_cast<WPARAM>(character), kKeyDownBits),
            Message(target, WM_KEYUP, VK_PACKET, kKeyUpBits)};
  return key.shift ? KeyStrokesForShiftedKey(target, key.virtualKey) : KeyStrokesForKey(target, key.virtualKey);
}
