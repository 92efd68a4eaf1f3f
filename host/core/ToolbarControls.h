// The toolbar's controls by the names a person uses for them: the two boxes, the five buttons in
// the order the toolbar shows them, and the editing keys of a box. One table each, for the
// commands that name them and for the lines that show them.
#pragma once
#include <cwctype>
#include <optional>
#include <string_view>

#include "platform/com/WinTypes.h"
#include "platform/ui/Messages.h"
#include "published/ToolbarIds.h"

struct NamedControl {
  const wchar_t* name;
  UINT id;  // control id of a box, command id of a button, virtual key of a key
};

inline constexpr NamedControl kToolbarBoxes[] = {
    {L"search", ID_SEARCH_BOX},
    {L"category", ID_CATEGORY_BOX},
};

inline constexpr NamedControl kToolbarButtons[] = {
    {L"Add", ID_BUTTON_ADD},         {L"Change", ID_BUTTON_CHANGE}, {L"Delete", ID_BUTTON_DELETE},
    {L"Options", ID_BUTTON_OPTIONS}, {L"Show", ID_BUTTON_SHOW},
};

inline constexpr NamedControl kEditKeys[] = {
    {L"Enter", VK_RETURN}, {L"Backspace", VK_BACK}, {L"Delete", VK_DELETE}, {L"Home", VK_HOME}, {L"End", VK_END},
    {L"Left", VK_LEFT},    {L"Right", VK_RIGHT},    {L"Up", VK_UP},         {L"Down", VK_DOWN},
};

// The entry of `table` called `name`, without regard to case; none when there is no such entry.
template <size_t N>
std::optional<UINT> ControlNamed(const NamedControl (&table)[N], std::wstring_view name) {
  for (const NamedControl& control : table) {
    std::wstring_view candidate(control.name);
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) same = towlower(candidate[i]) == towlower(name[i]);
    if (same) return control.id;
  }
  return std::nullopt;
}
