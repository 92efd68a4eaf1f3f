// The browser window loading real pages from files and from a loopback server, checked by the
// events a toolbar hears, with their parameters, and by the documents it can read.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "host/engine/BrowserWindow.h"
#include "host/engine/PageText.h"
#include "host/engine/Url.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"
#include "platform/ui/MessageLoop.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using Lines = std::vector<std::wstring>;

class NavigationTest : public ::testing::Test {
 protected:
  NavigationTest() {
    sink_ = MakeCounted<RecordingSink>();
    sink_->Connect(window_.Browser());
  }

  std::wstring Page(const std::string& name, const std::string& bytes) {
    WriteFile(temp_.path() / name, bytes);
    return FileUrlFromPath(FromUtf8((temp_.path() / name).string()));
  }

  // The events of one plain load of `url` in a window whose back button is in `back` state.
  static Lines PlainLoad(const std::wstring& url, const std::wstring& title, const std::wstring& back = L"false") {
    return {L"BeforeNavigate2 " + url,
            L"StatusTextChange Opening page " + url + L"...",
            L"ProgressChange 0 100",
            L"NavigateComplete2 " + url,
            L"CommandStateChange 2 " + back,
            L"CommandStateChange 1 false",
            L"TitleChange " + title,
            L"DownloadComplete",
            L"ProgressChange 100 100",
            L"StatusTextChange Done",
            L"DocumentComplete " + url};
  }

  std::wstring Location() {
    std::wstring url;
    window_.Browser()->get_LocationURL(&url);
    return url;
  }

  CComPtr<IHTMLDocument2> Document(IWebBrowser2* browser) {
    CComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(&document))) return {};
    return document.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2);
  }

  TempDir temp_;
  BrowserWindow window_;
  CComPtr<RecordingSink> sink_;
};

TEST_F(NavigationTest, PlainPageSendsTheEventsInTheBrowsersOrder) {
  std::wstring url = Page("plain.html", "<html><head><title> A  plain\npage </title></head><body>Hi</body></html>");
  window_.Navigate(url);
  EXPECT_EQ(sink_->lines, PlainLoad(url, L"A plain page"));

  // The browser object in the events is the window's own, and it already shows the page when
  // NavigateComplete2 arrives, but still the page being left at BeforeNavigate2.
  ASSERT_EQ(sink_->events.size(), 11u);
  EXPECT_EQ(sink_->events[0].browserUrl, L"");
  EXPECT_FALSE(sink_->events[0].browserHadHtmlDocument);
  EXPECT_EQ(sink_->events[3].browserUrl, url);
  EXPECT_TRUE(sink_->events[10].browserHadHtmlDocument);
  auto* dispatch = std::get_if<CComPtr<IDispatch>>(&sink_->events[10].arguments[0].value);
  ASSERT_TRUE(dispatch);
  EXPECT_EQ(dispatch->QueryInterface<IWebBrowser2>(IID_IWebBrowser2).get(), window_.Browser());

  // BeforeNavigate2 carries seven arguments: browser, address, flags, frame, post data, headers, cancel.
  const auto& before = sink_->events[0].arguments;
  ASSERT_EQ(before.size(), 7u);
  EXPECT_EQ(std::get<std::wstring>(before[1].value), url);
  EXPECT_EQ(std::get<std::int32_t>(before[2].value), 0);
  EXPECT_TRUE(before[4].IsEmpty());
  EXPECT_EQ(std::get<bool>(before[6].value), false);

  std::wstring name;
  window_.Browser()->get_LocationName(&name);
  EXPECT_EQ(name, L"A plain page");
  EXPECT_EQ(Location(), url);
}

TEST_F(NavigationTest, NextPageIsAnnouncedWhileTheCurrentPageIsStillShown) {
  std::wstring first = Page("first.html", "<title>First</title><form><input type=password name=p value=s></form>");
  std::wstring second = Page("second.html", "<title>Second</title>");
  window_.Navigate(first);
  sink_->events.clear();
  sink_->lines.clear();
  window_.Navigate(second);
  EXPECT_EQ(sink_->lines, PlainLoad(second, L"Second", L"true"));
  EXPECT_EQ(sink_->events[0].browserUrl, first);
  EXPECT_TRUE(sink_->events[0].browserHadHtmlDocument);
  EXPECT_EQ(sink_->events[10].browserUrl, second);
}

TEST_F(NavigationTest, PageWithoutTitleIsTitledByItsAddress) {
  std::wstring url = Page("untitled.html", "<p>No title here</p>");
  window_.Navigate(url);
  EXPECT_EQ(sink_->lines, PlainLoad(url, url));
}

