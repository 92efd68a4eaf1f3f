// Message queues and the message loop. Each user-interface thread has one queue; posted messages
// wait there until the thread's loop takes them and dispatches them to their window.
//
// A thread has its queue from the first window it makes, or the first message it posts itself or
// waits for, until its loop ends or its last window is destroyed with nothing left queued, and
// never past the thread's end: a later thread with the same id starts with an empty queue.
#pragma once
#include <thread>

#include "platform/com/WinTypes.h"
#include "platform/ui/Messages.h"

// PeekMessageW.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Queues a message for the window's thread and returns at once; safe from any thread. A null
// window posts to the calling thread's own queue (the message is then handed to no window).
// FALSE for a stale window handle, or a window whose thread has ended.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message with no window for another thread's loop (a host's input thread telling the
// user-interface thread what the person did). WM_QUIT asks that loop to end, as PostQuitMessage
// would there. FALSE for a thread that has no queue now (see above).
BOOL PostThreadMessageW(std::thread::id thread, UINT message, WPARAM wParam, LPARAM lParam);
// Asks the calling thread's loop to end: GetMessageW answers WM_QUIT (returns 0) once the
// messages queued before it have been taken.
void PostQuitMessage(int exitCode);

// Waits for the next message of the calling thread. Returns 0 for WM_QUIT (with the exit code in
// wParam), otherwise nonzero. `hwnd`, `first` and `last` filter as the platform does; 0 takes all.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT first, UINT last);
// Like GetMessageW without waiting: FALSE when nothing matches.
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove);
// Turns a key press into a character message for the same window, queued ahead of all others.
// Returns TRUE when a character was made. Shift pressed and released through key messages is
// remembered per thread.
BOOL TranslateMessage(const MSG* msg);
// Runs the window procedure of the message's window. A message for a destroyed window is
// dropped and answers 0.
LRESULT DispatchMessageW(const MSG* msg);

// Translates and dispatches every message queued for the calling thread, including the ones
// that handling them queues, until the queue is empty; a WM_QUIT met on the way is left queued.
// Returns the number of messages dispatched. Tests and hosts use it to let the thread go idle.
int PumpMessages();
