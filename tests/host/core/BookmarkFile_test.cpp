// Reading and writing the bookmark file of other browsers, on files as browsers write them and
// on files nobody should have written.
#include "host/core/BookmarkFile.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "host/core/HtmlEntities.h"
#include "platform/text/WideText.h"
#include "tests/support/TestFifo.h"
#include "tests/support/TestSupport.h"

namespace {

template <typename T>
std::vector<T> Column(const BookmarkFileContents& contents, T BookmarkFileLink::*field) {
  std::vector<T> out;
  for (const auto& link : contents.links) out.push_back(link.*field);
  return out;
}

// As a current browser exports it: the toolbar folder, nested folders, icons as data addresses,
// separators, folder and link descriptions, entities, a long title, feeds and script links.
const std::string kBrowserExport = R"FILE(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<meta http-equiv="Content-Security-Policy"
      content="default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'"></meta>
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>

<DL><p>
    <DT><A HREF="https://www.debian.org/" ADD_DATE="1700000000" LAST_MODIFIED="1700000001" ICON_URI="https://www.debian.org/favicon.ico" ICON="data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAAGElEQVQ4jWNgGAWjYBSMglEwCkbBSAAABAAAAf//AwAAAP//">Debian &#8211; The Universal Operating System</A>
    <DT><A HREF="place:sort=8&amp;maxResults=10" ADD_DATE="1700000000">Recent Tags</A>
    <HR>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000000" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks Toolbar</H3>
    <DD>Add bookmarks to this folder to see them displayed on the Bookmarks Toolbar
    <DL><p>
        <DT><A HREF="https://example.com/search?q=a&amp;lang=en&#38;x=&#x31;" ADD_DATE="1700000000" TAGS="news,daily">Caf&eacute; &amp; Cr&#232;me &lt;Daily&gt; &quot;Quotes&quot; &#x2014; &apos;Spécial&apos;</A>
        <DD>A description of the link, which is not its title
        <DT><A HREF="javascript:void(document.body.style.background='red')" ADD_DATE="1700000000">Bookmarklet</A>
        <DT><H3 ADD_DATE="1700000000">Work</H3>
        <DL><p>
            <DT><H3 ADD_DATE="1700000000">Projects</H3>
            <DL><p>
                <DT><A HREF="https://git.example/p" ADD_DATE="1700000000">Project
                    page</A>
                <HR>
                <DT><A HREF="data:text/html,%3Ch1%3EHi%3C/h1%3E">Inline</A>
            </DL><p>
            <DT><A HREF="https://intranet.example/" ADD_DATE="1700000000" SHORTCUTURL="intra">Intranet</A>
            <DT><H3>Empty folder</H3>
            <DL><p>
            </DL><p>
        </DL><p>
        <DT><A FEEDURL="https://blog.example/feed" HREF="https://blog.example/">LONG_TITLE</A>
    </DL><p>
    <DT><H3 ADD_DATE="1700000000" UNFILED_BOOKMARKS_FOLDER="true">Other Bookmarks</H3>
    <DL><p>
        <DT><A HREF="  https://other.example/  " ADD_DATE="1700000000"></A>
    </DL><p>
</DL>
)FILE";

TEST(BookmarkFileTest, ReadsAFileAsACurrentBrowserExportsIt) {
  std::string longTitle(3000, 'T');
  std::string file = kBrowserExport;
  file.replace(file.find("LONG_TITLE"), 10, longTitle);
  BookmarkFileContents contents = ParseBookmarkFile(file);

  EXPECT_TRUE(contents.hasHeader);
  EXPECT_TRUE(contents.IsBookmarkFile());
  EXPECT_EQ(contents.heading, L"Bookmarks Menu");
  EXPECT_EQ(contents.overlongLinks, 0u);
  // The innermost folder names each link; a link outside every folder has none; a folder's
  // description (<DD>) and a link's description are not titles; a line break in a title is a blank.
  EXPECT_EQ(Column(contents, &BookmarkFileLink::folder),
            (std::vector<std::wstring>{L"", L"", L"Bookmarks Toolbar", L"Bookmarks Toolbar", L"Projects", L"Projects",
                                       L"Work", L"Bookmarks Toolbar", L"Other Bookmarks"}));
  EXPECT_EQ(Column(contents, &BookmarkFileLink::address),
            (std::vector<std::wstring>{L"https://www.debian.org/", L"place:sort=8&maxResults=10",
                                       L"https://example.com/search?q=a&lang=en&x=1",
                                       L"javascript:void(document.body.style.background='red')", L"https://git.example/p",
                                       L"data:text/html,%3Ch1%3EHi%3C/h1%3E", L"https://intranet.example/",
                                       L"https://blog.example/", L"https://other.example/"}));
  std::vector<std::wstring> titles = Column(contents, &BookmarkFileLink::title);
  ASSERT_EQ(titles.size(), 9u);
  EXPECT_EQ(titles[0], L"Debian \u2013 The Universal Operating System");
  EXPECT_EQ(titles[2], L"Caf\u00e9 & Cr\u00e8me <Daily> \"Quotes\" \u2014 'Sp\u00e9cial'");
  EXPECT_EQ(titles[4], L"Project " + std::wstring(20, L' ') + L"page");
  EXPECT_EQ(titles[7], std::wstring(3000, L'T'));
  EXPECT_EQ(titles[8], L"");
}

