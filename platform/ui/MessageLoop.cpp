#include "platform/ui/MessageLoop.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/ui/WindowRecord.h"

namespace {

struct ThreadQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<MSG> messages;
  bool quit = false;
  int exitCode = 0;
  bool shiftDown = false;  // touched only by the owning thread
};

// A thread's queue lives from the first window it makes, or the first message it posts itself or
// waits for, until its loop ends or its last window goes with nothing left queued, and never
// past the thread's end: thread ids are reused, and a new thread must not inherit an old one's
// quit or messages. Only the thread itself makes or lets go of its queue; other threads add to
// it while it is there.
//
// Guards the map. Lock order in the window system: this lock, then one queue's lock, then the
// window table's lock (Window.cpp); never two queue locks at once.
std::mutex gQueuesMutex;

std::map<std::thread::id, std::shared_ptr<ThreadQueue>>& Queues() {
  static auto* queues = new std::map<std::thread::id, std::shared_ptr<ThreadQueue>>;  // outlives every thread
  return *queues;
}

struct QueueOfThisThread {
  ~QueueOfThisThread() {
    std::lock_guard lock(gQueuesMutex);
    Queues().erase(std::this_thread::get_id());
  }
};

std::shared_ptr<ThreadQueue> OwnQueue() {
  thread_local QueueOfThisThread forgetAtExit;
  (void)forgetAtExit;
  std::lock_guard lock(gQueuesMutex);
  auto& queue = Queues()[std::this_thread::get_id()];
  if (!queue) queue = std::make_shared<ThreadQueue>();
  return queue;
}

// The calling thread's queue if it has one; none makes none.
std::shared_ptr<ThreadQueue> FindOwnQueue() {
  std::lock_guard lock(gQueuesMutex);
  auto it = Queues().find(std::this_thread::get_id());
  return it == Queues().end() ? nullptr : it->second;
}

// Changes a thread's queue while holding the map's lock, so that the queue cannot be let go in
// between and what is added lost; false when the thread has no queue.
template <class Change>
bool ChangeQueueOf(std::thread::id thread, Change change) {
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard mapLock(gQueuesMutex);
    auto it = Queues().find(thread);
    if (it == Queues().end()) return false;
    queue = it->second;
    std::lock_guard lock(queue->mutex);
    change(*queue);
  }
  queue->wake.notify_all();
  return true;
}

// Lets go of the calling thread's queue when nothing waits in it and the thread has no window
// that another thread could post to.
void LetGoOfIdleQueue() {
  if (ui_internal::HasWindows(std::this_thread::get_id())) return;
  std::lock_guard mapLock(gQueuesMutex);
  auto it = Queues().find(std::this_thread::get_id());
  if (it == Queues().end()) return;
  std::shared_ptr<ThreadQueue> queue = it->second;  // its lock must outlive the erase
  std::lock_guard lock(queue->mutex);
  if (queue->messages.empty() && !queue->quit) Queues().erase(it);
}

DWORD Now() {
  using namespace std::chrono;
  return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool Matches(const MSG& msg, HWND hwnd, UINT first, UINT last) {
  if (hwnd && msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

// Takes the first matching message; false when there is none.
bool Take(ThreadQueue& queue, MSG* msg, HWND hwnd, UINT first, UINT last, bool remove) {
  for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
    if (!Matches(*it, hwnd, first, last)) continue;
    if (msg) *msg = *it;
    if (remove) queue.messages.erase(it);
    return true;
  }
  return false;
}

bool TakeQuit(ThreadQueue& queue, MSG* msg, bool remove) {
  if (!queue.quit) return false;
  if (msg) *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.exitCode), 0, Now(), {}};
  if (remove) queue.quit = false;
  return true;
}

