// The engine's bound on nesting, judged by the trees the real parser builds: a page within the bound reaches the
// parser unchanged, a deeper one comes out bounded with its text, one that outgrows the parse is shown as its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/engine/ArenaParse.h"
#include "host/engine/BrowserWindow.h"
#include "host/engine/MappedArena.h"
#include "host/engine/NestingBound.h"
#include "host/engine/PageDocument.h"
#include "host/engine/PageText.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Repeat(const std::string& part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

// The parser's tree of `html`, written out node by node with its depth; and the tree's depth.
struct Tree {
  std::string dump;
  size_t depth = 0;
};

Tree Parse(std::string_view html) {
  MappedArena arena;
  GumboOutput* output = ParseInArena(html, arena);
  Tree tree;
  if (!output) return tree;
  std::vector<std::pair<const GumboNode*, size_t>> pending{{output->document, 0}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    tree.depth = std::max(tree.depth, depth);
    tree.dump += std::to_string(depth) + ' ';
    const GumboVector* children = nullptr;
    if (node->type == GUMBO_NODE_DOCUMENT) {
      children = &node->v.document.children;
    } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
      const GumboElement& element = node->v.element;
      const GumboStringPiece& original = element.original_tag;
      tree.dump += element.tag == GUMBO_TAG_UNKNOWN ? std::string(original.data, original.length)
                                                    : gumbo_normalized_tagname(element.tag);
      for (unsigned i = 0; i < element.attributes.length; ++i) {
        auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        tree.dump += std::string(" ") + attribute->name + "=" + attribute->value;
      }
      children = &element.children;
    } else if (node->type != GUMBO_NODE_COMMENT) {
      tree.dump += node->v.text.text;
    }
    tree.dump += '\n';
    if (children)
      for (unsigned i = children->length; i-- > 0;)
        pending.emplace_back(static_cast<const GumboNode*>(children->data[i]), depth + 1);
  }
  return tree;
}

std::string Bounded(const std::string& html) {
  std::string bounded;
  return std::string(BoundNesting(html, bounded));
}

enum class Shown { InFull, AsText };

// `html` loaded as the browser loads a page, expected shown in full or as its text alone.
CComPtr<PageDocument> Load(const std::string& html, Shown shown) {
  CComPtr<PageDocument> document = PageDocument::Parse(html, L"http://x/");
  EXPECT_TRUE(document) << html.substr(0, 300);
  if (document) {
    EXPECT_EQ(document->TextOnly(), shown == Shown::AsText) << html.substr(0, 300);
  }
  return document;
}

// Random tag soup: trees of elements that matter to the parser's state (formatting elements,
// tables, forms, lists, raw text, foreign content), with end tags left out and stray pieces
// dropped in now and then, from tidy to badly broken.
class TagSoup {
 public:
  explicit TagSoup(unsigned seed) : rng_(seed) {}

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
        "center", "u", "nobr", "form name=f", "ul", "ol", "li", "h1", "h3", "pre", "label", "button", "object",
        "marquee", "dl", "dd", "dt", "table", "td", "tr", "caption", "select name=s", "option", "svg", "template",
        "b id=2", "i class=z", "math", "ruby", "rt", "my-widget", "dialog", "main"};
    static const std::vector<std::string> leaves = {
        "text ", "more words ", " ", "\n", "&amp;", "<br>", "<hr>", "<img src=a>", "<input name=i value=v>",
        "<!-- c -->", "<script>var a = '<p>';</script>", "<style>p{}</style>", "<textarea>t<b></textarea>",
        "<iframe src=f></iframe>", "<col>", "<frame src=x>", "<path d='a>b'/>", "<![CDATA[x]]>", "<? pi >",
        "<title>x<div></title>", "< notatag", "</ >", "<DIV CLASS=\"a\">", "<g>", "<foreignObject>"};
    static const std::vector<std::string> strays = {"</p>", "</b>", "</div>", "</td>", "</tr>", "</table>", "</form>",
                                                    "</a>", "<tbody>", "<body x=1>", "<html y=2>", "</li>", "</svg>",
                                                    "</i>", "</span>", "</h2>", "<td>", "<li>", "<p>", "<a href=y>",
                                                    "</body>", "</ul>", "</select>", "</font>", "<option>"};
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

