#include "platform/com/Variant.h"

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>

UINT DISPPARAMS::cArgs() const { return rgvarg ? static_cast<UINT>(rgvarg->size()) : 0; }

VARTYPE Variant::vt() const {
  switch (value.index()) {
    case 0: return VT_EMPTY;
    case 1: return VT_NULL;
    case 2: return VT_I4;
    case 3: return VT_I8;
    case 4: return VT_R8;
    case 5: return VT_BOOL;
    case 6: return VT_BSTR;
    case 7: return VT_DISPATCH;
    case 8: return VT_UNKNOWN;
    default: {
      Variant* target = std::get<Variant*>(value);
      return static_cast<VARTYPE>((target ? target->vt() : VT_EMPTY) | VT_BYREF);
    }
  }
}

const Variant& Variant::Deref() const {
  if (auto p = std::get_if<Variant*>(&value); p && *p) return (*p)->Deref();
  return *this;
}

Variant& Variant::Deref() {
  if (auto p = std::get_if<Variant*>(&value); p && *p) return (*p)->Deref();
  return *this;
}

namespace {

std::wstring DoubleText(double d) {
  // Fifteen significant digits, as the platform's conversion writes doubles.
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.15G", d);
  return buf;
}

HRESULT RoundToInt32(double d, std::int32_t& out) {
  if (!std::isfinite(d)) return DISP_E_OVERFLOW;
  double r = std::nearbyint(d);  // the default rounding mode rounds halves to even, as the platform does
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
    return DISP_E_OVERFLOW;
  out = static_cast<std::int32_t>(r);
  return S_OK;
}

}  // namespace

HRESULT VariantToText(const Variant& in, std::wstring& out) {
  const Variant& v = in.Deref();
  return std::visit(
      [&](const auto& x) -> HRESULT {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          out.clear();
          return S_OK;
        } else if constexpr (std::is_same_v<T, VariantNull>) {
          return DISP_E_TYPEMISMATCH;
        } else if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t>) {
          out = std::to_wstring(x);
          return S_OK;
        } else if constexpr (std::is_same_v<T, double>) {
          out = DoubleText(x);
          return S_OK;
        } else if constexpr (std::is_same_v<T, bool>) {
          out = x ? L"True" : L"False";
          return S_OK;
        } else if constexpr (std::is_same_v<T, std::wstring>) {
          out = x;
          return S_OK;
        } else {
          return DISP_E_TYPEMISMATCH;
        }
      },
      v.value);
}

HRESULT VariantToInt32(const Variant& in, std::int32_t& out) {
  const Variant& v = in.Deref();
  return std::visit(
      [&](const auto& x) -> HRESULT {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          out = 0;
          return S_OK;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          out = x;
          return S_OK;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          if (x < std::numeric_limits<std::int32_t>::min() || x > std::numeric_limits<std::int32_t>::max())
            return DISP_E_OVERFLOW;
          out = static_cast<std::int32_t>(x);
          return S_OK;
        } else if constexpr (std::is_same_v<T, double>) {
          return RoundToInt32(x, out);
        } else if constexpr (std::is_same_v<T, bool>) {
          out = x ? -1 : 0;
          return S_OK;
        } else if constexpr (std::is_same_v<T, std::wstring>) {
          // Text converts when it is a number, with blanks around it allowed.
          const wchar_t* start = x.c_str();
          while (std::iswspace(*start)) ++start;
          if (*start == 0) return DISP_E_TYPEMISMATCH;
          wchar_t* end = nullptr;
          errno = 0;
          double d = std::wcstod(start, &end);
          if (end == start) return DISP_E_TYPEMISMATCH;
          while (std::iswspace(*end)) ++end;
          if (*end != 0) return DISP_E_TYPEMISMATCH;
          if (errno == ERANGE) return DISP_E_OVERFLOW;
          return RoundToInt32(d, out);
        } else {
          return DISP_E_TYPEMISMATCH;
        }
      },
      v.value);
}
