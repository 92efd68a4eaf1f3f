#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
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

// A thread id comes back once its thread has ended; the new thread must find an empty queue,
// not the quit or the messages the old one left behind.
TEST(MessageQueueLifetimeTest, AThreadReusingAnEndedThreadsIdStartsWithAnEmptyQueue) {
  std::thread::id ended;
  std::thread([&] {
    PostThreadMessageW(std::this_thread::get_id(), WM_APP, 0, 0);  // no queue yet: refused
    PostMessageW(nullptr, WM_APP + 2, 0, 0);
    PostQuitMessage(3);
    ended = std::this_thread::get_id();
  }).join();
  EXPECT_FALSE(PostThreadMessageW(ended, WM_APP, 0, 0)) << "the ended thread's queue is gone";
  bool reused = false;
  for (int attempt = 0; attempt < 200 && !reused; ++attempt) {
    std::thread([&] {
      if (std::this_thread::get_id() != ended) return;
      reused = true;
      MSG msg;
      EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "message " << msg.message;
    }).join();
  }
  if (!reused) GTEST_SKIP() << "the system gave no thread the ended thread's id";
}

TEST(MessageQueueLifetimeTest, ALoopThatEndsLetsGoOfItsQueueAndTheNextLoopStartsClean) {
  std::thread([] {
    PostQuitMessage(1);
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_FALSE(PostThreadMessageW(std::this_thread::get_id(), WM_APP, 0, 0));
    // A second loop on the same thread works as the first did.
    PostMessageW(nullptr, WM_APP + 3, 0, 0);
    PostQuitMessage(2);
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_APP + 3u);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 2u);
  }).join();
}

}  // namespace