TEST_F(NavigationTest, FramesLoadAsChildBrowsersAndCompleteBeforeTheirWindow) {
  std::wstring left = Page("left.html", "<title>Left</title><form><input name=q value=l></form>");
  std::wstring right = Page("right.html", "<title>Right</title>");
  std::wstring top = Page("frames.html",
                          "<title>Frames</title><frameset cols='50%,50%'><frame name=l src='left.html'>"
                          "<frame name=r src='right.html'></frameset>");
  window_.Navigate(top);
  Lines expected = {L"BeforeNavigate2 " + top,
                    L"StatusTextChange Opening page " + top + L"...",
                    L"ProgressChange 0 100",
                    L"NavigateComplete2 " + top,
                    L"CommandStateChange 2 false",
                    L"CommandStateChange 1 false",
                    L"TitleChange Frames",
                    L"DownloadComplete",
                    L"BeforeNavigate2 " + left,
                    L"NavigateComplete2 " + left,
                    L"DownloadComplete",
                    L"DocumentComplete " + left,
                    L"BeforeNavigate2 " + right,
                    L"NavigateComplete2 " + right,
                    L"DownloadComplete",
                    L"DocumentComplete " + right,
                    L"ProgressChange 100 100",
                    L"StatusTextChange Done",
                    L"DocumentComplete " + top};
  EXPECT_EQ(sink_->lines, expected);

  // Each frame's DocumentComplete names the frame's own browser object, with its own document.
  const RecordedEvent& leftDone = sink_->events[11];
  auto frame = std::get<CComPtr<IDispatch>>(leftDone.arguments[0].value).QueryInterface<IWebBrowser2>(IID_IWebBrowser2);
  ASSERT_TRUE(frame);
  EXPECT_NE(frame.get(), window_.Browser());
  EXPECT_EQ(leftDone.browserUrl, left);
  CComPtr<IHTMLElementCollection> forms;
  ASSERT_EQ(Document(frame.get())->get_forms(&forms), S_OK);
  LONG count = 0;
  forms->get_length(&count);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(std::get<std::wstring>(sink_->events[8].arguments[3].value), L"l");  // the frame's name
  EXPECT_EQ(Location(), top);

  // Navigate2 with a target frame name loads into that frame only.
  sink_->lines.clear();
  Variant address(right), empty, target(std::wstring(L"l"));
  ASSERT_EQ(window_.Browser()->Navigate2(&address, &empty, &target, &empty, &empty), S_OK);
  PumpMessages();
  EXPECT_EQ(sink_->lines, (Lines{L"BeforeNavigate2 " + right, L"NavigateComplete2 " + right, L"DownloadComplete",
                                 L"DocumentComplete " + right}));
  EXPECT_EQ(Location(), top);
}

TEST_F(NavigationTest, FramesAreBoundedPerWindowAndNeverFrameAnAncestor) {
  auto count = [&](const std::wstring& line) {
    return static_cast<size_t>(std::count(sink_->lines.begin(), sink_->lines.end(), line));
  };
  // A page that frames itself 64 times: each frame would show its own ancestor, so each stays
  // blank and nothing is fetched again.
  std::string selfFrames;
  for (int i = 0; i < 64; ++i) selfFrames += "<iframe src='self.html#f" + std::to_string(i) + "'></iframe>";
  std::wstring self = Page("self.html", selfFrames);
  window_.Navigate(self);
  EXPECT_EQ(count(L"DocumentComplete " + self), 1u);
  EXPECT_EQ(count(L"DocumentComplete about:blank"), 64u);
  EXPECT_EQ(count(L"BeforeNavigate2 " + self), 1u);

  // A chain A -> B -> A stops at the recursion: B loads, its frame of A stays blank.
  sink_->lines.clear();
  std::wstring a = Page("a.html", "<iframe src='b.html'></iframe>");
  std::wstring b = Page("b.html", "<iframe src='a.html'></iframe>");
  window_.Navigate(a);
  EXPECT_EQ(sink_->lines.back(), L"DocumentComplete " + a);
  EXPECT_EQ(count(L"DocumentComplete " + b), 1u);
  EXPECT_EQ(count(L"DocumentComplete about:blank"), 1u);
  EXPECT_EQ(count(L"DocumentComplete " + a), 1u);

  // Pages that each frame 20 more pages, which frame 20 more: the window loads 100 frames in
  // all and leaves the rest empty; a new page has its own budget.
  std::string many;
  for (int i = 0; i < 20; ++i) {
    std::string inner;
    for (int k = 0; k < 20; ++k) inner += "<iframe src='leaf" + std::to_string(k) + ".html'></iframe>";
    Page("mid" + std::to_string(i) + ".html", inner);
    many += "<iframe src='mid" + std::to_string(i) + ".html'></iframe>";
  }
  for (int k = 0; k < 20; ++k) Page("leaf" + std::to_string(k) + ".html", "<p>leaf");
  std::wstring top = Page("many.html", many);
  for (int round = 0; round < 2; ++round) {
    sink_->lines.clear();
    window_.Navigate(top);
    size_t frames = 0;
    for (const std::wstring& line : sink_->lines)
      if (line.starts_with(L"DocumentComplete ") && line != L"DocumentComplete " + top) ++frames;
    EXPECT_EQ(frames, 100u);
    EXPECT_EQ(sink_->lines.back(), L"DocumentComplete " + top);
  }
}

