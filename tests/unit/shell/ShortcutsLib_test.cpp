#include "shell/ShortcutsLib.h"

#include <gtest/gtest.h>

#include "common/Errors.h"
#include "platform/testing/TestPlatform.h"

namespace {

TEST(IsURL, SchemesAtTheVeryStartInAnyCase) {
  for (const char* yes : {"http://x", "HTTP://x", "hTtPs://x", "ftp://host/f", "FTP://"})
    EXPECT_TRUE(IsURL(yes)) << yes;
  for (const char* no : {"", " http://x", "www.example.com", "mailto:a@b.c", "a@b.c",
                         "C:\\http://x", "http:/x", "https:x", "file://C:/x"})
    EXPECT_FALSE(IsURL(no)) << no;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&P);
    P.ForceDirectories("C:\\Folder");
  }
  void TearDown() override { SetPlatform(nullptr); }
  TTestPlatform P;
};

TEST_F(ShortcutsTest, UrlFileBytesReplaceAnOldFile) {
  P.WriteFileText("C:\\Folder\\Site.URL", "a much longer old file that must not survive\r\n");
  ASSERT_TRUE(WriteURLShortcut("Http://Example.com/A?b=C", "C:\\Folder\\Site.URL"));
  EXPECT_EQ(P.ReadFileText("C:\\Folder\\Site.URL"),
            "[InternetShortcut]\r\nURL=Http://Example.com/A?b=C\r\n");
  EXPECT_FALSE(WriteURLShortcut("http://x", "C:\\Missing\\Site.URL"));
}

TEST_F(ShortcutsTest, CreateShortcutNamesFilesByKind) {
  std::string created = "stale";
  CreateShortcut("C:\\Folder\\My Tool", "FTP://Files.example/", "C:\\ignored", "ignored", 3,
                 created);
  EXPECT_EQ(created, "C:\\Folder\\My Tool.URL");
  EXPECT_EQ(P.ReadFileText(created), "[InternetShortcut]\r\nURL=FTP://Files.example/\r\n");
  EXPECT_TRUE(P.ShellLinks.empty());

  CreateShortcut("C:\\Folder\\My Tool", "C:\\Apps\\tool.exe", "C:\\Apps\\", "Tool", 1, created);
  EXPECT_EQ(created, "C:\\Folder\\My Tool.LNK");
  CreateShortcut("C:\\Folder\\old.lnk", " http://x", "", "", 7, created);
  EXPECT_EQ(created, "C:\\Folder\\old.lnk.LNK");
  CreateShortcut("C:\\Folder\\empty", "", "", "", 1, created);
  EXPECT_EQ(created, "C:\\Folder\\empty.LNK");

  ASSERT_EQ(P.ShellLinks.size(), 3u);
  const auto& link = P.ShellLinks[0];
  EXPECT_EQ(link.File, "C:\\Folder\\My Tool.LNK");
  EXPECT_EQ(link.Target, "C:\\Apps\\tool.exe");
  EXPECT_EQ(link.WorkingDirectory, "C:\\Apps\\");
  EXPECT_EQ(link.Description, "Tool");
  EXPECT_EQ(link.ShowCmd, 1);
  EXPECT_EQ(P.ShellLinks[1].Target, " http://x");
  EXPECT_EQ(P.ShellLinks[1].ShowCmd, 7);
  EXPECT_EQ(P.ShellLinks[2].Target, "");
}

TEST_F(ShortcutsTest, SaveFailuresAreSwallowedCreationFailuresAreNot) {
  std::string created = "stale";
  CreateShortcut("C:\\Missing\\Site", "http://example.com", "", "", 1, created);
  EXPECT_EQ(created, "");
  CreateShortcut("C:\\Missing\\Tool", "C:\\tool.exe", "", "", 1, created);
  EXPECT_EQ(created, "");

  P.ShellLinkCreationFails = true;
  created = "stale";
  EXPECT_THROW(CreateShortcut("C:\\Folder\\Tool", "C:\\tool.exe", "", "", 1, created), Exception);
  EXPECT_EQ(created, "");
  CreateShortcut("C:\\Folder\\Site", "https://example.com", "", "", 1, created);  // no link object
  EXPECT_EQ(created, "C:\\Folder\\Site.URL");
}

}  // namespace
