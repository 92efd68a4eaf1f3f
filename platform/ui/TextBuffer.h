// Copying texts into fixed buffers of the platform's structures (tooltip requests, list items):
// always cut to fit and NUL-terminated, never written past the end.
#pragma once
#include <string_view>

// Copies at most capacity - 1 characters and a NUL; returns the characters copied. Writes
// nothing for a null buffer or a capacity below 1.
int CopyTextToBuffer(std::wstring_view text, wchar_t* buffer, int capacity);
// The narrow form: the text in this system's narrow encoding (UTF-8), cut at a character
// boundary so that no character is split; returns the bytes copied.
int CopyTextToNarrowBuffer(std::wstring_view text, char* buffer, int capacity);
// Narrow text into a narrow buffer, cut at a character boundary.
int CopyNarrowToBuffer(std::string_view text, char* buffer, int capacity);
