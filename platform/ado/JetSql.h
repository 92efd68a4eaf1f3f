// The few places where the statements the system writes (in the dialect of its original
// database engine) differ from what SQLite accepts.
#pragma once
#include <string>
#include <string_view>

// Replaces the yes/no literals `yes` and `no` (any case, as whole words) by 1 and 0, outside
// quoted texts ('...', "...") and bracketed names ([...]). Everything else is left as it is.
std::wstring TranslateJetLiterals(std::wstring_view statement);
