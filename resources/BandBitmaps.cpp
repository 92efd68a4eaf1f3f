#include "resources/BandBitmaps.h"

#include <cstdint>
#include <string_view>

namespace {

struct PaletteEntry {
  char key;
  std::uint32_t colour;
};

// Colours of the 16-colour palette the pictures use; '.' is the toolbar's grey background.
constexpr PaletteEntry kPalette[] = {
    {'.', 0xC0C0C0}, {'k', 0x000000}, {'w', 0xFFFFFF}, {'g', 0x008000}, {'G', 0x00C000},
    {'r', 0xC00000}, {'R', 0xFF4040}, {'b', 0x000080}, {'B', 0x4060FF}, {'y', 0xFFE060},
    {'o', 0xC08000}, {'d', 0x808080},
};

std::uint32_t Colour(char key) {
  for (const auto& entry : kPalette)
    if (entry.key == key) return entry.colour;
  return kPalette[0].colour;
}

// Draws `rows` (one string per pixel row, one character per pixel) at `left` in `image`.
void Draw(Image& image, int left, std::initializer_list<std::string_view> rows) {
  int y = 0;
  for (std::string_view row : rows) {
    for (int x = 0; x < static_cast<int>(row.size()) && left + x < image.width; ++x)
      image.Set(left + x, y, Colour(row[static_cast<size_t>(x)]));
    if (++y == image.height) break;
  }
}

}  // namespace

Image ToolbarButtonsBitmap() {
  Image image(80, 15, Colour('.'));
  image.bitsPerPixel = 4;
  // Add: a page with a green plus.
  Draw(image, 0,
       {"................", ".kkkkkkkk.......", ".kwwwwwwkk......", ".kwwwwwwkwk.....", ".kwwwwwwkkkk....",
        ".kwwwwwwwwwk....", ".kwwwwwwwGGk....", ".kwwwwwwwGGk....", ".kwwwwwGGGGGG...", ".kwwwwwGGGGGG...",
        ".kwwwwwwwGGk....", ".kwwwwwwwGGk....", ".kkkkkkkkkkk....", "................", "................"});
  // Change: a page with a pencil.
  Draw(image, 16,
       {"................", ".kkkkkkkk.......", ".kwwwwwwkk...ok.", ".kwwwwwwkwk.oyok", ".kwwwwwwkkkoyok.",
        ".kwwwwwwwwoyok..", ".kwwwwwwwoyok...", ".kwwwwwwoyok....", ".kwwwwwkyok.....", ".kwwwwwkkk......",
        ".kwwwwwwwwwk....", ".kwwwwwwwwwk....", ".kkkkkkkkkkk....", "................", "................"});
  // Delete: a red cross.
  Draw(image, 32,
       {"................", "................", "..rr.......rr...", "..rRr.....rRr...", "...rRr...rRr....",
        "....rRr.rRr.....", ".....rRrRr......", "......rRr.......", ".....rRrRr......", "....rRr.rRr.....",
        "...rRr...rRr....", "..rRr.....rRr...", "..rr.......rr...", "................", "................"});
  // Show: an open book.
  Draw(image, 48,
       {"................", "................", ".bbbbbb.bbbbbb..", ".bwwwwwbwwwwwb..", ".bwkkkwbwkkkwb..",
        ".bwwwwwbwwwwwb..", ".bwkkkwbwkkkwb..", ".bwwwwwbwwwwwb..", ".bwkkkwbwkkkwb..", ".bwwwwwbwwwwwb..",
        ".bwkkkwbwkkkwb..", ".bwwwwwbwwwwwb..", ".bbbbbbbbbbbbb..", "................", "................"});
  // Options: a gear.
  Draw(image, 64,
       {"................", "......dd........", "..dd.dddd.dd....", "..dddddddddd....", "...dddwwddd.....",
        "..dddw..wddd....", "ddddw....wdddd..", "ddddw....wdddd..", "..dddw..wddd....", "...dddwwddd.....",
        "..dddddddddd....", "..dd.dddd.dd....", "......dd........", "................", "................"});
  return image;
}

Image CheckedBitmap() {
  Image image(17, 14, Colour('w'));
  image.bitsPerPixel = 4;
  Draw(image, 0,
       {"wwwwwwwwwwwwwwwww", "wwwwwwwwwwwwwwgww", "wwwwwwwwwwwwwggww", "wwwwwwwwwwwwgggww", "wwwwwwwwwwwgggwww",
        "wwgwwwwwwwgggwwww", "wwggwwwwwgggwwwww", "wwgggwwwgggwwwwww", "wwwgggwgggwwwwwww", "wwwwgggggwwwwwwww",
        "wwwwwgggwwwwwwwww", "wwwwwwgwwwwwwwwww", "wwwwwwwwwwwwwwwww", "wwwwwwwwwwwwwwwww"});
  return image;
}

Image UncheckedBitmap() {
  Image image(14, 14, Colour('w'));
  image.bitsPerPixel = 4;
  Draw(image, 0,
       {"wwwwwwwwwwwwww", "wddddddddddddw", "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw",
        "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw",
        "wdwwwwwwwwwwdw", "wdwwwwwwwwwwdw", "wddddddddddddw", "wwwwwwwwwwwwww"});
  return image;
}
