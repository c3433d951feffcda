// The installation run: log records, directories, files, shortcuts, the
// registration, programs run, progress, and the final step.
#include <algorithm>

#include "EngineFixture.h"
#include "shell/ShellInstallLib.h"

using Records = std::vector<std::string>;

namespace {
const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example";
}

TEST_F(EngineTest, RecordsOfADirectoryTwoLevelsMissing) {
  Start(
      "[title]\r\nExample\r\n\r\n[defaultdir]\r\nVendor\\App\r\n\r\n"
      "[files]\r\na;a.exe\r\nb;doc\\b.txt\r\nc;doc\\c.txt\r\nd;data\\\\x.bmp\r\n\r\n"
      "[program group]\r\nExample\r\n\r\n[group "
      "icons]\r\nExample;a.exe\r\nSite;HTTP://Example.com/\r\n",
      {{"a", "AAA"}, {"b", "BBB"}, {"c", "CCC"}, {"d", "DDD"}});
  EXPECT_EQ(W().edtLocation.Text(), "C:\\Program Files\\Vendor\\App");
  W().btnNext.Click();
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(InstallDir, "C:\\Program Files\\Vendor\\App");

  const std::string dir = "C:\\Program Files\\Vendor\\App";
  EXPECT_EQ(LogRecords(dir + "\\uninstall.log"),
            (Records{"Title: Example", "Directory: Vendor\\App;" + dir,
                     "File: " + dir + "\\uninstall.log", "File: " + dir + "\\a.exe",
                     "Directory: doc\\;" + dir + "\\doc\\", "File: " + dir + "\\doc\\b.txt",
                     "File: " + dir + "\\doc\\c.txt",
                     // The directory is made without the doubled "\"; the file as written.
                     "Directory: data\\;" + dir + "\\data\\", "File: " + dir + "\\data\\\\x.bmp",
                     "Directory: Example;C:\\Menu\\Example", "File: C:\\Menu\\Example\\Example.LNK",
                     "File: C:\\Menu\\Example\\Site.URL"}));
  EXPECT_EQ(plat.ReadFileText(dir + "\\doc\\c.txt"), "CCC");
  EXPECT_EQ(plat.ReadFileText(dir + "\\data\\x.bmp"), "DDD");
  EXPECT_TRUE(plat.ProtectedFolders.empty());  // Program Files protects them already

  // Group icons of both kinds.
  ASSERT_EQ(plat.ShellLinks.size(), 1u);
  EXPECT_EQ(plat.ShellLinks[0].File, "C:\\Menu\\Example\\Example.LNK");
  EXPECT_EQ(plat.ShellLinks[0].Target, dir + "\\a.exe");
  EXPECT_EQ(plat.ShellLinks[0].WorkingDirectory, dir + "\\");
  EXPECT_EQ(plat.ShellLinks[0].Description, "");
  EXPECT_EQ(plat.ShellLinks[0].ShowCmd, 1);
  EXPECT_EQ(plat.ReadFileText("C:\\Menu\\Example\\Site.URL"),
            "[InternetShortcut]\r\nURL=HTTP://Example.com/\r\n");

  // The registration, without a record of its own; no blank, so no quotes.
  ASSERT_NE(plat.RegValue(TRegRoot::LocalMachine, kUninstallKey, "DisplayName"), nullptr);
  EXPECT_EQ(plat.RegValue(TRegRoot::LocalMachine, kUninstallKey, "DisplayName")->Data,
            "Example (remove only)");
}

TEST_F(EngineTest, ExistingDirectoryGetsNoRecordAndDirectoriesSectionIsLogged) {
  plat.ForceDirectories("C:\\App");
  plat.ForceDirectories("C:\\App\\conf\\old");
  Start(
      "[title]\r\nExample\r\n\r\n[files]\r\na;a.exe\r\n\r\n"
      "[directories]\r\nconf;cache\\tmp\r\nlogs\r\n;top\r\n\r\n[group icons]\r\n",
      {{"a", "AAA"}});
  GoToLocation("C:\\App");
  W().btnNext.Click();
  EXPECT_EQ(
      LogRecords("C:\\App\\uninstall.log"),
      (Records{"Title: Example", "File: C:\\App\\uninstall.log",
               "Directory: cache\\tmp;C:\\App\\conf\\cache\\tmp", "Directory: logs;C:\\App\\logs",
               "Directory: top;C:\\App\\top", "File: C:\\App\\a.exe", "Directory: ;C:\\Menu\\"}));
  EXPECT_TRUE(plat.DirectoryExists("C:\\App\\conf\\cache\\tmp"));
  EXPECT_TRUE(plat.DirectoryExists("C:\\App\\logs"));
  EXPECT_TRUE(plat.ProtectedFolders.empty());  // not ours to re-permission
}

