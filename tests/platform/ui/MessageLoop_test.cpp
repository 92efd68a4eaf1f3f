#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <latch>
#include <thread>

#include "platform/ui/Window.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

constexpr UINT kWorkDone = WM_APP + 1;

class MessageLoopTest : public ::testing::Test {
 protected:
  MessageLoopTest() { window_.CreateEx(0, WC_WINDOW, L"", WS_POPUP, RECT{}, nullptr, 0); }
  ~MessageLoopTest() override {
    window_.hook = nullptr;  // it may hold what the test body has already let go
    window_.DestroyWindow();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  RecordingWindow window_;
};

TEST_F(MessageLoopTest, AWorkerPostsAndTheMessageRunsOnTheWindowsThread) {
  std::thread::id ranOn;
  window_.hook = [&](UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == kWorkDone) {
      ranOn = std::this_thread::get_id();
      PostQuitMessage(7);
    }
    return false;
  };
  HWND target = window_;
  std::thread worker([target] { EXPECT_TRUE(PostMessageW(target, kWorkDone, 1, 2)); });

  // The loop a host runs: it waits for the worker's message and ends at the quit.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  worker.join();
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  ASSERT_EQ(window_.Only(kWorkDone).size(), 1u);
  EXPECT_EQ(window_.Only(kWorkDone)[0].wParam, 1u);
}

TEST_F(MessageLoopTest, AnInputThreadTellsTheLoopWhatHappenedAndEndsIt) {
  std::thread::id ui = GetWindowThreadId(window_);
  ASSERT_EQ(ui, std::this_thread::get_id());
  std::thread input([ui] {
    EXPECT_TRUE(PostThreadMessageW(ui, WM_APP + 5, 'q', 0));
    EXPECT_TRUE(PostThreadMessageW(ui, WM_QUIT, 9, 0));
  });
  input.join();
  std::vector<UINT> seen;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    EXPECT_EQ(msg.hwnd, nullptr);
    seen.push_back(msg.message);
  }
  EXPECT_EQ(seen, std::vector<UINT>{WM_APP + 5});
  EXPECT_EQ(msg.wParam, 9u);

  EXPECT_FALSE(PostThreadMessageW(std::thread::id(), WM_APP, 0, 0));
}

TEST_F(MessageLoopTest, ManyWorkersLoseNoMessage) {
  HWND target = window_;
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([target] {
      for (int i = 0; i < 250; ++i) PostMessageW(target, kWorkDone, 0, 0);
    });
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(PumpMessages(), 1000);
  EXPECT_EQ(window_.Only(kWorkDone).size(), 1000u);
}

TEST_F(MessageLoopTest, MessagesOfADestroyedWindowAreDropped) {
  RecordingWindow doomed;
  ASSERT_TRUE(doomed.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, window_, 1));
  HWND stale = doomed;
  PostMessageW(stale, kWorkDone, 0, 0);
  PostMessageW(window_, kWorkDone, 0, 0);
  PostMessageW(stale, WM_CHAR, L'x', 0);
  doomed.DestroyWindow();

  EXPECT_EQ(PumpMessages(), 1);  // only the live window's message is left
  EXPECT_EQ(window_.Only(kWorkDone).size(), 1u);
  EXPECT_TRUE(doomed.Only(kWorkDone).empty());

  // A message taken from the queue before its window went is dropped at dispatch.
  RecordingWindow late;
  ASSERT_TRUE(late.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, window_, 2));
  PostMessageW(late, kWorkDone, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  late.DestroyWindow();
  EXPECT_EQ(DispatchMessageW(&msg), 0);
  EXPECT_TRUE(late.Only(kWorkDone).empty());
}

TEST_F(MessageLoopTest, AWindowDestroyedByItsOwnMessageDropsTheRestQueuedForIt) {
  auto doomed = std::make_unique<RecordingWindow>();
  ASSERT_TRUE(doomed->CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, window_, 1));
  int handled = 0;
  doomed->hook = [&](UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == kWorkDone && ++handled == 1) ::DestroyWindow(*doomed);
    return false;
  };
  for (int i = 0; i < 3; ++i) PostMessageW(*doomed, kWorkDone, 0, 0);
  PumpMessages();
  EXPECT_EQ(handled, 1);
}