TEST_F(NavigationTest, CancelledNavigationLeavesThePageInPlace) {
  std::wstring first = Page("first.html", "<title>First</title>");
  std::wstring second = Page("second.html", "<title>Second</title>");
  window_.Navigate(first);
  sink_->lines.clear();
  sink_->cancelWhenAddressHas = L"second";
  window_.Navigate(second);
  EXPECT_EQ(sink_->lines, (Lines{L"BeforeNavigate2 " + second}));
  EXPECT_EQ(Location(), first);
  std::wstring title;
  Document(window_.Browser())->get_title(&title);
  EXPECT_EQ(title, L"First");
}

TEST_F(NavigationTest, MissingFileShowsTheErrorPage) {
  std::wstring url = FileUrlFromPath(FromUtf8((temp_.path() / "missing.html").string()));
  window_.Navigate(url);
  EXPECT_EQ(sink_->lines, PlainLoad(url, L"Cannot display the page"));
  EXPECT_EQ(Location(), url);
  std::vector<std::wstring> page = DescribePage(window_.Top());
  EXPECT_NE(page[1].find(L"The file could not be found."), std::wstring::npos);
}

TEST_F(NavigationTest, ImageHasNoHtmlDocument) {
  std::wstring url = Page("picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  window_.Navigate(url);
  EXPECT_EQ(sink_->lines, PlainLoad(url, url));
  CComPtr<IDispatch> document;
  ASSERT_EQ(window_.Browser()->get_Document(&document), S_OK);
  ASSERT_TRUE(document);
  EXPECT_FALSE(document.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2));
  EXPECT_EQ(DescribePage(window_.Top()), (Lines{L"title: " + url}));
}

TEST_F(NavigationTest, NoDocumentBeforeTheFirstPage) {
  CComPtr<IDispatch> document;
  EXPECT_EQ(window_.Browser()->get_Document(&document), E_FAIL);
  EXPECT_FALSE(document);
}

TEST_F(NavigationTest, PagesAreDecodedByMarkSniffOrDeclaredCharset) {
  std::wstring title = L"Caf\u00e9 \u4e2d";
  std::string html = ToUtf8(L"<html><head><title>" + title + L"</title></head></html>");
  // The toolbar's own page file: UTF-16LE with its byte-order mark.
  window_.Navigate(Page("bom.html", "\xFF\xFE" + ToUtf16LE(FromUtf8(html))));
  // The same without a mark, recognised by its zero bytes.
  window_.Navigate(Page("nobom.html", ToUtf16LE(FromUtf8(html))));
  window_.Navigate(Page("utf8bom.html", "\xEF\xBB\xBF" + html));
  window_.Navigate(Page("latin.html", "<meta charset=windows-1252><title>Caf\xe9 \x80</title>"));
  window_.Navigate(Page("plain.html", html));
  Lines titles;
  for (const auto& line : sink_->lines)
    if (line.starts_with(L"TitleChange ")) titles.push_back(line.substr(12));
  EXPECT_EQ(titles, (Lines{title, title, title, L"Caf\u00e9 \u20ac", title}));
}

TEST_F(NavigationTest, GoingBackReloadsThePreviousPage) {
  std::wstring first = Page("first.html", "<title>First</title><a href='second.html'>on</a>");
  std::wstring second = Page("second.html", "<title>Second</title>");
  window_.Navigate(first);
  ASSERT_EQ(window_.FollowLink(1), ActionResult::Done);
  EXPECT_EQ(Location(), second);
  sink_->lines.clear();
  ASSERT_EQ(window_.GoBack(), ActionResult::Done);
  EXPECT_EQ(sink_->lines, PlainLoad(first, L"First", L"false"));
  EXPECT_EQ(window_.GoBack(), ActionResult::NotFound);
  EXPECT_EQ(window_.FollowLink(2), ActionResult::NotFound);
}