TEST_F(EngineTest, NewFoldersOutsideProgramFilesGetItsProtection) {
  Start("[title]\r\nExample\r\n\r\n[files]\r\na;a\r\n\r\n[group icons]\r\n", {{"a", "AAA"}});
  plat.ForceDirectories("C:\\Base");
  plat.ProtectFolderFails = true;
  GoToLocation("C:\\Base\\New\\Tool");
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_NE(plat.MessageBoxes[0].Text.find("permissions cannot be limited to administrators"),
            std::string::npos);
  EXPECT_FALSE(Exists("C:\\Base\\New"));
  EXPECT_EQ(PageIndex, 2);

  plat.ProtectFolderFails = false;
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(plat.ProtectedFolders, (Records{"C:\\Base\\New", "C:\\Base\\New\\Tool"}));
}

TEST_F(EngineTest, UninstallCommandIsQuotedOnlyWithABlank) {
  EXPECT_EQ(UninstallCommand("C:\\App"), "C:\\App\\uninstall.exe");
  EXPECT_EQ(UninstallCommand("C:\\App\\"), "C:\\App\\\\uninstall.exe");
  EXPECT_EQ(UninstallCommand("C:\\Program Files\\App"),
            "\"C:\\Program Files\\App\\uninstall.exe\"");

  Start("[title]\r\nExample\r\n\r\n[files]\r\n\r\n[group icons]\r\n");
  GoToLocation("C:\\My Apps\\Ex\\");
  W().btnNext.Click();
  const TTestPlatform::TRegValue* v =
      plat.RegValue(TRegRoot::LocalMachine, kUninstallKey, "UninstallString");
  ASSERT_NE(v, nullptr);
  // The folder as the run uses it is canonical: no trailing "\".
  EXPECT_EQ(v->Data, "\"C:\\My Apps\\Ex\\uninstall.exe\"");
  EXPECT_EQ(LogRecords("C:\\My Apps\\Ex\\uninstall.log")[1],
            "Directory: My Apps\\Ex;C:\\My Apps\\Ex");
}

TEST_F(EngineTest, RunAndWaitResolvesTheProgramInsideTheInstallationDirectory) {
  plat.WriteFileText("C:\\My Apps\\Tool\\setup2.exe", "x");
  plat.WriteFileText("C:\\My Apps\\Tool\\my tool.exe", "x");
  // The first blank-separated word when nothing longer names a file.
  EXPECT_EQ(RunAndWaitCommand("C:\\My Apps\\Tool", "setup2.exe /q /x"),
            "\"C:\\My Apps\\Tool\\setup2.exe\" /q /x");
  EXPECT_EQ(RunAndWaitCommand("C:\\My Apps\\Tool\\", "missing.exe -a"),
            "\"C:\\My Apps\\Tool\\missing.exe\" -a");
  // A program name with a blank, found inside the directory.
  EXPECT_EQ(RunAndWaitCommand("C:\\My Apps\\Tool", "my tool.exe --go now"),
            "\"C:\\My Apps\\Tool\\my tool.exe\" --go now");
  EXPECT_EQ(RunAndWaitCommand("C:\\My Apps\\Tool", "setup2.exe"),
            "\"C:\\My Apps\\Tool\\setup2.exe\"");
}

TEST_F(EngineTest, RunAndWaitLinesRunInOrderWithTheirLabels) {
  Start(
      "[title]\r\nExample\r\n\r\n[files]\r\ns;setup2.exe\r\n\r\n[group icons]\r\n\r\n"
      "[run and wait]\r\nsetup2.exe /q\r\nother.exe\r\n",
      {{"s", "prog"}});
  GoToLocation("C:\\Program Files\\Ex");
  std::vector<std::string> labelsAtPump;
  plat.OnProcessMessages = [&] {
    if (PageIndex == 4) labelsAtPump.push_back(W().lblCompleting.Caption());
  };
  W().btnNext.Click();
  EXPECT_EQ(labelsAtPump, (Records{"Running external program setup2.exe /q...",
                                   "Running external program other.exe..."}));
  EXPECT_EQ(plat.ProgramsRun, (Records{"\"C:\\Program Files\\Ex\\setup2.exe\" /q",
                                       "\"C:\\Program Files\\Ex\\other.exe\""}));
  EXPECT_EQ(plat.BringToFrontCount, 1);
  EXPECT_EQ(PageIndex, 5);
}

