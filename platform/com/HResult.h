// Result codes of component calls, with the values the platform gives them.
#pragma once
#include "platform/com/WinTypes.h"

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MakeHResult(std::uint32_t value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000B);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009);  // also: a registry script that cannot be read

// Codes of the database provider and the data-access objects.
constexpr HRESULT DB_E_ERRORSINCOMMAND = MakeHResult(0x80040E14);   // statement rejected
constexpr HRESULT DB_E_NOTABLE = MakeHResult(0x80040E37);           // no such table
constexpr HRESULT DB_E_INTEGRITYVIOLATION = MakeHResult(0x80040E2F); // constraint violated
constexpr HRESULT DB_E_DATAOVERFLOW = MakeHResult(0x80040E57);      // value too large for column
constexpr HRESULT DB_E_CANTCONVERTVALUE = MakeHResult(0x80040E07);
constexpr HRESULT DB_SEC_E_AUTH_FAILED = MakeHResult(0x80040E4D);
constexpr HRESULT ADO_E_ITEMNOTFOUND = MakeHResult(0x800A0CC1);      // no column of that name
constexpr HRESULT ADO_E_OPERATIONNOTALLOWED_CLOSED = MakeHResult(0x800A0E78);
constexpr HRESULT ADO_E_OPERATIONNOTALLOWED_OPEN = MakeHResult(0x800A0E79);
constexpr HRESULT ADO_E_BOF_OR_EOF = MakeHResult(0x800A0BCD);        // no current record

// Win32 error codes (registry calls answer with these, not with HRESULTs).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

// The result code that carries a Win32 error code (the platform's HRESULT_FROM_WIN32).
constexpr HRESULT HResultFromWin32(LONG code) {
  return code <= 0 ? static_cast<HRESULT>(code)
                   : MakeHResult((static_cast<std::uint32_t>(code) & 0x0000FFFF) | 0x80070000);
}