TEST_F(NavigationTest, QuitTellsTheSinksOnceAndEndsTheWindow) {
  std::wstring url = Page("a.html", "<title>A</title>");
  window_.Navigate(url);
  sink_->lines.clear();
  window_.Quit();
  window_.Quit();
  EXPECT_EQ(sink_->lines, (Lines{L"OnQuit"}));
  Variant address(url), empty;
  EXPECT_EQ(window_.Browser()->Navigate2(&address, &empty, &empty, &empty, &empty), E_FAIL);
  EXPECT_EQ(window_.Navigate(url), ActionResult::Refused);
  EXPECT_TRUE(window_.HasQuit());
  EXPECT_EQ(sink_->lines.size(), 1u);
}

TEST_F(NavigationTest, SinkMayDisconnectOrNavigateFromInsideAnEvent) {
  std::wstring first = Page("first.html", "<title>First</title>");
  std::wstring second = Page("second.html", "<title>Second</title>");
  // A navigation asked for during an event waits until the current one has finished and the
  // window's loop gets to it.
  bool asked = false;
  size_t linesWhenAsked = 0;
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId == DISPID_DOWNLOADCOMPLETE && !asked) {
      asked = true;
      Variant address(second), empty;
      EXPECT_EQ(window_.Browser()->Navigate2(&address, &empty, &empty, &empty, &empty), S_OK);
      linesWhenAsked = sink_->lines.size();
    }
  };
  window_.Navigate(first);
  Lines expected = PlainLoad(first, L"First");
  EXPECT_EQ(sink_->lines, expected);
  EXPECT_EQ(linesWhenAsked, 8u);  // Navigate2 returned inside DownloadComplete with nothing of the page sent
  PumpMessages();
  Lines next = PlainLoad(second, L"Second", L"true");
  expected.insert(expected.end(), next.begin(), next.end());
  EXPECT_EQ(sink_->lines, expected);

  // A sink that disconnects itself hears nothing more, and the others still hear the event.
  auto other = MakeCounted<RecordingSink>();
  other->Connect(window_.Browser());
  sink_->lines.clear();
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId == DISPID_BEFORENAVIGATE2) sink_->Disconnect();
  };
  window_.Navigate(first);
  EXPECT_EQ(sink_->lines.size(), 1u);
  EXPECT_EQ(other->lines.size(), 11u);
}

TEST_F(NavigationTest, Navigate2ReturnsBeforeThePageAndTheLoopLoadsIt) {
  std::wstring first = Page("first.html", "<title>First</title>");
  std::wstring second = Page("second.html", "<title>Second</title>");
  std::wstring third = Page("third.html", "<title>Third</title>");
  window_.Navigate(first);
  sink_->lines.clear();

  // A command's Navigate2 sends nothing before it returns; the loop loads the page.
  Variant address(second), empty;
  ASSERT_EQ(window_.Browser()->Navigate2(&address, &empty, &empty, &empty, &empty), S_OK);
  EXPECT_TRUE(sink_->lines.empty());
  EXPECT_EQ(Location(), first);
  EXPECT_GT(PumpMessages(), 0);
  EXPECT_EQ(sink_->lines, PlainLoad(second, L"Second", L"true"));
  EXPECT_EQ(PumpMessages(), 0);  // nothing is left to do

  // A handler that opens a page from inside the events of the page it opened last (as a
  // command run from DocumentComplete would) never runs inside its own page's events: each
  // page's events end before the next page's begin, one page per turn of the loop.
  sink_->lines.clear();
  int depth = 0;
  int pages = 0;
  sink_->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId != DISPID_DOCUMENTCOMPLETE || pages == 2) return;
    ++depth;
    EXPECT_EQ(depth, 1);
    Variant next(++pages == 1 ? third : first), none;
    size_t before = sink_->lines.size();
    EXPECT_EQ(window_.Browser()->Navigate2(&next, &none, &none, &none, &none), S_OK);
    EXPECT_EQ(sink_->lines.size(), before);
    --depth;
  };
  ASSERT_EQ(window_.Browser()->Navigate2(&address, &empty, &empty, &empty, &empty), S_OK);
  PumpMessages();
  Lines expected = PlainLoad(second, L"Second", L"true");
  for (const Lines& page : {PlainLoad(third, L"Third", L"true"), PlainLoad(first, L"First", L"true")})
    expected.insert(expected.end(), page.begin(), page.end());
  EXPECT_EQ(sink_->lines, expected);

  // GoBack through the browser's interface waits for the loop too; a window that quits drops
  // what still waits.
  sink_->onEvent = nullptr;
  sink_->lines.clear();
  ASSERT_EQ(window_.Browser()->GoBack(), S_OK);
  EXPECT_TRUE(sink_->lines.empty());
  PumpMessages();
  EXPECT_EQ(Location(), third);
  ASSERT_EQ(window_.Browser()->Navigate2(&address, &empty, &empty, &empty, &empty), S_OK);
  window_.Quit();
  PumpMessages();
  EXPECT_EQ(sink_->lines.back(), L"OnQuit");
  EXPECT_EQ(Location(), third);
}