// The character a key gives on a plain US keyboard; 0 for keys that give none.
wchar_t CharacterOf(UINT key, bool shift) {
  if (key >= 'A' && key <= 'Z') return static_cast<wchar_t>(shift ? key : key - 'A' + 'a');
  if (key >= '0' && key <= '9') return shift ? L")!@#$%^&*("[key - '0'] : static_cast<wchar_t>(key);
  if (key >= 0x60 && key <= 0x69) return static_cast<wchar_t>(L'0' + (key - 0x60));  // number pad
  switch (key) {
    case VK_BACK: return L'\b';
    case VK_TAB: return L'\t';
    case VK_RETURN: return L'\r';
    case VK_ESCAPE: return 0x1B;
    case VK_SPACE: return L' ';
    case 0x6A: return L'*';
    case 0x6B: return L'+';
    case 0x6D: return L'-';
    case 0x6E: return L'.';
    case 0x6F: return L'/';
    case 0xBA: return shift ? L':' : L';';
    case 0xBB: return shift ? L'+' : L'=';
    case 0xBC: return shift ? L'<' : L',';
    case 0xBD: return shift ? L'_' : L'-';
    case 0xBE: return shift ? L'>' : L'.';
    case 0xBF: return shift ? L'?' : L'/';
    case 0xC0: return shift ? L'~' : L'`';
    case 0xDB: return shift ? L'{' : L'[';
    case 0xDC: return shift ? L'|' : L'\\';
    case 0xDD: return shift ? L'}' : L']';
    case 0xDE: return shift ? L'"' : L'\'';
    default: return 0;
  }
}

}  // namespace

namespace ui_internal {

void OpenQueue() { OwnQueue(); }

void DropQueuedMessages(HWND hwnd) {
  if (auto queue = FindOwnQueue()) {
    std::lock_guard lock(queue->mutex);
    std::erase_if(queue->messages, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
  }
  LetGoOfIdleQueue();
}

}  // namespace ui_internal

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::thread::id thread = std::this_thread::get_id();
  if (hwnd) {
    auto record = ui_internal::FindRecord(hwnd);
    if (!record) return FALSE;
    thread = record->thread;
  }
  // A thread posting to itself gets a queue; another thread's window is reached through the
  // queue its thread keeps while it has windows, and a window whose thread has ended takes none.
  if (thread == std::this_thread::get_id()) OwnQueue();
  bool queued = ChangeQueueOf(thread, [&](ThreadQueue& queue) {
    queue.messages.push_back(MSG{hwnd, message, wParam, lParam, Now(), {}});
  });
  return queued ? TRUE : FALSE;
}

BOOL PostThreadMessageW(std::thread::id thread, UINT message, WPARAM wParam, LPARAM lParam) {
  bool queued = ChangeQueueOf(thread, [&](ThreadQueue& queue) {
    if (message == WM_QUIT) {
      queue.quit = true;
      queue.exitCode = static_cast<int>(wParam);
    } else {
      queue.messages.push_back(MSG{nullptr, message, wParam, lParam, Now(), {}});
    }
  });
  return queued ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
  auto queue = OwnQueue();
  {
    std::lock_guard lock(queue->mutex);
    queue->quit = true;
    queue->exitCode = exitCode;
  }
  queue->wake.notify_all();
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT first, UINT last) {
  {
    auto queue = OwnQueue();
    std::unique_lock lock(queue->mutex);
    for (;;) {
      if (Take(*queue, msg, hwnd, first, last, true)) return TRUE;
      if (TakeQuit(*queue, msg, true)) break;
      queue->wake.wait(lock);
    }
  }
  // The loop has ended; a later loop on this thread starts anew.
  LetGoOfIdleQueue();
  return FALSE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  auto queue = OwnQueue();
  std::lock_guard lock(queue->mutex);
  bool removing = remove & PM_REMOVE;
  if (Take(*queue, msg, hwnd, first, last, removing)) return TRUE;
  return TakeQuit(*queue, msg, removing) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  auto queue = OwnQueue();
  if (msg->wParam == VK_SHIFT && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP)) {
    queue->shiftDown = msg->message == WM_KEYDOWN;
    return FALSE;
  }
  if (msg->message != WM_KEYDOWN) return FALSE;
  wchar_t character = CharacterOf(static_cast<UINT>(msg->wParam), queue->shiftDown);
  if (!character) return FALSE;
  {
    std::lock_guard lock(queue->mutex);
    queue->messages.push_front(MSG{msg->hwnd, WM_CHAR, static_cast<WPARAM>(character), msg->lParam, Now(), msg->pt});
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  // A stale or foreign handle is dropped here: SendMessageW answers 0 without running anything.
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int PumpMessages() {
  int dispatched = 0;
  for (;;) {
    // Looked up anew each time: a message may close the thread's last window and its queue.
    auto queue = FindOwnQueue();
    if (!queue) return dispatched;
    MSG msg;
    {
      std::lock_guard lock(queue->mutex);
      if (!Take(*queue, &msg, nullptr, 0, 0, true)) return dispatched;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++dispatched;
  }
}
