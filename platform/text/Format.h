// printf-style formatting of wide text, type-checked at run time: "%s" takes text, "%d"/"%i"/
// "%u"/"%x"/"%X" take integers (with flags, width and an "l" modifier), "%%" is a percent sign.
// A directive without a matching argument is written as it stands, so a format can never read
// past its arguments.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

using FormatArg = std::variant<std::wstring_view, std::int64_t, std::uint64_t>;

std::wstring FormatArgs(std::wstring_view format, std::initializer_list<FormatArg> args);

namespace format_detail {
inline FormatArg ToArg(std::wstring_view v) { return v; }
inline FormatArg ToArg(const std::wstring& v) { return std::wstring_view(v); }
inline FormatArg ToArg(const wchar_t* v) { return std::wstring_view(v ? v : L"(null)"); }
template <class T>
  requires std::is_integral_v<T>
FormatArg ToArg(T v) {
  if constexpr (std::is_signed_v<T>)
    return static_cast<std::int64_t>(v);
  else
    return static_cast<std::uint64_t>(v);
}
}  // namespace format_detail

template <class... Args>
std::wstring Format(std::wstring_view format, const Args&... args) {
  return FormatArgs(format, {format_detail::ToArg(args)...});
}
