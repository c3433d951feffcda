#include "uninstaller/Uninstaller.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/TestPlatform.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "uninstall_log/UninstallLog.h"

namespace {

const char* const Dir = "C:\\Apps\\Hello";
const char* const Exe = "C:\\Apps\\Hello\\uninstall.exe";
const char* const Group = "C:\\ProgramData\\Programs\\Hello";
const char* const Desktop = "C:\\Users\\Public\\Desktop\\Hello.lnk";
const std::string Key = std::string(UninstallKey) + "Hello";

// An installation of "Hello" into C:\Apps\Hello (only C:\ existed), laid
// out and logged the way the installation run does it.
class UninstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&P);
    P.ExeNameValue = Exe;
    P.ForceDirectories(Dir);
    P.ForceDirectories("C:\\ProgramData\\Programs");
    P.ForceDirectories("C:\\Users\\Public\\Desktop");
    const char* shellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    P.SetRegValue(TRegRoot::LocalMachine, shellFolders, "Common Programs",
                  TTestPlatform::TRegType::String, "C:\\ProgramData\\Programs");
    P.SetRegValue(TRegRoot::LocalMachine, shellFolders, "Common Desktop",
                  TTestPlatform::TRegType::String, "C:\\Users\\Public\\Desktop");
    TLogFile log(std::string(Dir) + "\\uninstall.log", true);
    log.AddTitle("Hello");
    log.AddDirectory(Dir, "Apps\\Hello");
    log.AddFile(std::string(Dir) + "\\uninstall.log");
    Install(log, "hello.exe");
    log.AddDirectory(std::string(Dir) + "\\data\\", "data\\");
    Install(log, "data\\greeting.txt");
    Install(log, "uninstall.exe");
    P.ForceDirectories(std::string(Dir) + "\\logs");
    log.AddDirectory(std::string(Dir) + "\\logs", "logs");
    P.ForceDirectories(Group);
    log.AddDirectory(Group, "Hello");
    P.WriteFileText(std::string(Group) + "\\Hello.lnk", "link");
    log.AddFile(std::string(Group) + "\\Hello.lnk");
    P.WriteFileText(Desktop, "link");
    log.AddFile(Desktop);
    P.SetRegValue(TRegRoot::LocalMachine, Key, "DisplayName", TTestPlatform::TRegType::String,
                  "Hello (remove only)");
    P.SetRegValue(TRegRoot::LocalMachine, Key, "UninstallString", TTestPlatform::TRegType::String,
                  Exe);

    // The program moves itself aside; here it simply goes.
    Hooks.RemoveSelf = [this](const std::string& path) {
      SelfRemovals.push_back(path);
      return P.DeleteFileAt(path);
    };
    Hooks.Progress = [this](int done, int total, const std::string& what) {
      Steps.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + what);
    };
  }
  void TearDown() override { SetPlatform(nullptr); }

  void Install(TLogFile& log, const std::string& name) {
    std::string path = std::string(Dir) + "\\" + name;
    P.WriteFileText(path, name);
    log.AddFile(path);
  }

  // Appends record lines to the log, as someone editing it would.
  void AddToLog(const std::vector<std::string>& lines) {
    std::string log = std::string(Dir) + "\\uninstall.log";
    std::string text = P.ReadFileText(log);
    for (const std::string& line : lines) text += line + "\r\n";
    P.WriteFileText(log, text);
  }
  // Replaces the folder at winPath by a symbolic link to target; where the
  // host has none (Wine), by a copy that the platform reports as a link.
  void MakeLink(const std::string& winPath, const std::string& target) {
    namespace fs = std::filesystem;
    fs::remove_all(P.HostPath(winPath));
    std::error_code ec;
    fs::create_directory_symlink(P.HostPath(target), P.HostPath(winPath), ec);
    if (!ec) return;
    fs::copy(P.HostPath(target), P.HostPath(winPath), fs::copy_options::recursive);
    P.ReparsePoints.push_back(winPath);
  }

  TTestPlatform P;
  TUninstallHooks Hooks;
  std::vector<std::string> SelfRemovals;
  std::vector<std::string> Steps;
};

