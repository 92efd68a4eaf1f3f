// Frames a window loads from a real HTTP server on 127.0.0.1: a hostile page (one that frames
// itself, frames its framer through a redirect, or holds ten thousand frames) loads a bounded
// number of frames, fetched once each, while ordinary nested frames still load whole and report
// frames first, then their window. Counted by the requests the server answers and the events a
// toolbar hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageLoop.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/BrowserTestSupport.h"

namespace {

using Lines = std::vector<std::wstring>;

constexpr size_t kWindowBudget = 100;  // frames one window holds at once

std::string Frames(const std::string& prefix, int count, const std::string& suffix = "") {
  std::string html;
  for (int i = 0; i < count; ++i) html += "<iframe src='" + prefix + std::to_string(i) + suffix + "'></iframe>";
  return html;
}

class FrameBudgetTest : public ::testing::Test {
 protected:
  FrameBudgetTest()
      : wide_("<title>Wide</title>" + Frames("/leaf/", 10000)),
        server_([this](httplib::Server& s) {
          s.set_tcp_nodelay(true);  // hundreds of small pages: no waiting on delayed acknowledgements
          auto serve = [this](const std::string& html) {
            return [this, html](const httplib::Request& req, httplib::Response& res) {
              Served(req.path);
              res.set_content(html, "text/html");
            };
          };
          s.Get("/self", serve("<title>Self</title>" + Frames("/self#f", 64)));
          s.Get("/a", serve("<title>A</title><iframe src='/b'></iframe>"));
          s.Get("/b", serve("<title>B</title><iframe src='/a'></iframe>"));
          s.Get("/bounce", serve("<title>Bounce</title><iframe src='/hop'></iframe>"));
          s.Get("/hop", [this](const httplib::Request& req, httplib::Response& res) {
            Served(req.path);
            res.set_redirect("/bounce", 302);
          });
          s.Get("/wide", serve(wide_));
          s.Get("/thirty", serve("<title>Thirty</title>" + Frames("/leaf/", 30)));
          s.Get("/host", serve("<title>Host</title><frameset rows='50%,50%'><frame name=f src='/mid'>"
                               "<frame name=other src='/leaf/0'></frameset>"));
          s.Get("/mid", serve("<title>Mid</title><iframe name=g src='/leaf/1'></iframe>"));
          s.Get(R"(/leaf/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            Served(req.path);
            res.set_content("<title>Leaf " + req.matches[1].str() + "</title>", "text/html");
          });
          s.Get(R"(/deep/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            Served(req.path);
            int level = std::stoi(req.matches[1].str());
            res.set_content("<title>Level " + std::to_string(level) + "</title><iframe src='/deep/" +
                                std::to_string(level + 1) + "'></iframe>",
                            "text/html");
          });
        }) {
    sink_ = MakeCounted<RecordingSink>();
    sink_->Connect(window_.Browser());
  }

  void Served(const std::string& path) {
    std::lock_guard lock(mutex_);
    ++hits_[path];
  }
  int Hits(const std::string& path) {
    std::lock_guard lock(mutex_);
    return hits_[path];
  }
  int HitsUnder(const std::string& prefix) {
    std::lock_guard lock(mutex_);
    int total = 0;
    for (const auto& [path, hits] : hits_)
      if (path.starts_with(prefix)) total += hits;
    return total;
  }

  size_t Count(const std::wstring& line) const {
    return static_cast<size_t>(std::count(sink_->lines.begin(), sink_->lines.end(), line));
  }
  size_t CountStarting(const std::wstring& start) const {
    return static_cast<size_t>(std::count_if(sink_->lines.begin(), sink_->lines.end(),
                                             [&](const std::wstring& line) { return line.starts_with(start); }));
  }
  // The addresses of the DocumentComplete events, in the order they came.
  Lines Completed() const {
    Lines urls;
    for (const auto& line : sink_->lines)
      if (line.starts_with(L"DocumentComplete ")) urls.push_back(line.substr(17));
    return urls;
  }
  static size_t FrameObjects(const WebBrowserObject& browser) {
    size_t count = browser.Frames().size();
    for (const auto& frame : browser.Frames()) count += FrameObjects(*frame);
    return count;
  }
  bool Navigate2(const std::wstring& url, const std::wstring& frame) {
    Variant address(url), empty, target(frame);
    return window_.Browser()->Navigate2(&address, &empty, &target, &empty, &empty) == S_OK;
  }

  std::string wide_;
  std::mutex mutex_;
  std::map<std::string, int> hits_;
  LoopbackServer server_;
  BrowserWindow window_;
  CComPtr<RecordingSink> sink_;
};

TEST_F(FrameBudgetTest, FramesThatWouldShowTheirOwnAncestorStayBlankWithoutAFetch) {
  // A page that frames itself 64 times is fetched once; each frame stays blank.
  std::wstring self = server_.Url("/self");
  window_.Navigate(self);
  EXPECT_EQ(Hits("/self"), 1);
  EXPECT_EQ(FrameObjects(window_.Top()), 64u);
  EXPECT_EQ(Count(L"DocumentComplete about:blank"), 64u);
  EXPECT_EQ(Completed().back(), self);
  EXPECT_EQ(CountStarting(L"DocumentComplete "), 65u);

  // A -> B -> A: B loads, and its frame of A stays blank.
  sink_->lines.clear();
  std::wstring a = server_.Url("/a"), b = server_.Url("/b");
  window_.Navigate(a);
  EXPECT_EQ(Completed(), (Lines{L"about:blank", b, a}));
  EXPECT_EQ(Hits("/a"), 1);
  EXPECT_EQ(Hits("/b"), 1);

  // A frame whose address redirects to its own framer is found out by its fetch and shown
  // blank, instead of framing the framer again level after level.
  sink_->lines.clear();
  std::wstring bounce = server_.Url("/bounce");
  window_.Navigate(bounce);
  EXPECT_EQ(Completed(), (Lines{L"about:blank", bounce}));
  EXPECT_EQ(Hits("/bounce"), 2);  // the window's page, and where the frame's address led
  EXPECT_EQ(Hits("/hop"), 1);
  ASSERT_EQ(window_.Top().Frames().size(), 1u);
  EXPECT_TRUE(window_.Top().Frames()[0]->Frames().empty());
}

