// Text laid out for a person to read at a terminal: how wide and how long, and the lines that came
// of it. What lays it out is the browser's (a page's blocks, links and fields); these are the terms
// a host asks and is answered in.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct TextLayout {
  size_t width = 80;    // columns a line takes at most (a character a column); at least 20 is used
  size_t maxLines = 0;  // lines laid out at most; 0 for the whole page
};

struct LaidOutPage {
  std::vector<std::string> lines;  // UTF-8, without line ends
  bool more = false;               // the page goes on past maxLines
};