TEST_F(UninstallerTest, RemovesEverythingNewestFirstAfterOneQuestion) {
  P.MessageBoxAnswers = {mb::IdYes};
  TUninstallResult r = RunUninstaller(Exe, false, Hooks);

  EXPECT_EQ(r.ExitCode, ExitRemoved);
  EXPECT_TRUE(r.LeftOver.empty());
  EXPECT_TRUE(r.SelfHeld.empty());
  EXPECT_FALSE(P.DirectoryExists("C:\\Apps"));
  EXPECT_FALSE(P.DirectoryExists(Group));
  EXPECT_FALSE(P.FileExists(Desktop));
  EXPECT_TRUE(P.DirectoryExists("C:\\ProgramData\\Programs"));
  EXPECT_TRUE(P.DirectoryExists("C:\\Users\\Public\\Desktop"));
  EXPECT_FALSE(P.RegKeyExists(TRegRoot::LocalMachine, Key));
  EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, "Software"));
  EXPECT_EQ(SelfRemovals, std::vector<std::string>{Exe});

  const std::vector<std::string> expected = {
      "0/12 C:\\Users\\Public\\Desktop\\Hello.lnk",
      "1/12 C:\\ProgramData\\Programs\\Hello\\Hello.lnk",
      "2/12 C:\\ProgramData\\Programs\\Hello",
      "3/12 C:\\Apps\\Hello\\logs",
      "4/12 C:\\Apps\\Hello\\uninstall.exe",
      "5/12 C:\\Apps\\Hello\\data\\greeting.txt",
      "6/12 C:\\Apps\\Hello\\data\\",
      "7/12 C:\\Apps\\Hello\\hello.exe",
      "8/12 C:\\Apps\\Hello\\uninstall.log",
      "9/12 C:\\Apps\\Hello",
      "10/12 Hello",
      "11/12 HKEY_LOCAL_MACHINE\\" + Key,
      "12/12 ",
  };
  EXPECT_EQ(Steps, expected);

  ASSERT_EQ(P.MessageBoxes.size(), 2u);
  EXPECT_EQ(P.MessageBoxes[0].Text,
            "Are you sure you want to completely remove Hello and all of its components?");
  EXPECT_EQ(P.MessageBoxes[0].Caption, "Uninstall Hello");
  EXPECT_EQ(P.MessageBoxes[0].Flags, mb::YesNo | mb::IconQuestion);
  EXPECT_EQ(P.MessageBoxes[1].Text, "Hello was successfully removed from your computer.");
  EXPECT_EQ(P.MessageBoxes[1].Flags, mb::OK | mb::IconInformation);
}

TEST_F(UninstallerTest, NoLeavesEverythingAsItWas) {
  P.MessageBoxAnswers = {mb::IdNo};
  bool shown = false;
  Hooks.ShowProgress = [&](const std::string&) { shown = true; };
  TUninstallResult r = RunUninstaller(Exe, false, Hooks);
  EXPECT_EQ(r.ExitCode, ExitIncomplete);
  EXPECT_FALSE(shown);
  EXPECT_EQ(P.MessageBoxes.size(), 1u);
  EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\uninstall.log"));
  EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, Key));
}

TEST_F(UninstallerTest, SilentAsksNothingShowsNothing) {
  bool shown = false;
  Hooks.ShowProgress = [&](const std::string&) { shown = true; };
  TUninstallResult r = RunUninstaller(Exe, true, Hooks);
  EXPECT_EQ(r.ExitCode, ExitRemoved);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(Steps.empty());
  EXPECT_TRUE(P.MessageBoxes.empty());
  EXPECT_FALSE(P.DirectoryExists("C:\\Apps"));
}