TEST_F(EngineTest, ProgressBarsAndPumpPoints) {
  Start("[files]\r\na;a\r\nb;b\r\nc;c\r\n\r\n[group icons]\r\n",
        {{"a", "1"}, {"b", Incompressible(200000)}, {"c", ""}});
  GoToLocation("C:\\App");
  TRecorder rec;
  rec.Watch(W().prgTotal);
  rec.Watch(W().lblInstallingFile);
  plat.OnProcessMessages = [&] { rec.Events.push_back("pump"); };
  W().btnNext.Click();

  // Pumps: after the range, after each label, after each progress report and
  // after each step of the total bar; nothing in between.
  std::vector<std::string> ev;
  for (const std::string& e : rec.Events)
    if (e != "pump" || ev.empty() || ev.back() != "pump*") ev.push_back(e == "pump" ? "pump*" : e);
  ASSERT_GE(ev.size(), 10u);
  EXPECT_EQ(ev[0], "prgTotal=0..2@0");
  EXPECT_EQ(ev[1], "pump*");
  EXPECT_EQ(ev[2], "lblInstallingFile=Extracting a...");
  EXPECT_EQ(ev[3], "pump*");  // the label, then the progress reports
  EXPECT_EQ(ev[4], "prgTotal=0..2@1");
  EXPECT_EQ(ev[5], "pump*");
  EXPECT_EQ(ev[6], "lblInstallingFile=Extracting b...");
  EXPECT_EQ(ev[7], "pump*");
  EXPECT_EQ(ev[8], "prgTotal=0..2@2");
  EXPECT_EQ(ev[9], "pump*");
  EXPECT_EQ(ev[10], "lblInstallingFile=Extracting c...");
  // The last step is held at the maximum.
  EXPECT_EQ(W().prgTotal.Position(), 2);
  EXPECT_EQ(W().prgFile.Max(), 0);  // the last file was empty
  EXPECT_EQ(PageIndex, 5);
}

TEST_F(EngineTest, FileProgressFollowsTheReader) {
  Start("[files]\r\nb;b\r\n\r\n[group icons]\r\n", {{"b", Incompressible(300000)}});
  GoToLocation("C:\\App");
  std::vector<std::pair<int, int>> seen;
  plat.OnProcessMessages = [&] {
    if (Extracting) seen.push_back({W().prgFile.Position(), W().prgFile.Max()});
  };
  W().btnNext.Click();
  ASSERT_GE(seen.size(), 3u);  // several chunks
  for (auto [pos, max] : seen) EXPECT_EQ(max, 300000);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back().first, 300000);
}

TEST_F(EngineTest, EmptyFilesAndMissingGroupIconsInstallNothingAndGoOn) {
  Start("[title]\r\nExample\r\n\r\n[files]\r\n\r\n[program group]\r\nEx\r\n");
  GoToLocation("C:\\App");
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(W().prgTotal.Min(), 0);
  EXPECT_EQ(W().prgTotal.Max(), 0);
  EXPECT_EQ(LogRecords("C:\\App\\uninstall.log"),
            (Records{"Title: Example", "Directory: App;C:\\App", "File: C:\\App\\uninstall.log",
                     "Directory: Ex;C:\\Menu\\Ex"}));
  EXPECT_TRUE(plat.ShellLinks.empty());
}

TEST_F(EngineTest, FinishWithBothBoxesTicked) {
  Start(
      "[title]\r\nExample\r\n\r\n[files]\r\na;app.exe\r\n\r\n[program group]\r\nEx\r\n\r\n"
      "[group icons]\r\n\r\n[desktop icons]\r\nApp;app.exe\r\nWeb;https://example.com\r\n\r\n"
      "[launch]\r\napp.exe\r\n",
      {{"a", "AAA"}});
  GoToLocation("C:\\App");
  W().btnNext.Click();
  ASSERT_EQ(PageIndex, 5);
  EXPECT_FALSE(CloseConfirmed);
  W().btnFinish.Click();

  Records records = LogRecords("C:\\App\\uninstall.log");
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[records.size() - 2], "File: C:\\Desktop\\App.LNK");
  EXPECT_EQ(records.back(), "File: C:\\Desktop\\Web.URL");
  // No desktop shell to take it (as under Wine): the installer's own call.
  EXPECT_TRUE(plat.UserShellOpens.empty());
  ASSERT_EQ(plat.ShellOpens.size(), 1u);
  EXPECT_EQ(plat.ShellOpens[0].File, "C:\\App\\app.exe");
  EXPECT_EQ(plat.ShellOpens[0].Parameters, "");
  EXPECT_EQ(plat.ShellOpens[0].Directory, "C:\\App");
  EXPECT_EQ(plat.ShellOpens[0].ShowCmd, 1);
  EXPECT_TRUE(CloseConfirmed);
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(LogFile, nullptr);
  EXPECT_TRUE(plat.Terminated());
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(EngineTest, LaunchGoesThroughTheUsersShellWhenThereIsOne) {
  plat.UserShellAvailable = true;
  Start("[files]\r\na;app.exe\r\n\r\n[group icons]\r\n\r\n[launch]\r\napp.exe\r\n", {{"a", "AAA"}});
  GoToLocation("C:\\App");
  W().btnNext.Click();
  W().btnFinish.Click();
  ASSERT_EQ(plat.UserShellOpens.size(), 1u);
  EXPECT_EQ(plat.UserShellOpens[0].File, "C:\\App\\app.exe");
  EXPECT_EQ(plat.UserShellOpens[0].Directory, "C:\\App");
  EXPECT_EQ(plat.UserShellOpens[0].ShowCmd, 1);
  EXPECT_TRUE(plat.ShellOpens.empty());  // started once, not twice
}