TEST(BookmarkFileTest, MalformedFilesAreReadAsBrowsersReadThem) {
  // Unclosed links and folder names end where the next item starts; a closing </DL> too many is
  // passed over; a list without a folder name stays in the folder around it.
  BookmarkFileContents unclosed = ParseBookmarkFile(
      "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p>"
      "<DT><H3>Open name<DL><p><DT><A HREF=http://a/>first<DT><A HREF='http://b/'>second</DL></DL></DL>"
      "<DT><A HREF=\"http://c/\">third<DL><DT><A HREF=\"http://d/\">fourth</A></DL>"
      "<DT><A HREF=\"http://e/\">at the end, unclosed, in a file cut short <b>here");
  EXPECT_EQ(Column(unclosed, &BookmarkFileLink::address),
            (std::vector<std::wstring>{L"http://a/", L"http://b/", L"http://c/", L"http://d/", L"http://e/"}));
  EXPECT_EQ(Column(unclosed, &BookmarkFileLink::title),
            (std::vector<std::wstring>{L"first", L"second", L"third", L"fourth",
                                       L"at the end, unclosed, in a file cut short here"}));
  EXPECT_EQ(Column(unclosed, &BookmarkFileLink::folder),
            (std::vector<std::wstring>{L"Open name", L"Open name", L"", L"", L""}));

  // A folder without a name counts as the folder around it.
  BookmarkFileContents unnamed = ParseBookmarkFile(
      "<DL><DT><H3>Work</H3><DL><DT><H3>  </H3><DL><DT><A HREF=\"http://n/\">n</A></DL></DL>"
      "<DT><H3></H3><DL><DT><A HREF=\"http://m/\">m</A></DL></DL>");
  EXPECT_EQ(Column(unnamed, &BookmarkFileLink::folder), (std::vector<std::wstring>{L"Work", L""}));

  // No <DL> at all: the header makes it a bookmark file; its links stand outside every folder.
  BookmarkFileContents noList =
      ParseBookmarkFile("<!doctype netscape-bookmark-file-1>\n<H1>Mine</H1>\n<DT><A HREF=\"http://x/\">X</A>\n");
  ASSERT_EQ(noList.links.size(), 1u);
  EXPECT_EQ(noList.links[0].folder, L"");
  EXPECT_EQ(noList.heading, L"Mine");

  // A tag the file ends inside is dropped with the link it would have opened; an anchor without
  // an address is no link; a comment hides what is in it, to the end when it is never closed.
  BookmarkFileContents cut = ParseBookmarkFile(
      "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A NAME=top>anchor</A>"
      "<!-- <DT><A HREF=\"http://hidden/\">h</A> --><DT><A HREF=\"http://kept/\">k</A>"
      "<DT><A HREF=\"http://cut/");
  EXPECT_EQ(Column(cut, &BookmarkFileLink::address), std::vector<std::wstring>{L"http://kept/"});
  EXPECT_TRUE(ParseBookmarkFile("<!DOCTYPE NETSCAPE-Bookmark-file-1><!-- <A HREF=x>").links.empty());

  // A header alone is a bookmark file without bookmarks.
  BookmarkFileContents headerOnly = ParseBookmarkFile("<!DOCTYPE NETSCAPE-Bookmark-file-1>");
  EXPECT_TRUE(headerOnly.IsBookmarkFile());
  EXPECT_TRUE(headerOnly.links.empty());
}

