// The engine's bound on nesting: a page within it reaches the parser byte for byte, so its tree
// is the parser's own; a deeper or more hostile page is cut down to a tree of bounded depth and
// size, keeping its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "host/engine/ArenaParse.h"
#include "host/engine/MappedArena.h"
#include "host/engine/NestingLimit.h"
#include "host/engine/PageDocument.h"
#include "platform/text/WideText.h"

namespace {

std::string Repeat(const std::string& part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

bool ReachesTheParserUnchanged(std::string_view html, const NestingLimits& limits = {}) {
  std::string bounded;
  return LimitNesting(html, bounded, limits).data() == html.data();
}

struct Shape {
  size_t depth = 0;
  size_t nodes = 0;
};

Shape ShapeOf(const PageDocument& document) {
  Shape shape;
  std::vector<std::pair<PageNode, size_t>> pending{{document.Root(), 0}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    ++shape.nodes;
    shape.depth = std::max(shape.depth, depth);
    for (PageNode child : node.ChildNodes()) pending.emplace_back(child, depth + 1);
  }
  return shape;
}

// Random pages: trees of elements that matter to the parser's state (formatting elements,
// tables, forms, lists, raw text, foreign content), with end tags left out and stray pieces
// dropped in now and then, from tidy to badly broken.
class RandomPage {
 public:
  explicit RandomPage(unsigned seed) : rng_(seed) {}

  std::string Make(bool tidy, int maxDepth, size_t length) {
    tidy_ = tidy;
    maxDepth_ = maxDepth;
    page_.clear();
    if (Chance(3)) page_ += "<!DOCTYPE html>";
    if (Chance(3)) page_ += "<html><head><title>t</title></head><body>";
    length_ = length;
    while (page_.size() < length) Element(0);
    return page_;
  }

 private:
  bool Chance(unsigned oneIn) { return rng_() % oneIn == 0; }
  bool Untidy(unsigned oneIn) { return !tidy_ && Chance(oneIn); }

  void Element(int depth) {
    static const std::vector<std::string> containers = {
        "div", "p", "span", "b", "i", "a href=x", "font color=red", "em", "strong", "section", "blockquote",
        "center", "u", "nobr", "form name=f", "ul", "ol", "li", "h1", "pre", "label", "button", "object",
        "marquee", "dl", "dd", "table", "td", "tr", "caption", "select name=s", "option", "svg", "template",
        "b id=2", "i class=z", "math", "ruby", "rt"};
    static const std::vector<std::string> leaves = {
        "text ", "more words ", " ", "\n", "&amp;", "<br>", "<hr>", "<img src=a>", "<input name=i value=v>",
        "<!-- c -->", "<script>var a = '<p>';</script>", "<style>p{}</style>", "<textarea>t<b></textarea>",
        "<iframe src=f></iframe>", "<col>", "<frame src=x>", "<path d='a>b'/>", "<![CDATA[x]]>", "<? pi >",
        "<title>x<div></title>", "< notatag", "</ >", "<DIV CLASS=\"a\">"};
    static const std::vector<std::string> strays = {"</p>", "</b>", "</div>", "</td>", "</tr>", "</table>", "</form>",
                                                    "</a>", "<tbody>", "<body x=1>", "<html y=2>", "</li>", "</svg>",
                                                    "</i>", "</span>", "</h2>", "<td>", "<li>", "<p>", "<a href=y>"};
    if (Untidy(30)) page_ += strays[rng_() % strays.size()];
    if (depth > maxDepth_ || page_.size() > length_ || Chance(3)) {
      page_ += leaves[rng_() % leaves.size()];
      return;
    }
    const std::string& open = containers[rng_() % containers.size()];
    std::string name = open.substr(0, open.find(' '));
    if (name == "table") {
      page_ += "<table>";
      for (unsigned row = rng_() % 4; row-- > 0;) {
        page_ += "<tr>";
        for (unsigned cell = 1 + rng_() % 3; cell-- > 0;) {
          page_ += "<td>";
          for (unsigned i = rng_() % 4; i-- > 0;) Element(depth + 1);
          if (!Untidy(4)) page_ += "</td>";
        }
        if (!Untidy(4)) page_ += "</tr>";
      }
      if (!Untidy(8)) page_ += "</table>";
      return;
    }
    page_ += "<" + open + ">";
    for (unsigned i = rng_() % 5; i-- > 0;) Element(depth + 1);
    if (!Untidy(6)) page_ += "</" + name + ">";
  }

  std::mt19937 rng_;
  std::string page_;
  bool tidy_ = true;
  int maxDepth_ = 8;
  size_t length_ = 0;
};

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
  const char* text = std::getenv(name);
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

TEST(NestingLimitTest, PagesWithinTheBoundReachTheParserByteForByte) {
  const std::string filler = Repeat("<p>filler <b>text</b> here</p>\n", 100);
  const std::vector<std::string> pages = {
      "",
      "<title>T</title>" + Repeat("<p>Some <a href='/x'>link</a> and <b>bold</b>.</p>\n", 2000),
      // Sloppy pages a person meets: unclosed paragraphs, items, cells and options; a
      // formatting element left open across paragraphs and reopened in each.
      Repeat("<p>para", 3000),
      "<ul>" + Repeat("<li>item <a href=x>link", 3000) + "</ul>",
      "<table>" + Repeat("<tr><td>a<td>b", 2000) + "</table>",
      "<select>" + Repeat("<option>x", 3000) + "</select>",
      "<dl>" + Repeat("<dt>t<dd>d", 2000) + "</dl>",
      "<p><b>bold" + Repeat("</p>\n<p>more", 3000),
      Repeat("<p><font face=arial size=2><b><i>text</p>", 2000),
      Repeat("<h1>a<h2>b<h3>c", 1000),
      Repeat("<a href=1>one<a href=2>two", 2000),
      Repeat("<div><form name=a>" + filler + "</div>", 20),
      "<script>" + Repeat("<div>", 3000) + "</script>",
      "<textarea>" + Repeat("<b>", 3000) + "</textarea>",
      "<!--" + Repeat("<div>", 3000) + "-->",
      "<p title='" + Repeat("<div>", 3000) + "'>x",
      "<svg>" + Repeat("<g><rect/></g>", 3000) + "</svg>",
      Repeat("<nobr>x", 2000),
      Repeat("<b><div></b>", 100),
      "<div " + Repeat("a=1 ", 128) + ">x</div>",
  };
  for (const std::string& page : pages) EXPECT_TRUE(ReachesTheParserUnchanged(page)) << page.substr(0, 200);

  // Random pages nested up to 30 deep, tidy and broken.
  RandomPage random(EnvironmentNumber("NESTING_SEED", 20261208));
  const int kPages = static_cast<int>(EnvironmentNumber("NESTING_PAGES", 300));
  for (int i = 0; i < kPages; ++i) {
    std::string page = random.Make(i % 2 == 0, 30, 2000 + static_cast<size_t>(i % 7) * 3000);
    EXPECT_TRUE(ReachesTheParserUnchanged(page)) << page;
    if (testing::Test::HasFailure()) break;
  }
}

TEST(NestingLimitTest, HostilePagesGiveBoundedTreesThatKeepTheirText) {
  struct Hostile {
    const char* what;
    std::string html;
  };
  std::string distinct;
  for (int i = 0; i < 100; ++i) distinct += "<b id=" + std::to_string(i) + ">";
  std::string attributes = "<div";
  for (int i = 0; i < 100000; ++i) attributes += " a" + std::to_string(i);
  const std::vector<Hostile> pages = {
      {"nested divs", Repeat("<div>", 40000) + "x" + Repeat("</div>", 40000)},
      {"unclosed bold", Repeat("<b>", 200000) + "x"},
      {"distinct unclosed bold", Repeat("<b class=a>", 100000) + distinct + "x"},
      {"nested tables", Repeat("<table><tr><td>", 20000) + "x"},
      {"nested lists", Repeat("<ul><li>", 40000) + "x"},
      {"blocks inside formatting", Repeat("<b><div></b>", 50000) + "x"},
      {"reopened formatting", "<p>" + distinct + "</p>" + Repeat("<p>x</p>", 100000)},
      {"reopened by links", "<a>" + distinct + Repeat("<a>x", 100000)},
      {"reopened by list items", "<li>" + distinct + Repeat("<li>x", 100000)},
      {"nested svg", "<svg>" + Repeat("<g>", 40000) + "x"},
      {"nested spans and buttons", Repeat("<span><button>", 30000) + "x"},
      {"many attributes", attributes + ">x</div>"},
  };
  for (const Hostile& page : pages) {
    CComPtr<PageDocument> document = PageDocument::Parse(page.html, L"http://x/");
    ASSERT_TRUE(document) << page.what;
    Shape shape = ShapeOf(*document);
    // The bound, with the document, <html>, <body> and the rows and bodies tables imply.
    EXPECT_LE(shape.depth, 512u * 2 + 8) << page.what;
    EXPECT_LE(shape.nodes, page.html.size()) << page.what;
    std::wstring text = PageDocument::VisibleText(document->Root());
    EXPECT_NE(text.find(L'x'), std::wstring::npos) << page.what;
  }
}

TEST(NestingLimitTest, ElementsPastTheBoundHangOnTheElementAtIt) {
  // Divs 1 to 600 nested: past the bound a div and its end tag are left out, so the text after
  // the first end tag stays in the deepest div kept and the rest of the tree keeps its shape.
  std::string html;
  for (int i = 1; i <= 600; ++i) html += "<div id=d" + std::to_string(i) + ">";
  html += "inside</div>after" + Repeat("</div>", 599) + "<p id=last>end";
  CComPtr<PageDocument> document = PageDocument::Parse(html, L"http://x/");
  ASSERT_TRUE(document);
  PageNode after;
  PageNode last;
  for (PageNode element : document->Elements()) {
    for (PageNode child : element.ChildNodes())
      if (child.IsText() && child.Text().ends_with("after")) after = element;
    if (element.AttributeOr("id") == L"last") last = element;
  }
  ASSERT_TRUE(after);
  EXPECT_EQ(after.AttributeOr("id"), L"d512");
  ASSERT_TRUE(last);
  EXPECT_EQ(last.Parent().Tag(), "body");
  EXPECT_EQ(PageDocument::VisibleText(document->Root()), L"insideafter\nend");
}

TEST(NestingLimitTest, RandomDeepPagesStayWithinASmallBound) {
  // With a bound of 16 the model's view of the parser's stack is put to work on every page;
  // the tree the parser then builds must stay within a small multiple of the bound (the rows
  // and bodies a table implies, copies of formatting elements), whatever the page.
  NestingLimits limits;
  limits.maxDepth = 16;
  limits.maxWaiting = 4;
  RandomPage random(EnvironmentNumber("NESTING_SEED", 20261208) + 1);
  const int kPages = static_cast<int>(EnvironmentNumber("NESTING_PAGES", 300));
  size_t changed = 0;
  size_t deepest = 0;
  for (int i = 0; i < kPages; ++i) {
    std::string page = random.Make(i % 2 == 0, 60, 4000 + static_cast<size_t>(i % 5) * 4000);
    std::string bounded;
    std::string_view result = LimitNesting(page, bounded, limits);
    if (result.data() != page.data()) ++changed;
    CComPtr<PageDocument> document = PageDocument::Parse(result, L"http://x/");
    ASSERT_TRUE(document);
    Shape shape = ShapeOf(*document);
    deepest = std::max(deepest, shape.depth);
    EXPECT_LE(shape.depth, 16u * 4 + 8) << page;
    if (testing::Test::HasFailure()) break;
  }
  EXPECT_GT(changed, static_cast<size_t>(kPages) / 4);
  RecordProperty("deepest", static_cast<int>(deepest));
}

TEST(NestingLimitTest, AParseThatOutgrowsItsMemoryFailsCleanly) {
  std::string html = Repeat("<p>Some <b>text</b></p>", 20000);
  MappedArena small;
  small.Limit(size_t{256} << 10);
  EXPECT_EQ(ParseInArena(html, small), nullptr);
  // The same arena type with room gives the tree; a helper thread that cannot start leaves the
  // arena working without it.
  MappedArena::failHelperStartForTesting = true;
  MappedArena roomy;
  roomy.Expect(MappedArena::kHelperThreshold * 2);
  EXPECT_FALSE(MappedArena::failHelperStartForTesting);
  GumboOutput* output = ParseInArena(html, roomy);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->root->v.element.children.length, 2u);
}

}  // namespace
