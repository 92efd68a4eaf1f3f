// A tagged value as the component model passes it: empty, null, integers, a boolean, a double,
// text, an interface, or a reference to another Variant (an in/out argument such as a cancel flag).
#pragma once
#include <cstdint>
#include <string>
#include <variant>

#include "platform/com/ComPtr.h"
#include "platform/com/HResult.h"

enum VARTYPE : WORD {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_I8 = 20,
  VT_BYREF = 0x4000,
};

struct VariantNull {
  friend bool operator==(VariantNull, VariantNull) { return true; }
};

struct Variant {
  using Value = std::variant<std::monostate, VariantNull, std::int32_t, std::int64_t, double, bool,
                             std::wstring, CComPtr<IDispatch>, CComPtr<IUnknown>, Variant*>;
  Value value;

  Variant() = default;
  Variant(VariantNull n) : value(n) {}
  Variant(std::int32_t v) : value(v) {}
  Variant(std::int64_t v) : value(v) {}
  Variant(double v) : value(v) {}
  Variant(bool v) : value(v) {}
  Variant(std::wstring v) : value(std::move(v)) {}
  Variant(const wchar_t* v) : value(std::wstring(v)) {}
  Variant(CComPtr<IDispatch> v) : value(std::move(v)) {}
  Variant(CComPtr<IUnknown> v) : value(std::move(v)) {}
  // A by-reference argument: the callee reads and writes *target.
  static Variant ByRef(Variant* target) {
    Variant v;
    v.value = target;
    return v;
  }

  VARTYPE vt() const;
  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value); }
  bool IsNull() const { return std::holds_alternative<VariantNull>(value); }
  // The value itself, following a by-reference argument to its target.
  const Variant& Deref() const;
  Variant& Deref();
};

// The platform's standard conversions (VariantChangeType). Failures answer with the platform's
// codes: DISP_E_TYPEMISMATCH for a value of the wrong kind, DISP_E_OVERFLOW for one out of range.
HRESULT VariantToText(const Variant& v, std::wstring& out);
HRESULT VariantToInt32(const Variant& v, std::int32_t& out);
