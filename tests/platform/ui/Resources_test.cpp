#include "platform/ui/Resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "platform/ui/Image.h"
#include "tests/support/TestSupport.h"

namespace {

// A strip of five 16 by 15 images in a few colours, as a toolbar's button bitmap is.
Image ButtonStrip() {
  Image strip(80, 15, 0xC0C0C0);
  const std::uint32_t colours[] = {0x000000, 0x800000, 0x008000, 0x000080, 0xFFFFFF};
  for (int i = 0; i < 5; ++i)
    for (int y = 2; y < 13; ++y) strip.Set(i * 16 + 3 + (y % 10), y, colours[i]);
  return strip;
}

TEST(ImageTest, FourBitFilesRoundTrip) {
  TempDir dir;
  Image strip = ButtonStrip();
  ASSERT_TRUE(WriteBmpFile(dir.path() / "strip.bmp", strip, BmpDepth::FourBit));
  auto read = ReadBmpFile(dir.path() / "strip.bmp");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->bitsPerPixel, 4);
  EXPECT_EQ(*read, strip);
  EXPECT_EQ(read->Crop(16, 0, 16, 15), strip.Crop(16, 0, 16, 15));
}

TEST(ImageTest, TwentyFourBitFilesRoundTripAndTopDownFilesRead) {
  Image image(3, 2);
  image.Set(0, 0, 0x112233);
  image.Set(2, 1, 0xABCDEF);
  auto bytes = WriteBmp(image, BmpDepth::TwentyFourBit);
  auto read = ReadBmp(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, image);

  // The same rows stored top row first, as a negative height says.
  auto topDown = bytes;
  const size_t stride = 12, data = 54;
  std::swap_ranges(topDown.begin() + data, topDown.begin() + data + stride, topDown.begin() + data + stride);
  std::int32_t height = -2;
  std::memcpy(&topDown[22], &height, 4);
  auto flipped = ReadBmp(topDown);
  ASSERT_TRUE(flipped);
  EXPECT_EQ(*flipped, image);
}

TEST(ImageTest, DamagedOrForeignFilesGiveNoImage) {
  auto bytes = WriteBmp(ButtonStrip(), BmpDepth::FourBit);
  EXPECT_FALSE(ReadBmp(std::span(bytes).first(bytes.size() - 10)));  // cut short
  auto wrongMagic = bytes;
  wrongMagic[0] = 'P';
  EXPECT_FALSE(ReadBmp(wrongMagic));
  auto huge = bytes;
  std::int32_t width = 1 << 30;
  std::memcpy(&huge[18], &width, 4);
  EXPECT_FALSE(ReadBmp(huge));
  EXPECT_FALSE(ReadBmpFile("/nonexistent/strip.bmp"));

  Image tooColourful(17, 1);
  for (int x = 0; x < 17; ++x) tooColourful.Set(x, 0, static_cast<std::uint32_t>(x));
  EXPECT_TRUE(WriteBmp(tooColourful, BmpDepth::FourBit).empty());
}

class ModuleResourcesTest : public ::testing::Test {
 protected:
  ModuleRegistration module_{L"PendrelBand"};
  TempDir dir_;
};

TEST_F(ModuleResourcesTest, StringsLoadByIdAndAreCutToTheBuffer) {
  EXPECT_EQ(GetModuleName(module_.get()), L"PendrelBand");
  ASSERT_TRUE(AddStringResource(module_.get(), 101, L"Bookmark"));
  EXPECT_EQ(LoadResourceString(module_.get(), 101), L"Bookmark");
  EXPECT_EQ(LoadResourceString(module_.get(), 102), std::nullopt);
  wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
  EXPECT_EQ(LoadStringW(module_.get(), 101, buffer, 5), 4);
  EXPECT_STREQ(buffer, L"Book");
  EXPECT_EQ(LoadStringW(module_.get(), 999, buffer, 5), 0);
  EXPECT_STREQ(buffer, L"");
  EXPECT_FALSE(AddStringResource(nullptr, 1, L"x"));
}

TEST_F(ModuleResourcesTest, BitmapsComeFromFilesAsImagesAndEachLoadIsItsOwn) {
  ASSERT_TRUE(WriteBmpFile(dir_.path() / "checked.bmp", Image(17, 14, 0x0000FF), BmpDepth::FourBit));
  ASSERT_TRUE(AddBitmapResourceFile(module_.get(), 214, dir_.path() / "checked.bmp"));
  { std::ofstream(dir_.path() / "broken.bmp") << "not a bitmap"; }
  EXPECT_FALSE(AddBitmapResourceFile(module_.get(), 216, dir_.path() / "broken.bmp"));

  BitmapHandle first(LoadBitmapW(module_.get(), 214));
  BitmapHandle second(LoadBitmapW(module_.get(), 214));
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.get(), second.get());
  auto image = GetBitmapImage(first.get());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 17);
  EXPECT_EQ(image->height, 14);
  EXPECT_EQ(LoadBitmapW(module_.get(), 216), nullptr);

  HBITMAP gone = first.get();
  first.reset();
  EXPECT_FALSE(GetBitmapImage(gone));
  EXPECT_FALSE(DeleteObject(gone));
  EXPECT_TRUE(GetBitmapImage(second.get()));
}

TEST_F(ModuleResourcesTest, LoadedBitmapsOutliveTheirModule) {
  HINSTANCE module = RegisterModule(L"Short-lived");
  AddBitmapResource(module, 1, Image(2, 2, 0x123456));
  BitmapHandle bitmap(LoadBitmapW(module, 1));
  UnregisterModule(module);
  EXPECT_EQ(GetModuleName(module), L"");
  EXPECT_EQ(LoadBitmapW(module, 1), nullptr);
  ASSERT_TRUE(GetBitmapImage(bitmap.get()));
  EXPECT_EQ(GetBitmapImage(bitmap.get())->At(1, 1), 0x123456u);
}

TEST_F(ModuleResourcesTest, StringsLoadFromAnyThread) {
  AddStringResource(module_.get(), 32768, L"Add");
  std::wstring seen;
  std::thread([&] { seen = LoadResourceString(module_.get(), 32768).value_or(L""); }).join();
  EXPECT_EQ(seen, L"Add");
}

}  // namespace
