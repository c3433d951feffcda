// The test double carries logic of its own (path mapping, the registry's
// rules, scripted answers); the engine's tests rely on it being right.
#include "platform/testing/TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/Errors.h"

namespace fs = std::filesystem;

namespace {

using R = TRegRoot;

TEST(TestPlatform, DrivePathsMapBelowTheRoot) {
  TTestPlatform p;
  const fs::path c = p.Root() / "C";
  EXPECT_EQ(fs::path(p.HostPath("C:\\Apps\\x")), c / "Apps" / "x");
  EXPECT_EQ(fs::path(p.HostPath("c:/Apps/x")), c / "Apps" / "x");
  EXPECT_EQ(fs::path(p.HostPath("C:\\Apps\\\\x\\")), c / "Apps" / "x");
  EXPECT_EQ(fs::path(p.HostPath("C:\\Apps\\.\\y\\..\\x")), c / "Apps" / "x");
  EXPECT_EQ(fs::path(p.HostPath("C:\\")), c);
  EXPECT_EQ(fs::path(p.HostPath("\\Apps")), c / "Apps");
  EXPECT_EQ(fs::path(p.HostPath("x\\y")), c / "x" / "y");
  p.SetCurrentDir("C:\\Work");
  EXPECT_EQ(fs::path(p.HostPath("x")), c / "Work" / "x");
  EXPECT_EQ(p.CurrentDir(), "C:\\Work");
  EXPECT_TRUE(p.DirectoryExists("C:\\"));
  EXPECT_TRUE(fs::is_directory(c));
}

TEST(TestPlatform, MissingDrivesAndEmptyPathsNeverExist) {
  TTestPlatform p;
  EXPECT_FALSE(p.DirectoryExists("D:\\"));
  EXPECT_FALSE(p.ForceDirectories("D:\\Apps"));
  EXPECT_FALSE(p.DirectoryExists("D:\\Apps"));
  EXPECT_THROW(p.OpenFile("D:\\a.txt", TFileMode::Create), EInOutError);
  EXPECT_FALSE(p.ForceDirectories(""));
  EXPECT_FALSE(p.DirectoryExists(""));
  p.AddDrive('d');
  EXPECT_TRUE(p.ForceDirectories("D:\\Apps"));
  EXPECT_TRUE(p.DirectoryExists("d:\\apps\\..\\Apps"));
  // A drive's root survives any attempt to remove it.
  EXPECT_FALSE(p.RemoveDir("D:\\"));
  EXPECT_TRUE(p.RemoveDir("D:\\Apps\\"));
  EXPECT_FALSE(p.RemoveDir("D:\\"));
  EXPECT_TRUE(p.DirectoryExists("D:\\"));
}

TEST(TestPlatform, FilesRoundTripAndRootIsRemoved) {
  fs::path root;
  {
    TTestPlatform p;
    root = p.Root();
    p.WriteFileText("C:\\A\\b.txt", "bytes\r\n");
    EXPECT_TRUE(p.FileExists("C:\\A\\b.txt"));
    EXPECT_FALSE(p.FileExists("C:\\A"));
    EXPECT_EQ(p.ReadFileText("c:/a/../A/b.txt"), "bytes\r\n");
    EXPECT_FALSE(p.RemoveDir("C:\\A"));  // not empty
    EXPECT_TRUE(p.DeleteFileAt("C:\\A\\b.txt"));
    EXPECT_TRUE(p.RemoveDir("C:\\A"));
    EXPECT_FALSE(p.CreateDir("C:\\X\\Y"));  // one level only
    EXPECT_TRUE(p.CreateDir("C:\\X"));
  }
  EXPECT_FALSE(fs::exists(root));
}

TEST(TestPlatform, RegistryIsCaseInsensitiveTypedAndTreeShaped) {
  TTestPlatform p;
  EXPECT_TRUE(p.RegWriteString(R::LocalMachine, "Software\\A\\B", "Name", "v"));
  EXPECT_TRUE(p.RegKeyExists(R::LocalMachine, "software\\a"));  // parents come into being
  EXPECT_FALSE(p.RegKeyExists(R::CurrentUser, "Software\\A"));
  EXPECT_EQ(p.RegReadString(R::LocalMachine, "SOFTWARE\\a\\b", "NAME"), "v");
  EXPECT_EQ(p.RegReadString(R::LocalMachine, "Software\\A\\B", "Other"), "");
  p.SetRegValue(R::LocalMachine, "Software\\A\\B", "Count", TTestPlatform::TRegType::DWord, "1");
  EXPECT_THROW(p.RegReadString(R::LocalMachine, "Software\\A\\B", "Count"), ERegistryException);
  p.SetRegValue(R::LocalMachine, "Software\\A\\B", "Blank", TTestPlatform::TRegType::Binary, "");
  EXPECT_EQ(p.RegReadString(R::LocalMachine, "Software\\A\\B", "Blank"), "");
  p.RegWriteString(R::LocalMachine, "Software\\AB", "Name", "sibling");
  EXPECT_TRUE(p.RegDeleteTree(R::LocalMachine, "Software\\A"));
  EXPECT_FALSE(p.RegKeyExists(R::LocalMachine, "Software\\A\\B"));
  EXPECT_EQ(p.RegReadString(R::LocalMachine, "Software\\AB", "Name"), "sibling");
  EXPECT_FALSE(p.RegDeleteTree(R::LocalMachine, "Software\\A"));
}

TEST(TestPlatform, ScriptedAnswers) {
  TTestPlatform p;
  EXPECT_EQ(p.MessageBox("q", "c", mb::YesNo | mb::IconQuestion), mb::IdNo);
  EXPECT_EQ(p.MessageBox("n", "c", mb::OK | mb::IconInformation), mb::IdOk);
  p.DefaultYesNoAnswer = mb::IdYes;
  p.MessageBoxAnswers = {mb::IdCancel};
  EXPECT_EQ(p.MessageBox("a", "c", mb::YesNo), mb::IdCancel);
  EXPECT_EQ(p.MessageBox("b", "c", mb::YesNo), mb::IdYes);
  ASSERT_EQ(p.MessageBoxes.size(), 4u);
  EXPECT_EQ(p.MessageBoxes[0].Flags, mb::YesNo | mb::IconQuestion);

  p.SetFreeSpace('c', 1234);
  EXPECT_EQ(p.DiskFree(3), 1234);
  EXPECT_EQ(p.DiskFree(0), 1234);  // the current drive is C:
  EXPECT_EQ(p.DiskFree(4), -1);
  EXPECT_EQ(p.DiskFree(27), -1);

  int clicks = 0;
  p.OnProcessMessages = [&] { ++clicks; };
  p.ProcessMessages();
  p.ProcessMessages();
  EXPECT_EQ(p.ProcessMessagesCount, 2);
  EXPECT_EQ(clicks, 2);

  p.RunExitCodes = {5};
  EXPECT_EQ(p.RunAndWait("a"), 5);
  EXPECT_EQ(p.RunAndWait("b"), 0);
}

}  // namespace
