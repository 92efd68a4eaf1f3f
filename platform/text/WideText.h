// Wide-text helpers: conversion at the edges (UTF-8 for files, the database and the terminal;
// UTF-16LE for the page file), trimming and replacing.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 from wide text. Code points that are not valid (lone surrogates) become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Appends one code point as UTF-8; one that is not valid (a surrogate, beyond U+10FFFF) becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
// Wide text from UTF-8. Malformed byte sequences become U+FFFD; nothing is dropped silently.
std::wstring FromUtf8(std::string_view bytes);
// The same decoding written to `out`, which has room for bytes.size() units (a character never
// takes more units than bytes); returns the number of units written.
size_t DecodeUtf8(std::string_view bytes, wchar_t* out);
// UTF-16LE bytes: characters beyond the Basic Multilingual Plane become surrogate pairs.
std::string ToUtf16LE(std::wstring_view text);
// The same, appended to `out`.
void AppendUtf16LE(std::string& out, std::wstring_view text);
// Wide text from UTF-16LE bytes; an odd final byte and unpaired surrogates become U+FFFD.
std::wstring FromUtf16LE(std::string_view bytes);

// The white space the platform's wide-character space test accepts.
bool IsWideSpace(wchar_t c);
std::wstring TrimRight(std::wstring_view text);
std::wstring TrimLeft(std::wstring_view text);
std::wstring Trim(std::wstring_view text);

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);
// Compares without regard to case (simple case folding, as the platform compares names).
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
std::wstring ToLower(std::wstring_view text);
// Compares bytes with only the letters A to Z folded: the rule for protocol words such as header
// names and section names, whatever else the text holds.
bool SameAsciiNoCase(std::string_view a, std::string_view b);