TEST_F(MessageLoopTest, PeekLeavesOrTakesAndFilters) {
  PostMessageW(window_, WM_USER + 1, 0, 0);
  PostMessageW(window_, WM_USER + 2, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoopTest, QuitComesAfterWhatWasQueuedBeforeIt) {
  PostMessageW(window_, kWorkDone, 0, 0);
  PostQuitMessage(3);
  EXPECT_EQ(PumpMessages(), 1);  // the quit stays for the loop
  MSG msg;
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageLoopTest, TranslateMakesCharactersAheadOfOtherMessages) {
  PostMessageW(window_, kWorkDone, 0, 0);
  MSG key{window_, WM_KEYDOWN, 'A', 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(&key));
  MSG shift{window_, WM_KEYDOWN, VK_SHIFT, 0, 0, {}};
  TranslateMessage(&shift);
  EXPECT_TRUE(TranslateMessage(&key));
  shift.message = WM_KEYUP;
  TranslateMessage(&shift);
  MSG left{window_, WM_KEYDOWN, VK_LEFT, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&left));  // moves the caret, types nothing
  MSG release{window_, WM_KEYUP, 'A', 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&release));

  std::vector<std::pair<UINT, WPARAM>> order;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) order.emplace_back(msg.message, msg.wParam);
  std::vector<std::pair<UINT, WPARAM>> expected{{WM_CHAR, L'A'}, {WM_CHAR, L'a'}, {kWorkDone, 0}};
  EXPECT_EQ(order, expected);
}

}  // namespace

namespace {

// Thread ids come back once their thread has ended, so a queue kept by id must go with its
// thread: a new thread with an old id must not inherit a quit that ends its loop at once, nor
// messages meant for the old thread's windows.
class ThreadQueueLifetimeTest : public ::testing::Test {
 protected:
  // Runs `body` on a new thread that has the ended thread's id. The system reuses ids but not on
  // demand, so threads are started one after another, a bounded number of times.
  static bool RunOnThreadWithId(std::thread::id id, const std::function<void()>& body) {
    for (int attempt = 0; attempt < 500; ++attempt) {
      bool ran = false;
      std::thread([&] {
        if (std::this_thread::get_id() != id) return;
        ran = true;
        body();
      }).join();
      if (ran) return true;
    }
    return false;
  }

