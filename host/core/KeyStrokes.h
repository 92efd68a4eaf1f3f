// The key messages a person makes at a plain US keyboard: a key goes down and comes up, with
// Shift held around it where the character needs it. A character the keyboard has no key for
// comes as a packet key (as an input method sends it) followed by the character itself.
#pragma once
#include <vector>

#include "platform/ui/Messages.h"

// The messages that type `character` into `target`, in order.
std::vector<MSG> KeyStrokesForCharacter(HWND target, wchar_t character);
// The messages of one press of `virtualKey` (Enter, Delete, an arrow…) in `target`.
std::vector<MSG> KeyStrokesForKey(HWND target, UINT virtualKey);
// The same press with Shift held around it (Shift+End, Shift+Left…).
std::vector<MSG> KeyStrokesForShiftedKey(HWND target, UINT virtualKey);