TEST(BookmarkFileTest, ReadsEachLinksTagsAndWhetherItsOnlyFolderIsOneMadeForAllLinks) {
  using Place = BookmarkFilePlace;
  constexpr auto kPlace = &BookmarkFileLink::place;
  // As buku exports: one folder, marked as the toolbar's, holding every link with its tags.
  BookmarkFileContents buku = ParseBookmarkFile(
      "<!DOCTYPE NETSCAPE-Bookmark-file-1><H1>Bookmarks</H1><DL><p>"
      "<DT><H3 ADD_DATE=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">buku bookmarks</H3><DL><p>"
      "<DT><A HREF=\"http://a/\" TAGS=\" linux ,news\">a</A>"
      "<DT><A HREF=\"http://b/\" tags=''>b</A>"
      "<DT><A>no address</A><DT><A NAME=\"anchor\">nor here</A>"
      "</DL><p></DL><p>");
  EXPECT_EQ(Column(buku, &BookmarkFileLink::tags), (std::vector<std::wstring>{L"linux ,news", L""}));
  EXPECT_EQ(Column(buku, kPlace), (std::vector<Place>{Place::CommonFolder, Place::CommonFolder}));
  EXPECT_EQ(buku.linksWithoutAddress, 2u);

  // Two folders at the top: only the one marked as the toolbar's holds all links; a folder in it is a person's own.
  BookmarkFileContents two = ParseBookmarkFile(
      "<DL><DT><H3>One</H3><DL><DT><A HREF=x TAGS=t>x</A><DT><H3>Inner</H3><DL><DT><A HREF=y>y</A></DL></DL>"
      "<DT><H3 PERSONAL_TOOLBAR_FOLDER=TRUE>Bar</H3><DL><DT><A HREF=z>z</A><DT><H3></H3><DL><DT><A HREF=u>u</A></DL>"
      "<DT><H3>Sub</H3><DL><DT><A HREF=w>w</A></DL></DL>"
      "<DT><A HREF=v>v</A></DL>");
  EXPECT_EQ(Column(two, &BookmarkFileLink::address), (std::vector<std::wstring>{L"x", L"y", L"z", L"u", L"w", L"v"}));
  EXPECT_EQ(Column(two, kPlace), (std::vector<Place>{Place::OwnFolder, Place::OwnFolder, Place::CommonFolder,
                                                     Place::CommonFolder, Place::OwnFolder, Place::Top}));
  EXPECT_EQ(two.linksWithoutAddress, 0u);

  // A single folder at the top, marked or not, holds all links; a folder below it does not.
  BookmarkFileContents single = ParseBookmarkFile(
      "<DL><DT><A HREF=t>t</A><DT><H3>Only</H3><DL><DT><A HREF=p>p</A><DT><H3>Deeper</H3><DL><DT><A HREF=q>q</A>"
      "</DL></DL></DL>");
  EXPECT_EQ(Column(single, kPlace), (std::vector<Place>{Place::Top, Place::CommonFolder, Place::OwnFolder}));
}

TEST(BookmarkFileTest, AFileWithoutHeaderAndLinksIsNoBookmarkFile) {
  EXPECT_FALSE(ParseBookmarkFile("").IsBookmarkFile());
  EXPECT_FALSE(ParseBookmarkFile("<!DOCTYPE html><html><head><title>A page</title></head>"
                                 "<body><h1>Hello</h1><p>No links here.</p></body></html>")
                   .IsBookmarkFile());
  EXPECT_FALSE(ParseBookmarkFile("[InternetShortcut]\r\nURL=http://a/\r\n").IsBookmarkFile());
  EXPECT_FALSE(ParseBookmarkFile(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)).IsBookmarkFile());
  // Links without the header still make one: some tools write the list alone.
  EXPECT_TRUE(ParseBookmarkFile("<DL><DT><A HREF=\"http://a/\">a</A></DL>").IsBookmarkFile());
}

TEST(BookmarkFileTest, ReadsTheEncodingsBrowsersHaveWritten) {
  // An older browser's export in windows-1252 that says so, and one in UTF-16 with its mark.
  std::string latin = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
                      "CONTENT=\"text/html; charset=windows-1252\">\n<DL><DT><H3>R\xe9sum\xe9</H3><DL>"
                      "<DT><A HREF=\"http://a/\">Caf\xe9 \x80</A></DL></DL>";
  BookmarkFileContents fromLatin = ParseBookmarkFile(latin);
  ASSERT_EQ(fromLatin.links.size(), 1u);
  EXPECT_EQ(fromLatin.links[0].folder, L"R\u00e9sum\u00e9");
  EXPECT_EQ(fromLatin.links[0].title, L"Caf\u00e9 \u20ac");

  std::string utf16 = "\xFF\xFE" + ToUtf16LE(L"<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A HREF=\"http://b/\">\u00fcber</A>");
  BookmarkFileContents fromUtf16 = ParseBookmarkFile(utf16);
  ASSERT_EQ(fromUtf16.links.size(), 1u);
  EXPECT_EQ(fromUtf16.links[0].title, L"\u00fcber");
}