// A page the parser nests within the bound comes out exactly as it does without the bound: the
// same tree, and the same lines `pendrel browse` prints.
void ExpectUnchanged(const std::string& page) {
  // Random soup now and then holds a CDATA section the packaged parser would abort on (see
  // PagesThatWouldAbortThePackagedParserLoad): only its comment form is parsed.
  std::string commented = Bounded(page);
  for (auto [from, to] : {std::pair("<!--[CDATA[", "<![CDATA["), std::pair("]]-->", "]]>")})
    for (size_t at = 0; (at = commented.find(from, at)) != std::string::npos; at += std::strlen(to))
      commented.replace(at, std::strlen(from), to);
  if (commented == page && Bounded(page) != page) return;
  Tree plain = Parse(page);
  ASSERT_LT(plain.depth, kMaxDepth) << page.substr(0, 300);
  std::string bounded = Parse(Bounded(page)).dump;
  if (bounded != plain.dump) {
    auto [mismatch, _] = std::mismatch(bounded.begin(), bounded.end(), plain.dump.begin(), plain.dump.end());
    size_t line = static_cast<size_t>(std::count(bounded.begin(), mismatch, '\n'));
    ADD_FAILURE() << "the trees differ from node " << line << " of " << page.size() << " bytes:\n" << page;
  }
  Load(page, Shown::InFull);
}

TEST(NestingBoundTest, PagesTheParserNestsWithinTheBoundComeOutUnchanged) {
  const std::string filler = Repeat("<p>filler <b>text</b> here</p>\n", 100);
  // Pages the engine's other tests load, then sloppy pages a person meets: unclosed paragraphs, items,
  // cells, rows and options; formatting left open across paragraphs and reopened in each, or closed in
  // the wrong order.
  const std::vector<std::string> pages = {
      "", "<title>T</title>" + Repeat("<p>Some <a href='/x'>link</a> and <b>bold</b>.</p>\n", 2000),
      "<html><head><title>A\\B</title></head><body><h1>Head</h1><p>one\ttwo</p><a href='other.html?a=1'>Other "
      "<b>page</b></a><pre>x\ty</pre><form><input name=user value='a\\b'><select name=s><option>x<option "
      "selected>y</select><textarea name=t>l1\nl2</textarea></form></body></html>",
      "<table><tr><td><form><b><i></b></i><p><table><<<>>>&&&;;<script>x" +
          Repeat("</a><div><select><option>\xff\xfe\xc3<input name=x", 100),
      "<title> A \t page </title><My-Widget Data-X=1>in<b>side</b></My-Widget><!-- note --><p>caf\xc3\xa9</p>",
      "<form id=f><input type=radio name=r value=a checked><select name=s><option>one<option selected>two"
      "<optgroup><option value=3>three</optgroup></select></form><table><form name=t><tr><td><input name=u>",
      Repeat("<p>para", 3000), "<ul>" + Repeat("<li>item <a href=x>link", 3000) + "</ul>",
      "<ul>" + Repeat("<li><p>item", 3000) + "</ul>", "<table>" + Repeat("<tr><td>a<td>b", 2000) + "</table>",
      Repeat("<table><tr><td>cell</table>", 1000), Repeat("<table><tr><td>a</tr><tr><th>b</td></tr></table>", 1000),
      "<select>" + Repeat("<option>x", 3000) + "</select>", "<dl>" + Repeat("<dt>t<dd>d", 2000) + "</dl>",
      "<p><b>bold" + Repeat("</p>\n<p>more", 3000), Repeat("<p><font face=arial size=2><b><i>text</p>", 2000),
      Repeat("<font face=arial><p>text</font></p>", 2000), Repeat("<b><p>text</b></p>", 2000),
      Repeat("<h1>a<h2>b<h3>c", 1000), Repeat("<h2>a</h3>", 1000), Repeat("<a href=1>one<a href=2>two", 2000),
      Repeat("<div><form name=a>" + filler + "</div>", 20), Repeat("<span><form><input></form></span>", 1000),
      "<script>" + Repeat("<div>", 3000) + "</script>", "<textarea>" + Repeat("<b>", 3000) + "</textarea>",
      "<!--" + Repeat("<div>", 3000) + "-->", "<p title='" + Repeat("<div>", 3000) + "'>x",
      "<svg>" + Repeat("<g><rect/></g>", 3000) + "</svg>", Repeat("<nobr>x", 2000), Repeat("<b><div></b>", 100),
      Repeat("<div>", 400) + "deep" + Repeat("</div>", 400), "<div " + Repeat("a=1 ", 128) + ">x</div>"};
  for (const std::string& page : pages) ExpectUnchanged(page);

  TagSoup soup(EnvironmentNumber("NESTING_SEED", 20261209));
  const int kPages = static_cast<int>(EnvironmentNumber("NESTING_PAGES", 300));
  for (int i = 0; i < kPages && !testing::Test::HasFailure(); ++i)
    ExpectUnchanged(soup.Make(i % 2 == 0, 30, 2000 + static_cast<size_t>(i % 7) * 3000));
}

