// Pixel images, kept as 32-bit 0x00RRGGBB pixels, top row first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;              // the depth it was drawn in
  std::vector<std::uint32_t> pixels;  // width * height, top row first

  Image() = default;
  Image(int w, int h, std::uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, std::uint32_t colour) { pixels[static_cast<size_t>(y) * width + x] = colour; }
  // The part of the image at (x, y) of the given size, which must lie inside it.
  Image Crop(int x, int y, int w, int h) const;
  // Same size and pixels; the depth does not count.
  friend bool operator==(const Image& a, const Image& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
  }
};
