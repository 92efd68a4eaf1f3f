// Message boxes. The window system does not draw them: the host installs a handler that shows
// the box to the person (or, in tests, records it and answers from a queue) and returns the
// button chosen. The call blocks the calling thread until the handler answers.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/com/WinTypes.h"

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::wstring text;
  std::wstring caption;
  UINT type = MB_OK;
  std::thread::id thread;  // the thread that asked

  UINT Buttons() const { return type & MB_TYPEMASK; }
  UINT Icon() const { return type & MB_ICONMASK; }
};

// Returns the answer (IDOK, IDYES, ...). It runs on the thread that shows the box.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs the process's handler and returns the one it replaces. With no handler installed a
// box is written to standard error and answered with the choice that changes nothing: OK for an
// OK box, No or Cancel for a question.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// An owner that is no longer a window is passed to the handler as none.
int MessageBoxW(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type);
