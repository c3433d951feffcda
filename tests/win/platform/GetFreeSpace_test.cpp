// GetFreeSpace's drive rules on the real drives under Wine.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "platform/Platform.h"
#include "platform/win32/WinHeader.h"

namespace {

TEST(GetFreeSpace, DriveFromPathOrCurrentDrive) {
  char old[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  int64_t c = Platform().DiskFree(3);
  ASSERT_GT(c, 0);
  // Free space moves a little while tests run elsewhere; compare loosely.
  auto closeToC = [c](int64_t v) { return v > 0 && (v > c ? v - c : c - v) < (int64_t(64) << 20); };
  EXPECT_TRUE(closeToC(GetFreeSpace("C:\\x")));
  EXPECT_TRUE(closeToC(GetFreeSpace("c:\\x")));
  EXPECT_TRUE(closeToC(GetFreeSpace("x")));
  EXPECT_TRUE(closeToC(GetFreeSpace("")));
  EXPECT_TRUE(closeToC(GetFreeSpace("C:")));  // two characters: the current drive
  SetCurrentDirectoryA(old);

  DWORD drives = GetLogicalDrives();
  for (int i = 25; i >= 0; --i) {
    if (drives & (1u << i)) continue;
    std::string path = std::string(1, static_cast<char>('A' + i)) + ":\\x";
    EXPECT_EQ(GetFreeSpace(path), -1) << path;
    break;
  }
}

}  // namespace
