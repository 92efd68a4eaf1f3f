#include "platform/ui/Image.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t Read16(std::span<const std::uint8_t> b, size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Read32(std::span<const std::uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr size_t kFileHeader = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

}  // namespace

Image Image::Crop(int x, int y, int w, int h) const {
  Image part(w, h);
  part.bitsPerPixel = bitsPerPixel;
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) part.Set(col, row, At(x + col, y + row));
  return part;
}

std::optional<Image> ReadBmp(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeader + 40 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  std::uint32_t dataOffset = Read32(bytes, 10);
  std::uint32_t headerSize = Read32(bytes, kFileHeader);
  if (headerSize < 40 || kFileHeader + headerSize > bytes.size()) return std::nullopt;
  auto width = static_cast<std::int32_t>(Read32(bytes, kFileHeader + 4));
  auto height = static_cast<std::int32_t>(Read32(bytes, kFileHeader + 8));
  std::uint32_t bits = Read16(bytes, kFileHeader + 14);
  std::uint32_t compression = Read32(bytes, kFileHeader + 16);
  std::uint32_t coloursUsed = Read32(bytes, kFileHeader + 32);
  bool topDown = height < 0;
  if (topDown) height = -height;
  // Limits keep a hostile header from asking for gigabytes.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  if (compression != kBiRgb && !(compression == kBiBitfields && bits == 32)) return std::nullopt;

  std::vector<std::uint32_t> palette;
  if (bits <= 8) {
    size_t count = coloursUsed ? coloursUsed : (1u << bits);
    if (count > (1u << bits)) return std::nullopt;
    size_t at = kFileHeader + headerSize;
    if (at + count * 4 > bytes.size()) return std::nullopt;
    for (size_t i = 0; i < count; ++i, at += 4)
      palette.push_back(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16));
  }
  size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (dataOffset > bytes.size() || bytes.size() - dataOffset < stride * height) return std::nullopt;

  Image image(width, height);
  image.bitsPerPixel = static_cast<int>(bits);
  for (int row = 0; row < height; ++row) {
    size_t line = dataOffset + stride * (topDown ? row : height - 1 - row);
    for (int x = 0; x < width; ++x) {
      std::uint32_t colour = 0;
      if (bits <= 8) {
        size_t bit = static_cast<size_t>(x) * bits;
        std::uint32_t byte = bytes[line + bit / 8];
        std::uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= palette.size()) return std::nullopt;
        colour = palette[index];
      } else {
        size_t at = line + static_cast<size_t>(x) * (bits / 8);
        colour = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16);
      }
      image.Set(x, row, colour);
    }
  }
  return image;
}

std::optional<Image> ReadBmpFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ReadBmp(bytes);
}

std::vector<std::uint8_t> WriteBmp(const Image& image, BmpDepth depth) {
  if (image.width <= 0 || image.height <= 0) return {};
  std::vector<std::uint32_t> palette;
  if (depth == BmpDepth::FourBit) {
    for (std::uint32_t colour : image.pixels) {
      if (std::find(palette.begin(), palette.end(), colour) != palette.end()) continue;
      if (palette.size() == 16) return {};
      palette.push_back(colour);
    }
    palette.resize(16, 0);
  }
  std::uint32_t bits = depth == BmpDepth::FourBit ? 4 : 24;
  size_t stride = ((static_cast<size_t>(image.width) * bits + 31) / 32) * 4;
  std::uint32_t dataOffset = static_cast<std::uint32_t>(kFileHeader + 40 + palette.size() * 4);
  std::uint32_t dataSize = static_cast<std::uint32_t>(stride * image.height);

  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, dataOffset + dataSize);
  Put32(out, 0);
  Put32(out, dataOffset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height));  // bottom-up, the usual order
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, kBiRgb);
  Put32(out, dataSize);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, static_cast<std::uint32_t>(palette.size()));
  Put32(out, 0);
  for (std::uint32_t colour : palette) Put32(out, colour & 0x00FFFFFF);
  for (int row = image.height - 1; row >= 0; --row) {
    std::vector<std::uint8_t> line(stride, 0);
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t colour = image.At(x, row);
      if (bits == 4) {
        auto index = static_cast<std::uint8_t>(std::find(palette.begin(), palette.end(), colour) - palette.begin());
        line[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(index << 4) : index;
      } else {
        line[x * 3] = colour & 0xFF;
        line[x * 3 + 1] = (colour >> 8) & 0xFF;
        line[x * 3 + 2] = (colour >> 16) & 0xFF;
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

bool WriteBmpFile(const std::filesystem::path& path, const Image& image, BmpDepth depth) {
  auto bytes = WriteBmp(image, depth);
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}