TEST(NestingBoundTest, DeepAndHostilePagesComeOutBoundedOrAsTheirText) {
  std::string distinct;
  for (int i = 0; i < 100; ++i) distinct += "<b id=" + std::to_string(i) + ">";
  std::string attributes = "<div";
  for (int i = 0; i < 100000; ++i) attributes += " a" + std::to_string(i);
  const std::vector<std::string> pages = {
      Repeat("<div>", 40000) + "x" + Repeat("</div>", 40000), Repeat("<b>", 200000) + "x",
      Repeat("<b class=a>", 100000) + distinct + "x", Repeat("<table><tr><td>", 20000) + "x",
      Repeat("<table><tr><td><ul><li><dl><dd><ol><li>", 10000) + "x", "<svg>" + Repeat("<g>", 50000) + "x",
      Repeat("<span><button>", 30000) + "x", Repeat("<b><div></b>", 50000) + "x",
      Repeat("<span><div></span>", 50000) + "x", Repeat("<form><div></form>", 50000) + "x",
      "<a>" + distinct + Repeat("<a>x", 20000), attributes + ">x</div>"};
  for (const std::string& page : pages) {
    Tree tree = Parse(Bounded(page));
    // The bound, with the document, <html>, <body> and the bodies tables imply.
    EXPECT_LE(tree.depth, kMaxDepth * 4 / 3 + 8) << page.substr(0, 60);
    EXPECT_LE(tree.dump.size(), page.size() * 4) << page.substr(0, 60);
    EXPECT_NE(tree.dump.find("x\n"), std::string::npos) << page.substr(0, 60);
  }

  // Divs 1 to 600 nested: past the bound a div and its end tag are left out, so the text after
  // the first end tag stays in the deepest div kept and the rest of the tree keeps its shape.
  std::string html;
  for (int i = 1; i <= 600; ++i) html += "<div id=d" + std::to_string(i) + ">";
  html += "inside</div>after" + Repeat("</div>", 599) + "<p id=last>end";
  CComPtr<PageDocument> document = Load(html, Shown::InFull);
  ASSERT_TRUE(document);
  PageNode after, last;
  for (PageNode element : document->Elements()) {
    for (PageNode child : element.ChildNodes())
      if (child.IsText() && child.Text().ends_with("after")) after = element;
    if (element.AttributeOr("id") == L"last") last = element;
  }
  ASSERT_TRUE(after);
  EXPECT_EQ(after.AttributeOr("id"), L"d" + std::to_wstring(kMaxDepth));
  ASSERT_TRUE(last);
  EXPECT_EQ(last.Parent().Tag(), "body");
  EXPECT_EQ(PageDocument::VisibleText(document->Root()), L"insideafter\nend");

  // A hundred formatting elements left open, reopened by the parser in each of many paragraphs:
  // copies without end. The page is shown as its text, without scripts, comments or tags.
  html = "<title>Heavy &amp; slow</title><script>var x = '<p>no';</script><!-- <p>hidden --><p>" + distinct +
         "first</p>" + Repeat("<p>x</p>", 100000) + "<div>last &lt;words&gt;</div>";
  document = Load(html, Shown::AsText);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->Title(), L"Heavy & slow");
  std::wstring text = PageDocument::VisibleText(document->Root());
  EXPECT_TRUE(text.starts_with(L"first\nx\nx\n")) << text.substr(0, 100);
  EXPECT_TRUE(text.ends_with(L"x\nlast <words>"));
  EXPECT_EQ(text.find(L"no"), std::wstring::npos);
  EXPECT_EQ(text.find(L"hidden"), std::wstring::npos);
  for (PageNode element : document->Elements()) {
    int depth = 0;
    for (PageNode p = element; p; p = p.Parent()) ++depth;
    ASSERT_LE(depth, 4) << element.Tag();  // under <body>, <html> and the document
  }

  // The browser says so in its status line, where an ordinary page says "Done".
  TempDir temp;
  WriteFile(temp.path() / "heavy.html", html);
  WriteFile(temp.path() / "light.html", "<p>light");
  BrowserWindow window;
  std::wstring status;
  window.Navigate(FileUrlFromPath(FromUtf8((temp.path() / "heavy.html").string())));
  window.Browser()->get_StatusText(&status);
  EXPECT_EQ(status, L"This page is too complex to show in full; showing its text only.");
  std::vector<std::wstring> lines = DescribePage(window.Top());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"title: Heavy & slow");
  window.Navigate(FileUrlFromPath(FromUtf8((temp.path() / "light.html").string())));
  window.Browser()->get_StatusText(&status);
  EXPECT_EQ(status, L"Done");
}

