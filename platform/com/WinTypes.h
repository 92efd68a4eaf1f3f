// Basic scalar types of the platform's calling conventions, so that code written against the
// platform interfaces reads the same here.
#pragma once
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LCID = DWORD;
using DISPID = LONG;
using VARIANT_BOOL = std::int16_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// A window handle. The window system defines what stands behind it; everything else only
// passes it around and compares it.
struct HWND__;
using HWND = HWND__*;

// A loaded module (the band library or the host program), the owner of resources.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