TEST_F(EngineTest, FinishWithNeitherBoxOnlyCloses) {
  Start(
      "[files]\r\na;app.exe\r\n\r\n[group icons]\r\n\r\n[desktop icons]\r\nApp;app.exe\r\n\r\n"
      "[launch]\r\napp.exe\r\n",
      {{"a", "AAA"}});
  GoToLocation("C:\\App");
  W().btnNext.Click();
  W().chkDesktopIcon.SetChecked(false);
  W().chkLaunchNow.SetChecked(false);
  size_t records = LogRecords("C:\\App\\uninstall.log").size();
  W().btnFinish.Click();
  EXPECT_EQ(LogRecords("C:\\App\\uninstall.log").size(), records);
  EXPECT_TRUE(plat.ShellOpens.empty());
  EXPECT_FALSE(Exists("C:\\Desktop\\App.LNK"));
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

// Each shortcut is logged before it is made, like every file; one that could
// not be made leaves a record of nothing, which removing passes over.
TEST_F(EngineTest, ShortcutsAreLoggedBeforeTheyAreMade) {
  plat.ShellLinkCreationFails = true;
  Start(
      "[files]\r\n\r\n[program group]\r\nEx\r\n\r\n[group "
      "icons]\r\nApp;app.exe\r\nWeb;ftp://h/\r\n");
  GoToLocation("C:\\App");
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 5);
  Records records = LogRecords("C:\\App\\uninstall.log");
  EXPECT_EQ(records.back(), "File: C:\\Menu\\Ex\\Web.URL");
  EXPECT_EQ(records[records.size() - 2], "File: C:\\Menu\\Ex\\App.LNK");
  EXPECT_FALSE(Exists("C:\\Menu\\Ex\\App.LNK"));
}

// When the log cannot be made, the user hears why and may choose again;
// nothing made for it stays behind.
TEST_F(EngineTest, LogThatCannotBeCreatedLeavesNothingAndStaysOnTheLocationPage) {
  Start("[title]\r\nExample\r\n\r\n[files]\r\na;a\r\n\r\n[group icons]\r\n", {{"a", "AAA"}});
  plat.ForceDirectories("C:\\Base");
  plat.OnOpenFile = [](const std::string& path, TFileMode mode) {
    if (path.ends_with("uninstall.log.bwjournal") && mode == TFileMode::CreateDenyWrite)
      throw EInOutError("File access denied", 5);
  };
  GoToLocation("C:\\Base\\New\\Tool");
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Error");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, mb::IconExclamation);
  EXPECT_NE(plat.MessageBoxes[0].Text.find("\"C:\\Base\\New\\Tool\""), std::string::npos);
  EXPECT_NE(plat.MessageBoxes[0].Text.find("File access denied"), std::string::npos);
  EXPECT_FALSE(Exists("C:\\Base\\New"));
  EXPECT_TRUE(plat.DirectoryExists("C:\\Base"));
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 2);
  EXPECT_TRUE(W().btnNext.Visible());
  EXPECT_TRUE(W().btnPrevious.Visible());
  EXPECT_EQ(LogFile, nullptr);
  EXPECT_TRUE(InstallDir.empty());

  // A file where a directory should go: nothing can be made at all.
  plat.OnOpenFile = nullptr;
  plat.WriteFileText("C:\\Base\\blocker", "not a directory");
  GoToLocation("C:\\Base\\blocker\\Tool");
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 2u);
  EXPECT_EQ(plat.MessageBoxes[1].Caption, "Error");
  EXPECT_EQ(plat.ReadFileText("C:\\Base\\blocker"), "not a directory");
  EXPECT_EQ(PageIndex, 2);

  // Then the user chooses a good place and the run goes through.
  GoToLocation("C:\\Base\\New\\Tool");
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(plat.ReadFileText("C:\\Base\\New\\Tool\\a"), "AAA");
  EXPECT_EQ(LogRecords("C:\\Base\\New\\Tool\\uninstall.log")[1],
            "Directory: New\\Tool;C:\\Base\\New\\Tool");
}