// An installer (or another uninstaller) of the product is running: it may
// be writing this log, so nothing is touched.
TEST_F(UninstallerTest, ARunningInstallationOfTheProductStopsIt) {
  P.LocksHeldElsewhere.insert(ProductLockName("HELLO"));
  EXPECT_EQ(RunUninstaller(Exe, false, Hooks).ExitCode, ExitIncomplete);
  ASSERT_EQ(P.MessageBoxes.size(), 1u);
  EXPECT_EQ(P.MessageBoxes[0].Text, AlreadyRunningMessage("Hello"));
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitIncomplete);
  EXPECT_EQ(P.MessageBoxes.size(), 1u);
  EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, Key));

  P.LocksHeldElsewhere.clear();
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitRemoved);
  EXPECT_EQ(P.HeldLocks, std::set<std::string>{ProductLockName("Hello")});
}

TEST_F(UninstallerTest, UserFilesSurviveWithTheirFoldersAndAreReported) {
  P.WriteFileText(std::string(Dir) + "\\notes.txt", "mine");
  P.WriteFileText(std::string(Dir) + "\\data\\my.dat", "mine too");
  P.WriteFileText("C:\\Apps\\Other\\tool.exe", "another product");
  P.MessageBoxAnswers = {mb::IdYes};
  TUninstallResult r = RunUninstaller(Exe, false, Hooks);

  EXPECT_EQ(r.ExitCode, ExitIncomplete);
  EXPECT_EQ(P.ReadFileText(std::string(Dir) + "\\notes.txt"), "mine");
  EXPECT_EQ(P.ReadFileText(std::string(Dir) + "\\data\\my.dat"), "mine too");
  EXPECT_TRUE(P.FileExists("C:\\Apps\\Other\\tool.exe"));
  EXPECT_FALSE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  EXPECT_FALSE(P.FileExists(std::string(Dir) + "\\uninstall.log"));
  EXPECT_FALSE(P.DirectoryExists(std::string(Dir) + "\\logs"));
  EXPECT_FALSE(P.RegKeyExists(TRegRoot::LocalMachine, Key));
  // Each folder once, although the log names the data folder with a "\".
  const std::vector<std::string> left = {"C:\\Apps\\Hello\\data\\", "C:\\Apps\\Hello", "C:\\Apps"};
  EXPECT_EQ(r.LeftOver, left);
  ASSERT_EQ(P.MessageBoxes.size(), 2u);
  EXPECT_NE(P.MessageBoxes[1].Text.find("could not be removed:\r\rC:\\Apps\\Hello\\data\\\r"),
            std::string::npos);
  EXPECT_EQ(P.MessageBoxes[1].Flags, mb::OK | mb::IconExclamation);
}

// The log may name anything; only the installation's own places are touched.
TEST_F(UninstallerTest, NothingOutsideTheInstallationsPlacesIsDeleted) {
  const std::vector<std::string> outside = {
      "C:\\Windows\\system.ini",                      // anywhere
      "C:\\Apps\\Hello\\..\\Other\\tool.exe",         // out by ".."
      "C:\\Apps\\HelloWorld\\app.exe",                // a sibling sharing the prefix
      "C:\\ProgramData\\Programs\\Other\\Other.lnk",  // another product's group
      "C:\\ProgramData\\Programs\\Other.lnk",         // the programs folder itself
      "C:\\Users\\Public\\Desktop\\notes.txt",        // not a shortcut
      "C:\\Users\\Public\\Desktop\\Work\\Other.lnk",  // below the desktop
  };
  std::vector<std::string> records;
  for (const std::string& f : outside) {
    P.WriteFileText(f, "keep");
    records.push_back("File: " + f);
  }
  P.ForceDirectories("C:\\Windows\\Empty");
  records.push_back("Directory: Windows\\Empty;C:\\Windows\\Empty");
  AddToLog(records);

  TUninstallResult r = RunUninstaller(Exe, true, Hooks);
  EXPECT_EQ(r.ExitCode, ExitIncomplete);
  for (const std::string& f : outside) EXPECT_EQ(P.ReadFileText(f), "keep") << f;
  EXPECT_TRUE(P.DirectoryExists("C:\\Windows\\Empty"));
  // What it would not touch is reported (with C:\Apps, which holds some of
  // it), and the rest of the installation is gone.
  EXPECT_EQ(r.LeftOver.size(), outside.size() + 2);
  EXPECT_FALSE(P.DirectoryExists(Dir));
  EXPECT_FALSE(P.DirectoryExists(Group));
  EXPECT_FALSE(P.FileExists(Desktop));
}

