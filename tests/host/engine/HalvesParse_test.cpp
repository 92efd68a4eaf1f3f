// A page parsed as two halves must give the very tree the whole page gives: same elements in
// the same order, same attributes, same texts, same forms and controls. Pages whose state at the
// cut the halves cannot stand for must be parsed whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "host/engine/PageDocument.h"
#include "platform/text/WideText.h"

namespace {

using Halving = PageDocument::Halving;

// The document as text: every node with its depth, kind, tag, attributes and text, then the
// forms with their controls. Two documents are the same page when their texts are equal.
std::wstring Describe(const PageDocument& document) {
  std::wstring out;
  std::vector<std::pair<const PageNode*, int>> pending{{&document.Root(), 0}};
  std::vector<const PageNode*> elementsInOrder;
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    out += std::wstring(static_cast<size_t>(depth), L' ');
    if (node->kind == NodeKind::Text) {
      out += L"\"" + std::wstring(node->text) + L"\"\n";
      continue;
    }
    if (node != &document.Root()) elementsInOrder.push_back(node);
    out += L"<" + std::wstring(node->tag);
    for (const auto& [name, value] : node->attributes) out += L" " + std::wstring(name) + L"=" + std::wstring(value);
    out += L">\n";
    for (size_t i = node->children.size(); i-- > 0;) {
      EXPECT_EQ(node->children[i]->parent, node);
      pending.emplace_back(node->children[i], depth + 1);
    }
  }
  EXPECT_EQ(std::vector<const PageNode*>(document.Elements().begin(), document.Elements().end()), elementsInOrder);
  for (const PageNode* form : document.Forms()) {
    out += L"form " + form->AttributeOr(L"name") + L":";
    for (const PageNode* control : document.ControlsOf(*form))
      out += L" " + std::wstring(control->tag) + L"=" + PageDocument::ControlValue(*control);
    out += L"\n";
  }
  for (const PageNode* frame : document.Frames()) out += L"frame " + frame->AttributeOr(L"src") + L"\n";
  return out;
}

// Parses `html` whole and as halves; expects the same document and returns whether the halves
// were used.
bool SameEitherWay(const std::string& html) {
  CComPtr<PageDocument> whole = PageDocument::Parse(html, L"http://x/", Halving::Never);
  CComPtr<PageDocument> halves = PageDocument::Parse(html, L"http://x/", Halving::Always);
  EXPECT_FALSE(whole->ParsedInHalves());
  EXPECT_EQ(Describe(*whole), Describe(*halves)) << "page: " << html;
  return halves->ParsedInHalves();
}