TEST_F(NavigationTest, UserActionsFillTheDocumentAsTheToolbarReadsIt) {
  std::wstring url = Page("form.html",
                          "<form name=login action='done.html'><input name=user><input type=password name=pass>"
                          "<input type=checkbox name=keep value=yes><input type=radio name=plan value=a checked>"
                          "<input type=radio name=plan value=b><select name=lang><option>en<option value=de>German"
                          "</select><textarea name=note>x</textarea></form>");
  window_.Navigate(url);
  EXPECT_EQ(window_.TypeText(L"user", L"bob"), ActionResult::Done);
  EXPECT_EQ(window_.TypeText(L"pass", L"s\u00e9cret"), ActionResult::Done);
  EXPECT_EQ(window_.SetChecked(L"keep", L"", CheckState::Ticked), ActionResult::Done);
  EXPECT_EQ(window_.SetChecked(L"plan", L"b", CheckState::Ticked), ActionResult::Done);
  EXPECT_EQ(window_.PickOption(L"lang", L"German"), ActionResult::Done);
  EXPECT_EQ(window_.TypeText(L"note", L"two\nlines"), ActionResult::Done);
  EXPECT_EQ(window_.TypeText(L"nothing", L"x"), ActionResult::NotFound);
  EXPECT_EQ(window_.PickOption(L"lang", L"fr"), ActionResult::NotFound);

  Lines page = DescribePage(window_.Top());
  Lines fields(page.begin() + 2, page.end());
  // The password shows as one star a character; the page still holds and sends it as typed.
  EXPECT_EQ(fields, (Lines{L"field: user = bob", L"field: pass = ******", L"field: keep = yes",
                           L"field: plan = a", L"field: plan = b", L"field: lang = de",
                           L"field: note = two\\nlines"}));

  // The submission: what the page sends by GET, typed values and ticked boxes only.
  sink_->lines.clear();
  EXPECT_EQ(window_.SubmitFormNumber(1), ActionResult::Done);
  std::wstring done = ResolveUrl(url, L"done.html");
  EXPECT_EQ(sink_->lines.front(),
            L"BeforeNavigate2 " + done + L"?user=bob&pass=s%C3%A9cret&keep=yes&plan=b&lang=de&note=two%0D%0Alines");
}

TEST_F(NavigationTest, MalformedHugeAndFormHeavyPagesLoad) {
  std::string broken = "<table><tr><td><form><b><i></b></i><p><table><<<>>>&&&;;<script>x";
  for (int i = 0; i < 2000; ++i) broken += "</a><div><select><option>\xff\xfe\xc3<input name=x";
  std::string forms = "<title>Forms</title>";
  for (int i = 0; i < 20000; ++i) forms += "<form action=/a><input name=u value=v><input type=password name=p></form>";
  std::string big = "<title>Big</title>";
  while (big.size() < 10u << 20) big += "<p>Some text with a <a href='/x'>link</a> and <b>bold</b> words.</p>\n";
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<div><span>x<form><input name=i>";

  window_.Navigate(Page("broken.html", broken));
  window_.Navigate(Page("forms.html", forms));
  CComPtr<IHTMLElementCollection> collection;
  ASSERT_EQ(Document(window_.Browser())->get_forms(&collection), S_OK);
  LONG count = 0;
  collection->get_length(&count);
  EXPECT_EQ(count, 20000);
  window_.Navigate(Page("big.html", big));
  window_.Navigate(Page("deep.html", deep));
  Lines deepPage = DescribePage(window_.Top());
  EXPECT_EQ(deepPage.size(), 2u + 5000u);  // title, text and every field
  window_.Navigate(Page("binary.html", std::string("\0\x01\x02\xff\xfe garbage", 12)));

  Lines titles;
  for (const auto& line : sink_->lines)
    if (line.starts_with(L"TitleChange ")) titles.push_back(line.substr(12));
  ASSERT_EQ(titles.size(), 5u);
  EXPECT_EQ(titles[1], L"Forms");
  EXPECT_EQ(titles[2], L"Big");
}

}  // namespace