// A junction or symbolic link swapped in anywhere below an allowed place is
// never deleted through: here real links, which the host would follow.
TEST_F(UninstallerTest, NothingIsDeletedThroughALink) {
  P.WriteFileText("C:\\Secret\\greeting.txt", "system file");
  P.WriteFileText("C:\\Secret2\\Hello.lnk", "someone's link");
  MakeLink(std::string(Dir) + "\\data", "C:\\Secret");
  MakeLink(Group, "C:\\Secret2");

  TUninstallResult r = RunUninstaller(Exe, true, Hooks);
  EXPECT_EQ(r.ExitCode, ExitIncomplete);
  EXPECT_EQ(P.ReadFileText("C:\\Secret\\greeting.txt"), "system file");
  EXPECT_EQ(P.ReadFileText("C:\\Secret2\\Hello.lnk"), "someone's link");
  EXPECT_FALSE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  const std::vector<std::string> left = {Group + std::string("\\Hello.lnk"), Group,
                                         std::string(Dir) + "\\data\\greeting.txt",
                                         std::string(Dir) + "\\data\\"};
  for (const std::string& item : left)
    EXPECT_NE(std::find(r.LeftOver.begin(), r.LeftOver.end(), item), r.LeftOver.end()) << item;

  // The installation folder itself swapped for a link: nothing below it goes.
  SetUp();
  std::filesystem::rename(P.HostPath(Dir), P.HostPath("C:\\Real"));
  MakeLink(Dir, "C:\\Real");
  TUninstaller u(std::string(Dir) + "\\uninstall.log");
  u.Run();
  EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  EXPECT_TRUE(P.FileExists("C:\\Real\\hello.exe"));
  EXPECT_TRUE(P.FileExists("C:\\Real\\data\\greeting.txt"));
}

// Elevated, the uninstaller acts on nothing that others could have changed.
TEST_F(UninstallerTest, RefusesWhenOthersCanWriteTheLogOrTheFolder) {
  const std::string log = std::string(Dir) + "\\uninstall.log";
  for (const auto& [open, shown] :
       {std::pair{log, log}, std::pair{std::string("c:\\apps\\hello"), std::string(Dir)}}) {
    P.WritableByOthers = {open};
    P.MessageBoxes.clear();
    TUninstallResult r = RunUninstaller(Exe, false, Hooks);
    EXPECT_EQ(r.ExitCode, ExitUnsafe);
    ASSERT_EQ(P.MessageBoxes.size(), 1u);  // no question first
    EXPECT_EQ(P.MessageBoxes[0].Text.rfind("The uninstaller will not run, because users who are "
                                           "not administrators can change\r\r" +
                                               shown + "\r\r",
                                           0),
              0u);
    EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\hello.exe"));
    EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, Key));
    EXPECT_TRUE(SelfRemovals.empty());
  }
  P.MessageBoxes.clear();
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitUnsafe);
  EXPECT_TRUE(P.MessageBoxes.empty());
}

TEST_F(UninstallerTest, MissingLogIsReportedAndTouchesNothing) {
  P.DeleteFileAt(std::string(Dir) + "\\uninstall.log");
  TUninstallResult r = RunUninstaller(Exe, false, Hooks);
  EXPECT_EQ(r.ExitCode, ExitNoLog);
  ASSERT_EQ(P.MessageBoxes.size(), 1u);
  EXPECT_EQ(P.MessageBoxes[0].Text.rfind("Uninstall log file not found.\r\r", 0), 0u);
  EXPECT_NE(P.MessageBoxes[0].Text.find("C:\\Apps\\Hello\\uninstall.log"), std::string::npos);
  EXPECT_TRUE(P.FileExists(std::string(Dir) + "\\hello.exe"));
  EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, Key));

  P.MessageBoxes.clear();
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitNoLog);
  EXPECT_TRUE(P.MessageBoxes.empty());
}