TEST(NestingBoundTest, PagesThatWouldAbortThePackagedParserLoad) {
  // A CDATA section at an integration point of svg or math (foreignObject, desc, title, mi,
  // annotation-xml), or in HTML inside one, while the parser is in a table's rows, with text
  // after it, can fail an assertion of the packaged parser, which ends the whole program.
  const std::vector<std::string> pages = {
      "<table><svg><foreignObject><![CDATA[x]]>>", "<table><tbody><svg><desc><![CDATA[x]]>y",
      "<table><tr><svg><title><![CDATA[ ]]>y", "<table><colgroup><math><mi><![CDATA[x]]>y",
      "<table><math><annotation-xml encoding=text/html><![CDATA[x]]>y",
      "<table><svg><foreignObject><![CDATA[x>y]]>z</table>after", "<table><svg><foreignObject><![CDATA[x",
      "<table><svg><foreignObject><![CDATA[x]]></g>y", "<table><svg><foreignObject><![CDATA[x]]><![CDATA[y]]>z",
      "<table><td><caption></caption><svg><foreignObject><![CDATA[x]]><", "<table><svg><desc><iq></f><![CDATA[x]]><",
      "<table><svg><desc><![CDATA[b]]><!DOCTYPE>\xb5", "<table><svg><desc><form><input><![CDATA[>]]><"};
  for (const std::string& page : pages) {
    EXPECT_NE(Parse(Bounded(page)).dump.find("table"), std::string::npos) << page;
    Load(page, Shown::InFull);
  }
  // Where the parser reads HTML after all, the comment it is given is the one it made.
  const std::string html = "<table><svg><foreignObject><div><![CDATA[x]]>y";
  EXPECT_NE(Bounded(html), html);
  EXPECT_EQ(Parse(Bounded(html)).dump, Parse(html).dump);
  std::string kept = Parse(Bounded("<table><svg><foreignObject><![CDATA[x>y]]>z</table>after")).dump;
  EXPECT_NE(kept.find("z\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("after\n"), std::string::npos) << kept;

  // The same sections where the parser takes them safely reach it unchanged: directly in svg,
  // in HTML inside foreignObject, outside tables, before a tag or at the end.
  for (const char* page : {"<table><svg><![CDATA[x>]]>y", "<svg><foreignObject><div><![CDATA[x>]]>y",
                           "<svg><foreignObject><![CDATA[x>]]>y", "<p><![CDATA[x>]]>y",
                           "<table><svg><foreignObject><![CDATA[x]]><b>y",
                           "<table><svg><foreignObject><![CDATA[x]]><!--c-->y",
                           "<table><svg><foreignObject><![CDATA[x]]></g>"})
    EXPECT_EQ(Bounded(page), page);

  // Where the parser's state is one the pass cannot know without a model of the parser, the
  // parser still aborts: that parse is given up, the page is shown as its text, and the program
  // goes on, page after page.
  for (int round = 0; round < 2; ++round)
    for (const char* page : {"<table><svg><select><title><template></template><td>x",
                             "<table><tr><svg><td><foreignObject><template></template></tr>x",
                             "<math><table><![CDATA[><svg><desc><!><![CDATA[c]]>\xb5"})
      Load(page, Shown::AsText);
  Load("<p>fine</p>", Shown::InFull);
}

}  // namespace
