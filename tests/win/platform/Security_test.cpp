// File security through the real calls. Wine keeps no descriptors of its own:
// it derives one from the Unix permission bits (the signed-in user owns every
// file) and maps a DACL it is given back onto those bits. So this shows the
// reading of a DACL and a folder made or re-permissioned without an error;
// which accounts a real Windows lets in is for Windows to show.
#include "platform/win32/Security.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "platform/win32/WinHeader.h"

namespace {

std::string TempFolder(const char* name) {
  char dir[MAX_PATH + 1];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + name;
}

TEST(Security, WritableForEveryoneIsSeenAndProtectionTakesItAway) {
  const std::string folder = TempFolder("bw-sec-test");
  RemoveDirectoryA(folder.c_str());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_FALSE(Platform().IsReparsePoint(folder));

  ASSERT_TRUE(ApplySddl(folder, "O:BAD:P(A;;FA;;;WD)"));
  EXPECT_TRUE(Platform().OthersCanWrite(folder));
  ASSERT_TRUE(Platform().ProtectFolder(folder));
  EXPECT_FALSE(Platform().OthersCanWrite(folder));
  EXPECT_TRUE(Platform().OthersCanWrite(folder + "\\missing"));  // unreadable: not trusted
  RemoveDirectoryA(folder.c_str());

  const std::string made = TempFolder("bw-sec-made");
  RemoveDirectoryA(made.c_str());
  ASSERT_TRUE(CreateFolderWithSddl(made, AdminOnlySddl));
  EXPECT_FALSE(CreateFolderWithSddl(made, AdminOnlySddl));  // never an existing one
  EXPECT_FALSE(Platform().OthersCanWrite(made));
  RemoveDirectoryA(made.c_str());
}

}  // namespace
