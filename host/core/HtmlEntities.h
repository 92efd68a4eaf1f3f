// Character references in HTML text and attribute values: named (the HTML 4 set and &apos;),
// decimal (&#233;) and hexadecimal (&#xE9;).
#pragma once
#include <string>
#include <string_view>

// `text` (UTF-8) with its character references replaced by the characters they stand for, as
// wide text. A numeric reference may lack its ';'; a named one needs it. An unknown name stays as
// written; a number that is no character (zero, a surrogate, beyond U+10FFFF) becomes U+FFFD, and
// 0x80 to 0x9F are read as windows-1252, as browsers read them. Linear in the length of `text`.
std::wstring DecodeHtmlEntities(std::string_view text);