TEST_F(FrameBudgetTest, WindowLoadsItsBudgetOfFramesAndLeavesTheRestEmpty) {
  // Ten thousand frames of distinct pages: the budget's number load, each fetched once, and
  // the rest have no browser object and send nothing.
  std::wstring wide = server_.Url("/wide");
  window_.Navigate(wide);
  EXPECT_EQ(window_.Top().Frames().size(), kWindowBudget);
  EXPECT_EQ(HitsUnder("/leaf/"), static_cast<int>(kWindowBudget));
  EXPECT_EQ(Hits("/leaf/99"), 1);
  EXPECT_EQ(Hits("/leaf/100"), 0);
  EXPECT_EQ(CountStarting(L"BeforeNavigate2 "), kWindowBudget + 1);
  Lines done = Completed();
  ASSERT_EQ(done.size(), kWindowBudget + 1);
  EXPECT_EQ(done.front(), server_.Url("/leaf/0"));
  EXPECT_EQ(done.back(), wide);

  // The next page of the window has the whole budget again.
  sink_->lines.clear();
  window_.Navigate(server_.Url("/thirty"));
  EXPECT_EQ(FrameObjects(window_.Top()), 30u);
  window_.Navigate(wide);
  EXPECT_EQ(FrameObjects(window_.Top()), kWindowBudget);
}

TEST_F(FrameBudgetTest, FrameThatNavigatesGivesItsOldFramesBack) {
  std::wstring host = server_.Url("/host");
  window_.Navigate(host);
  ASSERT_EQ(FrameObjects(window_.Top()), 3u);  // f, the frame g inside it, and other
  // Sending frame f to a page of thirty frames, again and again, replaces its frames each time
  // instead of using the window's budget up.
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(Navigate2(server_.Url("/thirty"), L"f"));
    PumpMessages();
    ASSERT_EQ(window_.Top().Frames().size(), 2u);
    EXPECT_EQ(window_.Top().Frames()[0]->Frames().size(), 30u) << "round " << round;
  }
  EXPECT_EQ(FrameObjects(window_.Top()), 32u);
}

TEST_F(FrameBudgetTest, NavigationWaitingForAFrameThePageLetGoIsDropped) {
  std::wstring host = server_.Url("/host");
  std::wstring deep = server_.Url("/deep/1");
  std::wstring thirty = server_.Url("/thirty");
  // While the window's page completes, a sink sends the window to another page and, after it,
  // the inner frame g to a page of its own; by the time g's turn comes, g's page has gone.
  bool asked = false;
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId != DISPID_DOCUMENTCOMPLETE || asked || sink_->lines.back() != L"DocumentComplete " + host) return;
    asked = true;
    Navigate2(thirty, L"");
    Navigate2(deep, L"g");
  };
  window_.Navigate(host);
  PumpMessages();
  ASSERT_TRUE(asked);
  EXPECT_EQ(window_.Top().Url(), thirty);
  EXPECT_EQ(Count(L"BeforeNavigate2 " + deep), 0u);
  EXPECT_EQ(HitsUnder("/deep/"), 0);
  EXPECT_EQ(FrameObjects(window_.Top()), 30u);

  // A frame the window let go, still held by a caller, navigates no more.
  const RecordedEvent* gDone = nullptr;
  for (const auto& event : sink_->events)
    if (event.dispId == DISPID_DOCUMENTCOMPLETE && event.browserUrl == server_.Url("/leaf/1")) {
      gDone = &event;
      break;
    }
  ASSERT_NE(gDone, nullptr);
  auto g = std::get<CComPtr<IDispatch>>(gDone->arguments[0].value).QueryInterface<IWebBrowser2>(IID_IWebBrowser2);
  ASSERT_TRUE(g);
  sink_->lines.clear();
  Variant address(deep), empty;
  EXPECT_TRUE(FAILED(g->Navigate2(&address, &empty, &empty, &empty, &empty)));
  EXPECT_TRUE(sink_->lines.empty());
}

TEST_F(FrameBudgetTest, NestedFramesLoadToTheirDepthAndCompleteInnermostFirst) {
  // Every level frames a page of its own: four levels of frames load below the window, and
  // each page completes after the frames inside it.
  window_.Navigate(server_.Url("/deep/0"));
  EXPECT_EQ(Completed(), (Lines{server_.Url("/deep/4"), server_.Url("/deep/3"), server_.Url("/deep/2"),
                                server_.Url("/deep/1"), server_.Url("/deep/0")}));
  EXPECT_EQ(Hits("/deep/4"), 1);
  EXPECT_EQ(Hits("/deep/5"), 0);

  // A frameset whose frame holds a frame: every frame loads, each before the page around it.
  sink_->lines.clear();
  window_.Navigate(server_.Url("/host"));
  EXPECT_EQ(Completed(), (Lines{server_.Url("/leaf/1"), server_.Url("/mid"), server_.Url("/leaf/0"),
                                server_.Url("/host")}));
}

}  // namespace