TEST_F(UninstallerTest, ARegistrationTakenOverByAnotherInstallationStays) {
  P.SetRegValue(TRegRoot::LocalMachine, Key, "UninstallString", TTestPlatform::TRegType::String,
                "\"D:\\Other Place\\Hello\\uninstall.exe\"");
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitRemoved);
  EXPECT_TRUE(P.RegKeyExists(TRegRoot::LocalMachine, Key));

  // A quoted command in other letter case and with a doubled "\" is ours.
  SetUp();
  P.SetRegValue(TRegRoot::LocalMachine, Key, "UninstallString", TTestPlatform::TRegType::String,
                "\"c:\\apps\\hello\\\\UNINSTALL.EXE\"");
  EXPECT_EQ(RunUninstaller(Exe, true, Hooks).ExitCode, ExitRemoved);
  EXPECT_FALSE(P.RegKeyExists(TRegRoot::LocalMachine, Key));
}

TEST(UninstallerRegistration, ABlankTitleNeverNamesTheUninstallKeyItself) {
  TTestPlatform p;
  SetPlatform(&p);
  p.ForceDirectories("C:\\App");
  const std::string sibling = std::string(UninstallKey) + "Someone Else";
  p.SetRegValue(TRegRoot::LocalMachine, sibling, "UninstallString", TTestPlatform::TRegType::String,
                "");
  for (const char* title : {"", "  ", "Vendor\\", "\\Hello", "A\\\\B"}) {
    {
      TLogFile log("C:\\App\\uninstall.log", true);
      log.AddRecord(std::string("Title: ") + title);
    }
    TUninstaller u("C:\\App\\uninstall.log");
    EXPECT_EQ(u.RegistrationKey(), "") << '"' << title << '"';
    u.Run();
    EXPECT_TRUE(p.RegKeyExists(TRegRoot::LocalMachine, sibling)) << '"' << title << '"';
  }
  SetPlatform(nullptr);
}

TEST_F(UninstallerTest, AFileThatCannotMoveIsLeftForAfterExit) {
  // Another volume: the running program's file stays where it is, and with it
  // the folders above it, until the program has ended.
  Hooks.RemoveSelf = [](const std::string&) { return false; };
  TUninstallResult r = RunUninstaller(Exe, true, Hooks);
  EXPECT_EQ(r.ExitCode, ExitRemoved);
  EXPECT_TRUE(r.LeftOver.empty());
  EXPECT_EQ(r.SelfHeld, (std::vector<std::string>{Exe, Dir, "C:\\Apps"}));
  EXPECT_TRUE(P.FileExists(Exe));
  EXPECT_FALSE(P.FileExists(std::string(Dir) + "\\hello.exe"));
}

TEST(UninstallerPaths, SelfHeldAreOnlyTheFileAndTheFoldersAboveIt) {
  EXPECT_TRUE(SamePath("C:\\App\\\\x.exe", "c:/app/X.EXE"));
  EXPECT_TRUE(SamePath("C:\\App\\", "C:\\App"));
  EXPECT_FALSE(SamePath("C:\\App", "C:\\Apps"));

  std::vector<std::string> stays, held;
  SplitSelfHeld({"C:\\App\\u.exe", "C:\\App\\data\\", "C:\\Apps", "C:\\App\\"}, "C:\\App\\u.exe",
                stays, held);
  EXPECT_EQ(stays, (std::vector<std::string>{"C:\\App\\data\\", "C:\\Apps"}));
  EXPECT_EQ(held, (std::vector<std::string>{"C:\\App\\u.exe", "C:\\App\\"}));
  // Without the file itself among them, nothing is held by it.
  SplitSelfHeld({"C:\\App\\"}, "C:\\App\\u.exe", stays, held);
  EXPECT_EQ(stays, std::vector<std::string>{"C:\\App\\"});
  EXPECT_TRUE(held.empty());
}

}  // namespace
