#include "shell/ShellInstallLib.h"

#include <gtest/gtest.h>

#include "common/Errors.h"
#include "platform/testing/TestPlatform.h"
#include "shell/RunAndWaitUnit.h"

namespace {

using R = TRegRoot;
using T = TTestPlatform::TRegType;
const char* const ShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(ParentPath, EveryRow) {
  EXPECT_EQ(ParentPath("C:\\A\\B\\"), "C:\\A");
  EXPECT_EQ(ParentPath("C:\\A\\B"), "C:\\A");
  EXPECT_EQ(ParentPath("C:\\A"), "C:");
  EXPECT_EQ(ParentPath("C:\\"), "");
  EXPECT_EQ(ParentPath("A\\B"), "A");
  EXPECT_EQ(ParentPath("A\\"), "");
  EXPECT_EQ(ParentPath("A"), "");
  EXPECT_EQ(ParentPath(""), "");
  EXPECT_EQ(ParentPath("\\"), "");
  EXPECT_EQ(ParentPath("C:\\A\\\\"), "C:\\A");  // only one trailing "\" is ignored
}

TEST(PathText, TrailingAndDoubleBackslashes) {
  EXPECT_EQ(AddTrailingBackslash(""), "");
  EXPECT_EQ(AddTrailingBackslash("C:\\A"), "C:\\A\\");
  EXPECT_EQ(AddTrailingBackslash("C:\\A\\"), "C:\\A\\");
  // A network path keeps its leading pair: folding it would name the current drive.
  EXPECT_EQ(RemoveDoubleBackslashes("\\\\server\\\\share"), "\\\\server\\share");
  EXPECT_EQ(RemoveDoubleBackslashes("C:\\A\\\\\\B\\\\"), "C:\\A\\B\\");
  EXPECT_EQ(RemoveDoubleBackslashes("C:\\A\\B"), "C:\\A\\B");
}

class ShellInstallLibTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatform(&P); }
  void TearDown() override { SetPlatform(nullptr); }
  TTestPlatform P;
};

TEST_F(ShellInstallLibTest, FoldersComeFromTheirOwnScopeOnly) {
  P.SetRegValue(R::LocalMachine, ShellFolders, "Common Programs", T::String, "C:\\All\\Programs");
  P.SetRegValue(R::CurrentUser, ShellFolders, "Desktop", T::ExpandString,
                std::string("%USERPROFILE%\\Desktop\0junk", 26));
  EXPECT_EQ(GetProgramsFolder(AllUsers), "C:\\All\\Programs");
  EXPECT_EQ(GetProgramsFolder(CurrentUser), "");  // no fallback to all users
  EXPECT_EQ(GetDesktopFolder(AllUsers), "");      // no fallback to the user
  EXPECT_EQ(GetDesktopFolder(CurrentUser), "%USERPROFILE%\\Desktop");
  EXPECT_EQ(GetDesktopFolder(2), "");
  EXPECT_EQ(GetProgramFilesDir(), "");
  P.SetRegValue(R::LocalMachine, "software\\microsoft\\windows\\currentversion", "PROGRAMFILESDIR",
                T::String, "C:\\Program Files");
  EXPECT_EQ(GetProgramFilesDir(), "C:\\Program Files");
}

TEST_F(ShellInstallLibTest, NonStringValueRaisesNamingIt) {
  P.SetRegValue(R::LocalMachine, ShellFolders, "Common Desktop", T::DWord, "\x01\0\0\0");
  try {
    GetDesktopFolder(AllUsers);
    FAIL() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_NE(std::string(e.what()).find("Common Desktop"), std::string::npos) << e.what();
  }
}

