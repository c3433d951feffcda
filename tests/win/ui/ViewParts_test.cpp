// The views' helpers that read outside input: bitmap bytes from the package
// and the directory list's items.
#include <gtest/gtest.h>

#include <string>

#include "ui/win32/BitmapBytes.h"
#include "ui/win32/DirectoryListing.h"

namespace {

// A 2 x 2, 24-bit BMP file image: 54 bytes of headers, rows of 8 bytes.
std::string SmallBmp() {
  std::string b(54 + 16, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  b[26] = 1;
  b[28] = 24;
  return b;
}

TEST(BitmapFromBmpBytes, ReadsAWellFormedFile) {
  HBITMAP bmp = view::BitmapFromBmpBytes(SmallBmp());
  ASSERT_NE(bmp, nullptr);
  BITMAP info{};
  GetObjectA(bmp, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 2);
  DeleteObject(bmp);
}

TEST(BitmapFromBmpBytes, RefusesBytesThatDoNotHoldTheirPixels) {
  std::string good = SmallBmp();
  EXPECT_EQ(view::BitmapFromBmpBytes(""), nullptr);
  EXPECT_EQ(view::BitmapFromBmpBytes("not a bitmap at all, but long enough to have headers ...."),
            nullptr);
  EXPECT_EQ(view::BitmapFromBmpBytes(good.substr(0, good.size() - 1)), nullptr);  // pixels cut
  std::string farOffset = good;
  farOffset[10] = static_cast<char>(200);  // pixels said to start beyond the end
  EXPECT_EQ(view::BitmapFromBmpBytes(farOffset), nullptr);
  std::string huge = good;
  huge[18] = huge[19] = huge[20] = static_cast<char>(0x7F);  // width far beyond the bytes
  EXPECT_EQ(view::BitmapFromBmpBytes(huge), nullptr);
}

TEST(DirectoryItems, ShowsTheChainFromTheRootThenTheSubdirectories) {
  char windir[MAX_PATH];
  GetWindowsDirectoryA(windir, MAX_PATH);  // "C:\windows"
  std::string dir = windir;
  std::vector<view::TDirEntry> items = view::DirectoryItems(dir);
  ASSERT_GE(items.size(), 3u);
  EXPECT_EQ(items[0].Path, dir.substr(0, 3));
  EXPECT_EQ(items[0].Shown, std::string(1, static_cast<char>(tolower(dir[0]))) + ":\\");
  EXPECT_EQ(items[1].Path, dir);
  EXPECT_EQ(items[1].Shown, "   " + dir.substr(3));
  bool system32 = false;
  for (size_t i = 2; i < items.size(); ++i) {
    EXPECT_EQ(items[i].Path.substr(0, dir.size() + 1), dir + "\\");
    EXPECT_EQ(items[i].Shown.substr(0, 6), "      ");
    system32 = system32 || _stricmp(items[i].Path.c_str(), (dir + "\\system32").c_str()) == 0;
  }
  EXPECT_TRUE(system32);
  EXPECT_TRUE(view::DirectoryItems("").empty());
}

TEST(DirectoryItems, TreatsATrailingBackslashAsTheSameDirectory) {
  char windir[MAX_PATH];
  GetWindowsDirectoryA(windir, MAX_PATH);
  std::vector<view::TDirEntry> plain = view::DirectoryItems(windir);
  std::vector<view::TDirEntry> slashed = view::DirectoryItems(std::string(windir) + "\\");
  ASSERT_EQ(plain.size(), slashed.size());
  for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(plain[i].Path, slashed[i].Path);
}

}  // namespace