  // The next message of the calling thread's loop: the first one queued, or the quit.
  static MSG NextMessage() {
    MSG msg{};
    GetMessageW(&msg, nullptr, 0, 0);
    return msg;
  }
};

TEST_F(ThreadQueueLifetimeTest, AThreadReusingAnEndedThreadsIdStartsWithAnEmptyQueue) {
  std::thread::id ended;
  std::thread([&] {
    EXPECT_FALSE(PostThreadMessageW(std::this_thread::get_id(), WM_APP, 0, 0));  // no queue yet
    PostMessageW(nullptr, WM_APP + 2, 0, 0);
    PostQuitMessage(3);
    ended = std::this_thread::get_id();
  }).join();
  EXPECT_FALSE(PostThreadMessageW(ended, WM_APP, 0, 0)) << "the ended thread's queue is gone";

  bool reused = RunOnThreadWithId(ended, [] {
    PostMessageW(nullptr, WM_APP + 4, 0, 0);
    MSG msg = NextMessage();
    EXPECT_EQ(msg.message, WM_APP + 4u) << "a message or quit of the ended thread came first";
    PostQuitMessage(0);
    msg = NextMessage();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
  });
  if (!reused) GTEST_SKIP() << "the system gave no new thread the ended thread's id";
}

// The input thread tells a user-interface thread to quit, but that thread closes its window and
// ends without running its loop again.
TEST_F(ThreadQueueLifetimeTest, AQuitSentToAThreadThatEndsWithoutItsLoopDiesWithTheThread) {
  std::thread::id ended;
  std::latch madeWindow(1), told(1);
  std::thread ui([&] {
    ended = std::this_thread::get_id();
    HWND window = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
    madeWindow.count_down();
    told.wait();
    DestroyWindow(window);
  });
  madeWindow.wait();
  EXPECT_TRUE(PostThreadMessageW(ended, WM_APP + 1, 0, 0));
  EXPECT_TRUE(PostThreadMessageW(ended, WM_QUIT, 5, 0));
  told.count_down();
  ui.join();
  EXPECT_FALSE(PostThreadMessageW(ended, WM_APP, 0, 0)) << "the ended thread's queue is gone";

  bool reused = RunOnThreadWithId(ended, [] {
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "inherited message " << msg.message;
  });
  if (!reused) GTEST_SKIP() << "the system gave no new thread the ended thread's id";
}

// A thread that ends without destroying its window leaves a handle behind that other threads may
// still hold. Posting to it must not make a queue for the ended thread's id.
TEST_F(ThreadQueueLifetimeTest, AWindowLeftBehindByAnEndedThreadTakesNoMessages) {
  std::thread::id ended;
  HWND left = nullptr;
  std::thread([&] {
    ended = std::this_thread::get_id();
    left = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
  }).join();
  ASSERT_TRUE(IsWindow(left));
  EXPECT_FALSE(PostMessageW(left, WM_APP + 1, 0, 0)) << "a message was queued for an ended thread";

  bool reused = RunOnThreadWithId(ended, [left] {
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "inherited message " << msg.message;
    DestroyWindow(left);  // the id owns the window; clear it away for the tests that follow
  });
  if (!reused) GTEST_SKIP() << "the system gave no new thread the ended thread's id";
}

// A loop may end and another start on the same thread while its windows live: the queue stays
// for them, and goes once the last of them is gone with nothing left in it.
TEST_F(ThreadQueueLifetimeTest, AThreadKeepsItsQueueWhileItHasWindows) {
  std::thread([] {
    std::thread::id self = std::this_thread::get_id();
    HWND window = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
    PostQuitMessage(1);
    MSG msg = NextMessage();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 1u);

    // Between loops another thread still reaches the window and the thread.
    std::thread([self, window] {
      EXPECT_TRUE(PostMessageW(window, WM_APP + 1, 0, 0));
      EXPECT_TRUE(PostThreadMessageW(self, WM_APP + 2, 0, 0));
    }).join();
    msg = NextMessage();
    EXPECT_EQ(msg.message, WM_APP + 1u);
    EXPECT_EQ(msg.hwnd, window);
    msg = NextMessage();
    EXPECT_EQ(msg.message, WM_APP + 2u);

    // The last window closes the way a main window does: its quit outlives it for the loop.
    PostMessageW(window, WM_APP + 3, 0, 0);
    PostQuitMessage(2);
    DestroyWindow(window);
    msg = NextMessage();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "message of a destroyed window " << msg.message;
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_FALSE(PostThreadMessageW(self, WM_APP, 0, 0)) << "a thread without windows or loop keeps no queue";

    // Closing the last window outside a loop lets the queue go as well.
    window = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
    EXPECT_TRUE(PostThreadMessageW(self, WM_APP + 4, 0, 0));
    EXPECT_EQ(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    DestroyWindow(window);
    EXPECT_FALSE(PostThreadMessageW(self, WM_APP, 0, 0));
  }).join();
}

// The loop lets go of its queue as it ends while an input thread keeps posting to it: every
// message the post accepted arrives, none goes into a queue on its way out.
TEST_F(ThreadQueueLifetimeTest, PostsToAThreadWhoseLoopsEndAndStartAreNeverLost) {
  std::atomic<bool> posting{true}, ended{false};
  std::atomic<std::thread::id> uiId{};
  int accepted = 0, arrived = 0;
  std::thread ui([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread has its queue before anyone posts
    uiId = std::this_thread::get_id();
    while (posting) {
      while (GetMessageW(&msg, nullptr, 0, 0))
        if (++arrived % 4 == 0) PostQuitMessage(0);
    }
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) ++arrived;
    ended = true;
  });
  while (uiId.load() == std::thread::id()) std::this_thread::yield();
  for (int i = 0; i < 20000; ++i) accepted += PostThreadMessageW(uiId, WM_APP, 0, 0) ? 1 : 0;
  posting = false;
  while (!ended) PostThreadMessageW(uiId, WM_QUIT, 0, 0);  // refused while the thread is between loops
  ui.join();
  EXPECT_GE(accepted, 4);  // the first loop ends only after 4 have arrived
  EXPECT_EQ(arrived, accepted);
}

}  // namespace