TEST_F(ShellInstallLibTest, ProgramGroupIsAttemptedWithoutParents) {
  P.SetRegValue(R::LocalMachine, ShellFolders, "Common Programs", T::String, "C:\\Start\\Programs");
  // The programs folder itself is missing: the path comes back all the same.
  EXPECT_EQ(CreateProgramGroup("Tool", AllUsers), "C:\\Start\\Programs\\Tool");
  EXPECT_FALSE(P.DirectoryExists("C:\\Start\\Programs\\Tool"));
  P.ForceDirectories("C:\\Start\\Programs");
  EXPECT_EQ(CreateProgramGroup("Tool", AllUsers), "C:\\Start\\Programs\\Tool");
  EXPECT_TRUE(P.DirectoryExists("C:\\Start\\Programs\\Tool"));
  EXPECT_EQ(CreateProgramGroup("Tool", AllUsers), "C:\\Start\\Programs\\Tool");  // exists already
  // No programs folder at all: the group lands at the root of the current drive.
  EXPECT_EQ(CreateProgramGroup("Tool", CurrentUser), "\\Tool");
  EXPECT_TRUE(P.DirectoryExists("C:\\Tool"));
}

TEST_F(ShellInstallLibTest, RegisterUninstallerWritesBothValuesAndAbsorbsFailure) {
  RegisterUninstaller("Example", "Example (remove only)", "C:\\Apps\\Tool\\\\uninstall.exe");
  std::string key = std::string(UninstallKey) + "Example";
  ASSERT_NE(P.RegValue(R::LocalMachine, key, "DisplayName"), nullptr);
  EXPECT_EQ(P.RegValue(R::LocalMachine, key, "DisplayName")->Data, "Example (remove only)");
  EXPECT_EQ(P.RegValue(R::LocalMachine, key, "UninstallString")->Data,
            "C:\\Apps\\Tool\\\\uninstall.exe");

  P.RegWriteFails = true;
  EXPECT_NO_THROW(RegisterUninstaller("Other", "Other", "x"));
  EXPECT_FALSE(P.RegKeyExists(R::LocalMachine, std::string(UninstallKey) + "Other"));
}

TEST_F(ShellInstallLibTest, RunAndWaitGoesThroughThePlatform) {
  P.RunExitCodes = {3};
  EXPECT_EQ(RunAndWait("C:\\App\\setup.exe /quiet"), 3);
  EXPECT_EQ(P.ProgramsRun, std::vector<std::string>{"C:\\App\\setup.exe /quiet"});
}

// The elevated programs decide by these where they may act: anything that
// Windows could resolve to another place is refused, not normalised.
TEST(PathOperations, AbsolutePathsThatCouldLeadElsewhereAreRefused) {
  std::vector<std::string> parts;
  ASSERT_TRUE(SplitAbsolutePath("C:\\Apps\\\\Hello\\", parts));
  EXPECT_EQ(parts, (std::vector<std::string>{"C:", "Apps", "Hello"}));
  ASSERT_TRUE(SplitAbsolutePath("\\\\srv/share\\x", parts));
  EXPECT_EQ(parts, (std::vector<std::string>{"\\\\srv", "share", "x"}));
  for (const char* p : {"Apps\\x", "C:x", "\\x", "C:\\a\\..\\b", "C:\\a\\.. \\b", "C:\\a\\...\\b",
                        "C:\\a\\.\\b", "C:\\a:stream", "C:\\a\\*", "\\\\?\\C:\\a", "\\\\.\\C:\\a"})
    EXPECT_FALSE(SplitAbsolutePath(p, parts)) << p;

  EXPECT_TRUE(PathIsInside("c:/program files/X", "C:\\Program Files\\"));
  EXPECT_TRUE(PathIsInside("C:\\Program Files", "C:\\Program Files"));
  EXPECT_FALSE(PathIsInside("C:\\Program FilesX\\a", "C:\\Program Files"));
  EXPECT_FALSE(PathIsInside("C:\\Program Files\\..\\a", "C:\\Program Files"));
  EXPECT_FALSE(PathIsInside("C:\\a", ""));
}

}  // namespace
