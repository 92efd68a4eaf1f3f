// Text placed into HTML as text, never as markup.
#pragma once
#include <string>
#include <string_view>

// Replaces &, <, >, " and ' by their character references.
std::wstring EscapeHtml(std::wstring_view text);
