// Removal after exit under Wine: the hidden remover deletes the file, and the
// name is not left in the boot-time delete list, where it would also delete
// whatever a later installation puts there before the next restart.
#include "uninstaller/SelfRemoval.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WinHeader.h"

namespace {

std::string PendingBootDeletes() {
  char data[32768] = {};
  DWORD size = sizeof data - 2;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                   "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data,
                   &size) != ERROR_SUCCESS)
    return {};
  std::string text(data, size);
  for (char& c : text)
    if (c == '\0') c = '\n';
  return text;
}

TEST(SelfRemoval, RemoverDeletesWithoutBootTimeEntry) {
  char dir[MAX_PATH + 1], name[MAX_PATH + 1];
  ASSERT_GT(GetTempPathA(sizeof dir, dir), 0u);
  ASSERT_NE(GetTempFileNameA(dir, "bwr", 0, name), 0u);
  const std::string file = name;
  const std::string base = file.substr(file.find_last_of('\\') + 1);

  RemoveAfterExit({file}, {});
  for (int i = 0; i < 150 && GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << file << " is still there";
  EXPECT_EQ(PendingBootDeletes().find(base), std::string::npos) << PendingBootDeletes();
  DeleteFileA(name);
}

// The file goes into a new folder of its own on its volume, a different one
// each time, and the remover takes the file and that folder.
TEST(SelfRemoval, MovesIntoAFreshFolderThatTheRemoverTakesAway) {
  char dir[MAX_PATH + 1];
  ASSERT_GT(GetTempPathA(sizeof dir, dir), 0u);
  const std::string app = std::string(dir) + "bwr-app";
  CreateDirectoryA(app.c_str(), nullptr);
  std::string moved[2], folders[2];
  for (int i = 0; i < 2; ++i) {
    const std::string self = app + "\\uninstall.exe";
    HANDLE f = CreateFileA(self.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    ASSERT_TRUE(MoveSelfAside(self, moved[i], folders[i]));
    EXPECT_EQ(GetFileAttributesA(self.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(moved[i], folders[i] + "\\uninstall.exe");
    EXPECT_NE(GetFileAttributesA(moved[i].c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(folders[i].substr(folders[i].find_last_of('\\') + 1, 4), "bwu-");
  }
  EXPECT_NE(folders[0], folders[1]);
  RemoveAfterExit({moved[0], moved[1]}, {folders[0], folders[1]});
  for (int i = 0; i < 150 && GetFileAttributesA(folders[1].c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
  for (const std::string& f : folders)
    EXPECT_EQ(GetFileAttributesA(f.c_str()), INVALID_FILE_ATTRIBUTES) << f << " is still there";
  RemoveDirectoryA(app.c_str());
}

}  // namespace
