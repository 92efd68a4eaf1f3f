#include "platform/ui/Resources.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/Image.h"
#include "tests/support/TestSupport.h"

namespace {

class ModuleResourcesTest : public ::testing::Test {
 protected:
  ModuleRegistration module_{L"PendrelBand"};
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

TEST_F(ModuleResourcesTest, BitmapsAreImagesAndEachLoadIsItsOwn) {
  ASSERT_TRUE(AddBitmapResource(module_.get(), 214, Image(17, 14, 0x0000FF)));
  EXPECT_FALSE(AddBitmapResource(nullptr, 216, Image(1, 1)));

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