std::string Repeat(const std::string& part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

TEST(HalvesParseTest, OrdinaryPagesAreCutAndJoinedExactly) {
  // Paragraphs straight in the body; a page wrapped in containers; a cut inside a table cell;
  // a doctype and attributes on <html> and <body> after the cut.
  std::string paragraphs = "<title>T</title>" + Repeat("<p>Some <a href='/x'>link</a> and <b>bold</b>.</p>\n", 200);
  EXPECT_TRUE(SameEitherWay(paragraphs));
  std::string wrapped = "<!DOCTYPE html><html><body class=page><div id=outer><div class='inner x'>" +
                        Repeat("<ul><li>one<li>two</ul><p>text <em>more</em>\n", 200) +
                        "</div><body lang=en onload=x class=ignored><html data-x=1></div><p>after</body></html>";
  EXPECT_TRUE(SameEitherWay(wrapped));
  std::string table = "<table><tr><td>" + Repeat("<span>cell text</span><br>\n", 300) + "</td><td>b</td></tr></table><p>end";
  EXPECT_TRUE(SameEitherWay(table));
  std::string forms = Repeat("<form name=f action=/a><input name=u value=v><select name=s><option>1<option selected>2</select>"
                             "<textarea name=t>x</textarea></form>\n", 100);
  EXPECT_TRUE(SameEitherWay(forms));
  std::string frames = Repeat("<p>x<iframe src=a.html></iframe>", 100);
  EXPECT_TRUE(SameEitherWay(frames));
}

TEST(HalvesParseTest, StateTheOpenElementsDoNotCarryIsParsedWholeOrJoinedExactly) {
  const std::string half = Repeat("<p>filler text here</p>\n", 100);
  const std::vector<std::string> pages = {
      // A formatting element closed by another tag is reopened for the text after it.
      "<p><b>bold" + half + "</p>" + half + "more text",
      "<p>" + half + "<b><i>x</b>" + half + "y</i>",
      // A form closed by another element's end tag still takes later controls; a later form is
      // ignored.
      "<div><form name=a>" + half + "</div>" + half + "<form name=b><input name=c></form>",
      // The cut inside a comment, a script, a style, an attribute value, a textarea.
      "<!--" + half + "-->" + half,
      "<p>x<!-- " + half + half + " -->",
      "<script>" + half + half + "</script><p>after",
      "<style>" + half + half + "</style><p>after",
      "<p title='" + half + half + "'>x",
      "<textarea>" + half + half + "</textarea>",
      // A body ended before the cut: a comment after it goes elsewhere.
      half + "</body><!--c-->" + half,
      // Open tables: the marker would be moved out; text next to a table is moved before it.
      "<table>" + Repeat("<tr><td>x</td></tr>", 200) + "</table>",
      "<table><tr><td>" + half + "</td></tr>" + half + "</table>",
      // A select, foreign content and a template open at the cut.
      "<select>" + Repeat("<option>x</option>", 300) + "</select>",
      "<svg>" + Repeat("<g><rect/></g>", 300) + "</svg>",
      "<template>" + half + half + "</template>",
      // Quirks: a table does not close an open paragraph; with a doctype it does.
      "<p>" + half + "<table><tr><td>x</table>",
      "<!DOCTYPE html><p>" + half + "<table><tr><td>x</table>",
      // A frameset after a page without text replaces the body.
      Repeat("<div></div>", 200) + "<frameset><frame src=a></frameset>",
      // Text on both sides of the cut is one text; an ignored tag at the cut.
      "<p>" + Repeat("a", 3000) + "<tbody>" + Repeat("b", 3000),
      // Unclosed formatting elements at the cut, reopened in the second half.
      "<b><i><u>" + half + "</p>text" + half,
      "<a href=1>" + half + "<a href=2>" + half,
      "<font color=red><div>" + half + "</font>" + half,
      "<table><tr><td><b>cell" + half + "</td></tr></table>" + half + "after",
      "<nobr><nobr><nobr><nobr>" + half + half,
      // A form's end tag where the form cannot be closed: it stays open but takes no more
      // controls, and a later form is a form of its own.
      "<form name=a><table><tr><td>x</form>y</td></tr></table>" + half + half + "<form name=b><input name=c></form>",
      // A template's end closing a cell with a formatting element in it: the cell's mark stays.
      "<strong><template><table><tr><td><a href=x>t</template>" + half + "<p>x" + half + "</strong><i>after</i>",
      // Text before a tag the parser ignores, then a form's end tag: the text goes where the
      // tree is when it is next changed.
      Repeat("<h1><form name=f><input name=i>&amp;<frame src=x></form><nobr>x</nobr></h1>\n", 60),
  };
  for (const std::string& page : pages) SameEitherWay(page);
}

// Random pages: well-nested trees of elements that matter to the parser's state (formatting
// elements, tables, forms, lists, raw text), with end tags left out and stray pieces dropped in
// now and then, so that the pages range from tidy to badly broken.
class RandomPage {
 public:
  explicit RandomPage(unsigned seed) : rng_(seed) {}

  // A tidy page closes what it opens and has no stray tags (it may still nest elements as
  // the parser does not allow).
  std::string Make(bool tidy) {
    tidy_ = tidy;
    page_.clear();
    if (Chance(3)) page_ += "<!DOCTYPE html>";
    if (Chance(3)) page_ += "<html><head><title>t</title></head><body>";
    size_t length = 3000 + rng_() % 12000;
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
        "marquee", "dl", "dd", "table", "td", "tr", "caption", "select name=s", "option", "svg", "template"};
    static const std::vector<std::string> leaves = {
        "text ", "more words ", " ", "\n", "&amp;", "<br>", "<hr>", "<img src=a>", "<input name=i value=v>",
        "<!-- c -->", "<script>var a = '<p>';</script>", "<style>p{}</style>", "<textarea>t</textarea>",
        "<iframe src=f></iframe>", "<col>", "<frame src=x>"};
    static const std::vector<std::string> strays = {"</p>", "</b>", "</div>", "</td>", "</tr>", "</table>", "</form>",
                                                    "</a>", "<tbody>", "<body x=1>", "<html y=2>", "</li>"};
    if (Untidy(30)) page_ += strays[rng_() % strays.size()];
    if (depth > 8 || Chance(3)) {
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
};

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
  const char* text = std::getenv(name);
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

// A longer search for differences: HALVES_PAGES=20000 HALVES_SEED=7 host_tests --gtest_filter='HalvesParse*'
TEST(HalvesParseTest, RandomPagesGiveTheWholePagesTree) {
  RandomPage random(EnvironmentNumber("HALVES_SEED", 20261208));
  int halved = 0;
  const int kPages = static_cast<int>(EnvironmentNumber("HALVES_PAGES", 400));
  for (int i = 0; i < kPages; ++i) {
    std::string page = random.Make(i % 2 == 0);
    if (SameEitherWay(page)) ++halved;
    if (testing::Test::HasFailure()) break;
  }
  // Enough of them are cut for the joins to be tested, not only the refusals.
  EXPECT_GT(halved, kPages / 40);
}

}  // namespace
