// Shell links made through the system's shell-link object and read back
// through it; Internet shortcuts on a real file system.
#include <gtest/gtest.h>

#include "WinTestUtil.h"
#include "common/Errors.h"
#include "platform/win32/Win32Platform.h"
#include "shell/ShortcutsLib.h"

// After WinHeader.h (through Win32Platform.h).
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace {

class ShortcutsTest : public ::testing::Test {
 protected:
  TComInit Com;
  TTempDir Dir;
};

TEST_F(ShortcutsTest, LinkReadsBackThroughIShellLink) {
  ASSERT_TRUE(Com.Succeeded());
  const std::string target = ExeDir() + "\\bw_test_child.exe";
  std::string created;
  CreateShortcut(Dir.Path() + "\\My Tool", target, ExeDir(), "The tool", SW_SHOWMINNOACTIVE,
                 created);
  ASSERT_EQ(created, Dir.Path() + "\\My Tool.LNK");
  ASSERT_EQ(GetFileAttributesA(created.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  std::wstring wide(created.begin(), created.end());
  ASSERT_TRUE(SUCCEEDED(file->Load(wide.c_str(), STGM_READ)));

  char text[MAX_PATH] = {};
  link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  EXPECT_STRCASEEQ(text, target.c_str());
  link->GetWorkingDirectory(text, MAX_PATH);
  EXPECT_STRCASEEQ(text, ExeDir().c_str());
  link->GetDescription(text, MAX_PATH);
  EXPECT_STREQ(text, "The tool");
  // Wine's loader forgets the show command (GetShowCmd answers 1), so it is
  // read from the link header's ShowCommand field at offset 0x3C instead.
  std::string bytes = ReadWholeFile(created);
  ASSERT_GE(bytes.size(), 0x40u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x3C]), SW_SHOWMINNOACTIVE);
  file->Release();
  link->Release();
}

TEST_F(ShortcutsTest, UnsavableLinkAndUrlLeaveNoName) {
  std::string created = "stale";
  CreateShortcut(Dir.Path() + "\\missing\\Site", "https://example.com/", "", "", 1, created);
  EXPECT_EQ(created, "");
  created = "stale";
  CreateShortcut(Dir.Path() + "\\missing\\Tool", "C:\\windows\\notepad.exe", "", "", 1, created);
  EXPECT_EQ(created, "");
}

TEST_F(ShortcutsTest, UrlFileOnDisk) {
  std::string created;
  CreateShortcut(Dir.Path() + "\\Site", "HTTPS://Example.com/Page", "", "", 1, created);
  EXPECT_EQ(created, Dir.Path() + "\\Site.URL");
  EXPECT_EQ(ReadWholeFile(created), "[InternetShortcut]\r\nURL=HTTPS://Example.com/Page\r\n");
}

TEST(Shortcut, WithoutComTheObjectCannotBeMade) {
  // This thread has not initialised COM: the shell link cannot be created,
  // and that failure reaches the caller with the system's text.
  std::string created = "stale";
  try {
    CreateShortcut("C:\\x", "C:\\windows\\notepad.exe", "", "", 1, created);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STRNE(e.what(), "");
  }
  EXPECT_EQ(created, "");
}

}  // namespace
