// Pixel images and the BMP file format they are stored in. Images are kept as 32-bit 0x00RRGGBB
// pixels, top row first, whatever depth the file had.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;              // the depth of the file it came from
  std::vector<std::uint32_t> pixels;  // width * height, top row first

  Image() = default;
  Image(int w, int h, std::uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, std::uint32_t colour) { pixels[static_cast<size_t>(y) * width + x] = colour; }
  // The part of the image at (x, y) of the given size, which must lie inside it.
  Image Crop(int x, int y, int w, int h) const;
  // Same size and pixels; the depth of the source file does not count.
  friend bool operator==(const Image& a, const Image& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
  }
};

// Reads an uncompressed BMP of 1, 4, 8, 24 or 32 bits per pixel, stored bottom-up or top-down.
// Anything else, or a file cut short, gives no image.
std::optional<Image> ReadBmp(std::span<const std::uint8_t> bytes);
std::optional<Image> ReadBmpFile(const std::filesystem::path& path);

enum class BmpDepth { FourBit, TwentyFourBit };
// A 4-bit file takes its palette from the image's colours and fails (empty result) for more than
// 16 colours.
std::vector<std::uint8_t> WriteBmp(const Image& image, BmpDepth depth);
bool WriteBmpFile(const std::filesystem::path& path, const Image& image, BmpDepth depth);
