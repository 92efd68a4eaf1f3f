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

// Guards the map of queues; taken before a queue's own lock, never while one is held (see the
// lock order beside the window table).
std::mutex gQueuesMutex;

std::map<std::thread::id, std::shared_ptr<ThreadQueue>>& Queues() {
  static auto* queues = new std::map<std::thread::id, std::shared_ptr<ThreadQueue>>;  // outlives every thread
  return *queues;
}

std::shared_ptr<ThreadQueue> QueueOf(std::thread::id thread) {
  std::lock_guard lock(gQueuesMutex);
  auto& queue = Queues()[thread];
  if (!queue) queue = std::make_shared<ThreadQueue>();
  return queue;
}

// Thread ids are reused once a thread has ended: a thread's queue goes with it, so that a new
// thread never inherits an old one's quit flag or messages.
void ForgetQueue(std::thread::id thread) {
  std::lock_guard lock(gQueuesMutex);
  Queues().erase(thread);
}

struct QueueOfThisThread {
  ~QueueOfThisThread() { ForgetQueue(std::this_thread::get_id()); }
};

std::shared_ptr<ThreadQueue> OwnQueue() {
  thread_local QueueOfThisThread forgetAtExit;
  (void)forgetAtExit;
  return QueueOf(std::this_thread::get_id());
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

void DropQueuedMessages(std::thread::id thread, HWND hwnd) {
  auto queue = QueueOf(thread);
  if (!hwnd) return;
  std::lock_guard lock(queue->mutex);
  std::erase_if(queue->messages, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
}

}  // namespace ui_internal

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::thread::id thread = std::this_thread::get_id();
  if (hwnd) {
    auto record = ui_internal::FindRecord(hwnd);
    if (!record) return FALSE;
    thread = record->thread;
  }
  auto queue = thread == std::this_thread::get_id() ? OwnQueue() : QueueOf(thread);
  {
    std::lock_guard lock(queue->mutex);
    queue->messages.push_back(MSG{hwnd, message, wParam, lParam, Now(), {}});
  }
  queue->wake.notify_all();
  return TRUE;
}

BOOL PostThreadMessageW(std::thread::id thread, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard lock(gQueuesMutex);
    auto it = Queues().find(thread);
    if (it == Queues().end()) return FALSE;
    queue = it->second;
  }
  {
    std::lock_guard lock(queue->mutex);
    if (message == WM_QUIT) {
      queue->quit = true;
      queue->exitCode = static_cast<int>(wParam);
    } else {
      queue->messages.push_back(MSG{nullptr, message, wParam, lParam, Now(), {}});
    }
  }
  queue->wake.notify_all();
  return TRUE;
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
  auto queue = OwnQueue();
  std::unique_lock lock(queue->mutex);
  for (;;) {
    if (Take(*queue, msg, hwnd, first, last, true)) return TRUE;
    if (TakeQuit(*queue, msg, true)) break;
    queue->wake.wait(lock);
  }
  // The loop has ended: a queue with nothing left in it is let go; a later loop starts anew.
  bool empty = queue->messages.empty();
  lock.unlock();
  if (empty) {
    std::lock_guard mapLock(gQueuesMutex);
    auto it = Queues().find(std::this_thread::get_id());
    if (it != Queues().end() && it->second == queue) {
      std::lock_guard queueLock(queue->mutex);
      if (queue->messages.empty() && !queue->quit) Queues().erase(it);
    }
  }
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
  auto queue = OwnQueue();
  int dispatched = 0;
  for (;;) {
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