TEST(BookmarkFileTest, CharacterReferences) {
  EXPECT_EQ(DecodeHtmlEntities("a &amp; b &lt;&gt; &quot;&apos; &nbsp;&copy;&euro;&hellip;"),
            L"a & b <> \"' \u00a0\u00a9\u20ac\u2026");
  EXPECT_EQ(DecodeHtmlEntities("&#65;&#x42;&#X43;&#68 &#0069;"), L"ABCD E");
  // Not characters: zero, surrogates, beyond the last code point, however many digits.
  EXPECT_EQ(DecodeHtmlEntities("&#0;&#xD800;&#x110000;&#99999999999999999999999;"), L"\ufffd\ufffd\ufffd\ufffd");
  // The C1 range reads as windows-1252, as browsers read it.
  EXPECT_EQ(DecodeHtmlEntities("&#128;&#x99;"), L"\u20ac\u2122");
  // Names not known, without ';', or a lone '&' stay as written.
  EXPECT_EQ(DecodeHtmlEntities("&bogus; &amp &; & &#; &#x; AT&T"), L"&bogus; &amp &; & &#; &#x; AT&T");
  EXPECT_EQ(DecodeHtmlEntities("\xe2\x82\xac&#x1F600;"), L"\u20ac\U0001F600");
}

// Hostile files: each costs time in proportion to its size and never more memory than its limits.
TEST(BookmarkFileTest, HostileFilesAreReadWithinTheirLimits) {
  // Folders nested far beyond the limit: the deeper ones count as the one at the limit, and the
  // names come back as the lists close.
  std::string deep = "<!DOCTYPE NETSCAPE-Bookmark-file-1>";
  const size_t depth = 100000;
  for (size_t i = 0; i < depth; ++i) deep += "<DT><H3>F" + std::to_string(i) + "</H3><DL>";
  deep += "<DT><A HREF=\"http://deep/\">deep</A>";
  for (size_t i = 0; i + 2 < depth; ++i) deep += "</DL>";
  deep += "<DT><A HREF=\"http://shallow/\">shallow</A>";
  BookmarkFileContents deepContents = ParseBookmarkFile(deep);
  ASSERT_EQ(deepContents.links.size(), 2u);
  EXPECT_EQ(deepContents.links[0].folder, L"F" + std::to_wstring(kMaxBookmarkFolderDepth - 1));
  EXPECT_EQ(deepContents.links[1].folder, L"F1");

  // An address longer than is kept is not cut into another address: the link is counted apart.
  // A title that long is cut. An attribute never closed swallows the rest of the file.
  std::string huge = "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A HREF=\"http://long/" +
                     std::string(kMaxBookmarkTextBytes, 'x') + "\">long</A><DT><A HREF=\"http://t/\">" +
                     std::string(kMaxBookmarkTextBytes * 2, 'y') + "</A><DT><A HREF=\"http://never-closed/>x</A>";
  BookmarkFileContents hugeContents = ParseBookmarkFile(huge);
  EXPECT_EQ(hugeContents.overlongLinks, 1u);
  EXPECT_TRUE(hugeContents.IsBookmarkFile());
  ASSERT_EQ(hugeContents.links.size(), 1u);
  EXPECT_EQ(hugeContents.links[0].title.size(), kMaxBookmarkTextBytes);

  // Many attributes, markup without tags, references without end.
  std::string noise = "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A";
  for (int i = 0; i < 100000; ++i) noise += " a" + std::to_string(i) + "=v";
  noise += " HREF=\"http://after-many/\">m</A>" + std::string(200000, '<') + std::string(200000, '&') + "&#" +
           std::string(200000, '9');
  BookmarkFileContents noiseContents = ParseBookmarkFile(noise);
  // HREF came after the attributes that are looked at.
  EXPECT_TRUE(noiseContents.links.empty());
}

