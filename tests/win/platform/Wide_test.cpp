// UTF-8 at the Win32 boundary: odd text from either side, Unicode names and
// registry values, and paths longer than MAX_PATH.
#include "platform/win32/Wide.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>

#include "platform/win32/Win32Platform.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Wide, OddTextIsReplacedNeverFatal) {
  const wchar_t unpaired[] = {L'a', 0xD800, L'b', 0xDC00, 0};
  EXPECT_EQ(Narrow(unpaired), "a" + kReplacement + "b" + kReplacement);
  EXPECT_EQ(Narrow(nullptr), "");
  EXPECT_EQ(std::wstring(Wide("x\xFFy").c_str()), L"x\xFFFDy");
  EXPECT_EQ(std::wstring(Wide("\xF0\x9F\x98\x80").c_str()), L"\xD83D\xDE00");
  EXPECT_EQ(Narrow(Wide("Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC")),
            "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC");
  EXPECT_STREQ(Wide("").c_str(), L"");
}

std::string TempDir() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  return Narrow(buf, n);
}

TEST(Wide, UnicodeAndLongPathsWorkThroughThePlatform) {
  TWin32Platform p;
  // Cyrillic, Greek, Japanese and a character beyond the BMP; over 300 characters.
  std::string dir = TempDir() + "bw-wide-\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82";
  std::string deep = dir;
  while (Wide(deep).size() < 320)
    deep +=
        "\\\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC-"
        "\xE6\x97\xA5\xE6\x9C\xAC";
  const std::string file = deep + "\\\xF0\x9F\x98\x80 notes.txt";
  ASSERT_GT(Wide(file).size(), 300u);
  ASSERT_TRUE(p.ForceDirectories(deep));
  {
    auto f = p.OpenFile(file, TFileMode::Create);
    f->Write("hi", 2);
  }
  EXPECT_TRUE(p.FileExists(file));
  EXPECT_TRUE(p.MoveFileTo(file, file + ".moved"));
  EXPECT_TRUE(p.DeleteFileAt(file + ".moved"));
  EXPECT_FALSE(p.FileExists(file + ".moved"));
  // The name on disk is exactly the UTF-16 of the text.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(WidePath(dir + "\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  bool seen = false;
  do
    seen = seen || Narrow(fd.cFileName) ==
                       "\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC-"
                       "\xE6\x97\xA5\xE6\x9C\xAC";
  while (FindNextFileW(h, &fd));
  FindClose(h);
  EXPECT_TRUE(seen);
  for (std::string d = deep; d.size() > dir.size(); d = d.substr(0, d.find_last_of('\\')))
    EXPECT_TRUE(p.RemoveDir(d)) << d.size();
  EXPECT_TRUE(p.RemoveDir(dir));
}

TEST(Wide, RegistryHoldsUnicodeStrings) {
  TWin32Platform p;
  const std::string key = "Software\\BundlewrighterTest\\Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC";
  const std::string value = "C:\\Program Files\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82 \xF0\x9F\x98\x80";
  ASSERT_TRUE(p.RegWriteString(TRegRoot::CurrentUser, key, "InstallLocation", value));
  EXPECT_EQ(p.RegReadString(TRegRoot::CurrentUser, key, "InstallLocation"), value);
  wchar_t stored[MAX_PATH] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Wide(key).c_str(), L"InstallLocation", RRF_RT_REG_SZ,
                         nullptr, stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(stored), L"C:\\Program Files\\\x0422\x0435\x0441\x0442 \xD83D\xDE00");
  EXPECT_TRUE(p.RegDeleteTree(TRegRoot::CurrentUser, "Software\\BundlewrighterTest"));
}

}  // namespace
