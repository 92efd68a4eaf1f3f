// pendrel-browser as a script drives it, on an X server of the test program's own: the scripts
// every host runs alike (HostScriptCases.h), and what only a window that draws shows: the result
// page of a search rendered, the window with a bookmarked page, typed texts that stay text, and
// the program without a display.
#include <gtest/gtest.h>

#include <set>

#include "host/gtk/GObjectRef.h"
#include "tests/support/HostScriptCases.h"
#include "tests/host/gtk/GtkTestDisplay.h"

namespace {

struct DesktopHost {
  static std::string ScriptCommand(const std::string& file) {
    return std::string(PENDREL_BIN_DIR) + "/pendrel-browser --run '" + file + "'";
  }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Desktop, HostScriptTest, DesktopHost);

// How a picture of the window looks: the colours of its page area and how much of it is not
// background.
struct PictureLook {
  size_t colours = 0;
  double inked = 0;  // share of the page area's pixels that are not white
};

// Reads a PNG written by --screenshot; the page area starts below the navigation bar and the
// toolbar slot.
std::optional<PictureLook> LookAt(const std::filesystem::path& file) {
  GError* error = nullptr;
  auto picture = GObjectRef<GdkPixbuf>::Adopt(gdk_pixbuf_new_from_file(file.c_str(), &error));
  GErrorPtr failure(error);
  if (!picture) return std::nullopt;
  int width = gdk_pixbuf_get_width(picture.get()), height = gdk_pixbuf_get_height(picture.get());
  int channels = gdk_pixbuf_get_n_channels(picture.get()), stride = gdk_pixbuf_get_rowstride(picture.get());
  const guchar* pixels = gdk_pixbuf_read_pixels(picture.get());
  std::set<unsigned> colours;
  size_t inked = 0, counted = 0;
  for (int y = std::min(80, height); y < height - 30; ++y)
    for (int x = 0; x < width; ++x) {
      const guchar* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
      inked += (p[0] < 240 || p[1] < 240 || p[2] < 240) ? 1 : 0;
      ++counted;
    }
  return PictureLook{colours.size(), counted ? static_cast<double>(inked) / static_cast<double>(counted) : 0};
}

class DesktopTest : public PendrelRunFixture {
 protected:
  std::string ScriptCommand(const std::string& file) const override { return DesktopHost::ScriptCommand(file); }
  RunResult RunWithPicture(const std::string& script, const std::filesystem::path& picture) {
    return RunProgram(DesktopHost::ScriptCommand(Script(script).string()) + " --screenshot '" + picture.string() + "'");
  }
  static bool HasContaining(const RunResult& run, const std::string& part) {
    return std::any_of(run.lines.begin(), run.lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }
};

TEST_F(DesktopTest, ASearchShowsItsResultPageRendered) {
  ExecuteSql(DataFolder(), "insert into LinksCategory (Category) values ('Cars')");
  ExecuteSql(DataFolder(), "insert into LinksData values ('http://red.car/', 'Cars', 'red car'), "
                           "('http://blue.car/', 'Cars', 'blue car')");
  std::filesystem::path picture = temp_.path() / "search.png";
  RunResult run = RunWithPicture("navigate " + Url("/s") + "\ntype search\nkey search Backspace\n"
                                 "type search red car\nkey search Enter\nshow\npage\n", picture);
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("location: " + PageFileUrl())) << run.Text();
  // The page file is UTF-16 without a byte-order mark: the page WebKit shows has its links.
  EXPECT_TRUE(HasContaining(run, ": http://red.car/ -> http://red.car/")) << run.Text();
  EXPECT_TRUE(HasContaining(run, ": http://blue.car/ -> http://blue.car/")) << run.Text();
  std::optional<PictureLook> look = LookAt(picture);
  ASSERT_TRUE(look) << "no picture at " << picture;
  // Text drawn with anti-aliasing gives many shades; a blank or one-coloured page gives few.
  EXPECT_GE(look->colours, 16u);
  EXPECT_GT(look->inked, 0.002);
  EXPECT_LT(look->inked, 0.6);
}

TEST_F(DesktopTest, TheWindowShowsABookmarkedPageWithChangeAndDeleteOn) {
  std::string a = Url("/a");
  const std::filesystem::path picture = temp_.path() / "bookmarked.png";
  RunResult run = RunWithPicture("navigate " + a + "\ntype category News\ntype search Page A, a page\nclick Add\n"
                                 "navigate " + a + "\nshow\n", picture);
  ASSERT_TRUE(HasToolbar(run)) << run.Text();
  EXPECT_EQ(run.status, 0) << run.Text();
  EXPECT_TRUE(run.Has("box: PendrelBand | " + a + " is successfully added.")) << run.Text();
  EXPECT_TRUE(run.Has("buttons: Add=on Change=on Delete=on Options=on Show=on")) << run.Text();
  std::optional<PictureLook> look = LookAt(picture);
  ASSERT_TRUE(look);
  EXPECT_GE(look->colours, 8u);
}

TEST_F(DesktopTest, TextTypedIntoThePageStaysTextAndRunsNoScript) {
  const std::string hostile = "\\\");document.title='taken';//</script>'\\\\";
  RunResult run = Run("navigate " + Url("/login") + "\nfill user " + hostile + "\npage\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  // The field holds the text as typed (the script reader took "\\" for one backslash).
  EXPECT_TRUE(run.Has("field: user = \\\\\");document.title='taken';//</script>'\\\\")) << run.Text();
  EXPECT_TRUE(run.Has("title: Sign in")) << run.Text();
  EXPECT_FALSE(run.Has("title: taken")) << run.Text();
}

TEST_F(DesktopTest, AFramedPageLoadsAsOnePageAndItsFramesSendNoNavigationOfTheirOwn) {
  std::filesystem::path page = temp_.path() / "framed.html";
  std::ofstream(page) << "<title>Framed</title><iframe src='" << Url("/b/") << "'></iframe><iframe src='" << Url("/c")
                      << "'></iframe><p>outer</p>";
  RunResult run = Run("navigate " + page.string() + "\nshow\nnavigate " + Url("/a") + "\nshow\n");
  EXPECT_EQ(run.status, 0) << run.Text();
  Lines navigations;
  for (const std::string& line : run.lines)
    if (line.starts_with("navigate: ")) navigations.push_back(line);
  EXPECT_EQ(navigations, (Lines{"navigate: file://" + page.string(), "navigate: " + Url("/a")})) << run.Text();
  EXPECT_TRUE(run.Has("title: Framed")) << run.Text();
  EXPECT_TRUE(run.Has("title: Page A")) << run.Text();
}

TEST_F(DesktopTest, AScriptThatIsAFolderIsAnErrorNotAnAbort) {
  RunResult run = RunProgram(DesktopHost::ScriptCommand(temp_.path().string()));
  EXPECT_EQ(run.status, 1) << run.Text();
  EXPECT_TRUE(run.Has("error: cannot open the script " + temp_.path().string() + ": it is a folder, not a file"))
      << run.Text();
}

TEST_F(DesktopTest, WithoutADisplayTheProgramSaysSoAndFails) {
  RunResult run = RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY " + DesktopHost::ScriptCommand(Script("show\n").string()));
  EXPECT_EQ(run.status, 1) << run.Text();
  EXPECT_TRUE(run.HasStarting("pendrel-browser: cannot open the display")) << run.Text();
}

}  // namespace