TEST(BookmarkFileTest, AWrittenFileReadsBackAsWritten) {
  std::vector<BookmarkFileFolder> folders = {
      {L"", {{L"", L"Top <one> & \"two\"", L"http://top/?a=1&b=2", L"", BookmarkFilePlace::Top}}},
      {L"News & \"Views\"",
       {{L"", L"Caf\u00e9 \U0001F600 it's", L"https://n/\u00e9", L"News & \"Views\"", BookmarkFilePlace::Top},
        {L"", L"", L"http://empty-title/", L"", BookmarkFilePlace::Top}}},
      {L"Empty", {}},
  };
  std::string text = FormatBookmarkFile(folders, 1700000123);
  EXPECT_TRUE(text.starts_with("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"));
  EXPECT_NE(text.find("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"), std::string::npos);
  EXPECT_NE(text.find("<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"), std::string::npos);
  EXPECT_NE(text.find("<DT><A HREF=\"http://top/?a=1&amp;b=2\" ADD_DATE=\"1700000123\">Top &lt;one&gt; &amp; "
                      "&quot;two&quot;</A>"),
            std::string::npos);
  EXPECT_NE(text.find("<DT><H3 ADD_DATE=\"1700000123\" LAST_MODIFIED=\"1700000123\">News &amp; &quot;Views&quot;</H3>"),
            std::string::npos);
  EXPECT_NE(text.find("ADD_DATE=\"1700000123\" TAGS=\"News &amp; &quot;Views&quot;\">Caf"), std::string::npos);

  BookmarkFileContents back = ParseBookmarkFile(text);
  EXPECT_TRUE(back.hasHeader);
  EXPECT_EQ(back.heading, L"Bookmarks");
  ASSERT_EQ(back.links.size(), 3u);
  EXPECT_EQ(back.links[0].folder, L"");
  EXPECT_EQ(back.links[0].title, L"Top <one> & \"two\"");
  EXPECT_EQ(back.links[0].address, L"http://top/?a=1&b=2");
  EXPECT_EQ(back.links[1].folder, L"News & \"Views\"");
  EXPECT_EQ(back.links[1].title, L"Caf\u00e9 \U0001F600 it's");
  EXPECT_EQ(back.links[1].address, L"https://n/\u00e9");
  EXPECT_EQ(back.links[1].tags, L"News & \"Views\"");
  EXPECT_EQ(back.links[2].title, L"");
  EXPECT_EQ(back.links[2].tags, L"");
}

TEST(BookmarkFileTest, FilesAreReadWithinTheLimitAndReplacedWhole) {
  TempDir temp;
  std::filesystem::path file = temp.path() / "bookmarks.html";
  std::string bytes, why;
  EXPECT_FALSE(ReadBookmarkFileBytes(file, bytes, why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(ReadBookmarkFileBytes(temp.path(), bytes, why));
  EXPECT_EQ(why, "not a regular file");
  // A FIFO is refused at once, without waiting for a writer that never comes.
  TestFifo fifo(temp.path() / "fifo.html");
  bool read = true;
  EXPECT_TRUE(fifo.RunWithin([&] { read = ReadBookmarkFileBytes(fifo.path(), bytes, why); }, std::chrono::seconds(5)))
      << "the read waited on a FIFO";
  EXPECT_FALSE(read);
  EXPECT_EQ(why, "not a regular file");
  std::filesystem::remove(fifo.path());

  ASSERT_TRUE(ReplaceFileContents(file, "first", why)) << why;
  ASSERT_TRUE(ReplaceFileContents(file, "second", why)) << why;
  EXPECT_EQ(ReadFileBytes(file), "second");
  ASSERT_TRUE(ReadBookmarkFileBytes(file, bytes, why));
  EXPECT_EQ(bytes, "second");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), std::filesystem::directory_iterator()), 1);

  // A file larger than the limit is refused without being read into memory.
  std::filesystem::path large = temp.path() / "large.html";
  { std::ofstream(large) << "x"; }
  std::filesystem::resize_file(large, kMaxBookmarkFileBytes + 1);
  EXPECT_FALSE(ReadBookmarkFileBytes(large, bytes, why));
  EXPECT_EQ(why, "larger than 256 MiB");

  // A folder that does not exist, or a folder in the way: the old file stays as it was.
  EXPECT_FALSE(ReplaceFileContents(temp.path() / "missing" / "b.html", "x", why));
  std::filesystem::create_directory(temp.path() / "dir.html");
  EXPECT_FALSE(ReplaceFileContents(temp.path() / "dir.html", "x", why));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "dir.html"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), std::filesystem::directory_iterator()), 3);
}

}  // namespace
