// Simple Unicode case folding: each character to the one character that stands for all of its
// cases ("A" and "a" to "a", "Ü" and "ü" to "ü", "K" and the Kelvin sign to "k"), one character
// for one, from the Unicode character database. It does not depend on the process locale (towlower
// under the "C" locale folds ASCII only) and covers every plane.
#pragma once

char32_t FoldCase(char32_t c);
