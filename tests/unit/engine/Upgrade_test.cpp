// Upgrades: the installed version and folder, the downgrade rule, the
// programs that hold files (closed through the Restart Manager, or their files
// replaced at the next start), the exit codes, and the uninstaller's part.
#include "EngineFixture.h"
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/SetupCommandLine.h"
#include "engine/SetupProgram.h"
#include "platform/Concat.h"
#include "uninstaller/Uninstaller.h"

namespace {

const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Upgrader";
const std::string kDir = "C:\\Apps\\Upgrader";
const std::string kLib = kDir + "\\lib.dll";

int NoWizard(TMainForm&) { return -1; }

}  // namespace

TEST(VersionTest, DottedNumbersThenText) {
  EXPECT_GT(CompareVersions("1.10.0", "1.9.2"), 0);
  EXPECT_EQ(CompareVersions("1.2", "1.2.0.0"), 0);  // a missing part is 0
  EXPECT_EQ(CompareVersions("1.02", "1.2"), 0);
  EXPECT_LT(CompareVersions("2", "10"), 0);
  EXPECT_LT(CompareVersions("99999999999999999999", "100000000000000000000"), 0);
  EXPECT_GT(CompareVersions("1.0b", "1.0a"), 0);  // the text after the numbers
  EXPECT_LT(CompareVersions("1.0rc", "1.1"), 0);
}

TEST(VersionTest, UpgradeSwitchesAndTheirRelaunch) {
  TSetupOptions o;
  std::string error;
  ASSERT_TRUE(ParseSetupCommandLine(
      "setup.exe /S /allowdowngrade /NoCloseApplications /NORESTARTAPPLICATIONS /FORCERESTART", o,
      error))
      << error;
  EXPECT_TRUE(o.Upgrade.AllowDowngrade && o.Upgrade.NoCloseApps && o.Upgrade.NoRestartApps &&
              o.Upgrade.ForceRestart && !o.Upgrade.ForceCloseApps);
  // The elevated copy must be given the same answers.
  EXPECT_EQ(RelaunchSwitches(o),
            "/S /ALLOWDOWNGRADE /NOCLOSEAPPLICATIONS /NORESTARTAPPLICATIONS /FORCERESTART");
  EXPECT_FALSE(
      ParseSetupCommandLine("setup.exe /NOCLOSEAPPLICATIONS /FORCECLOSEAPPLICATIONS", o, error));
}

class UpgradeTest : public EngineTest {
 protected:
  static std::string Script(const std::string& version, const std::string& extra = {}) {
    return "[title]\r\nUpgrader\r\n\r\n[version]\r\n" + version +
           "\r\n\r\n[defaultdir]\r\nUpgrader\r\n\r\n[files]\r\napp;app.exe\r\nlib;lib.dll\r\n" +
           extra;
  }
  void Write(const std::string& version, const std::string& extra = {}) {
    WriteSetup(Script(version, extra), {{"app", "app " + version}, {"lib", "lib " + version}});
    form.reset();
    ResetEngineState();
  }
  int Silent(const std::string& version, const std::string& switches = {}) {
    Write(version);
    return RunSetup("setup.exe /S " + switches, NoWizard);
  }
  // Through the wizard; the message boxes answered as queued.
  int Wizard(const std::string& version, const std::string& extra = {}) {
    Write(version, extra);
    return RunSetup("setup.exe", [this](TMainForm& f) {
      welcome = f.Wizard().lblInfo.Caption();
      for (int i = 0; i < 3 && PageIndex < 5 && !f.Closed(); ++i) f.Wizard().btnNext.Click();
      location = f.Wizard().edtLocation.Text();
      if (PageIndex == 5) {
        restartOffered = f.Wizard().rdoRestartLater.Visible() &&
                         f.Wizard().rdoRestartLater.Checked() &&
                         !f.Wizard().rdoRestartNow.Checked();
        f.Wizard().btnFinish.Click();
      }
      return f.ExitCode();
    });
  }
  void HoldLib(bool politely = true) {
    plat.SetFileInUse(kLib);
    plat.Holders = {{kLib, {"Upgrader App", "C:\\Apps\\Upgrader\\app.exe", true}, politely}};
  }
  std::string Log() { return plat.ReadFileText(kDir + "\\uninstall.log"); }

  std::string welcome, location;
  bool restartOffered = false;
};

// Version 1 installed elsewhere than the default: version 2 finds it, says
// so and goes there; an older version asks first, or exits 7 under /S.
TEST_F(UpgradeTest, TheInstalledVersionIsFoundAndADowngradeNeedsConsent) {
  Write("1.9.2");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  EXPECT_EQ(plat.RegValue(TRegRoot::LocalMachine, kKey, "DisplayVersion")->Data, "1.9.2");

  EXPECT_EQ(Wizard("1.10.0"), ExitInstalled);
  EXPECT_NE(welcome.find("Upgrader 1.9.2 is installed on this computer. This setup installs "
                         "version 1.10.0 in its place."),
            std::string::npos)
      << welcome;
  EXPECT_EQ(location, kDir);
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 1.10.0");
  EXPECT_TRUE(plat.MessageBoxes.empty());

  // Older: No is the default answer, and nothing changes.
  EXPECT_EQ(Wizard("1.9.9"), ExitDowngrade);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Flags & mb::DefButton2, mb::DefButton2);
  EXPECT_EQ(Silent("1.9.9"), ExitDowngrade);
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 1.10.0");
  // The same version repairs; an allowed downgrade installs into the same folder.
  EXPECT_EQ(Silent("1.10"), ExitInstalled);
  EXPECT_EQ(Silent("1.9.9", "/ALLOWDOWNGRADE"), ExitInstalled);
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 1.9.9");
  plat.MessageBoxAnswers = {mb::IdYes};
  EXPECT_EQ(Wizard("1.0"), ExitInstalled);
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 1.0");
}

// The wizard names the programs and closes them when asked; after the run
// those that asked for it start again.
TEST_F(UpgradeTest, ProgramsInUseAreListedClosedAndRestarted) {
  Write("1");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  HoldLib();
  plat.RmCalls.clear();
  plat.MessageBoxAnswers = {mb::IdYes};
  EXPECT_EQ(Wizard("2"), ExitInstalled);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_NE(plat.MessageBoxes[0].Text.find("\r\rUpgrader App\r\rYes: Close the applications "
                                           "automatically\rNo: Do not close them (a restart may "
                                           "be needed)"),
            std::string::npos);
  EXPECT_EQ(plat.RmCalls, (std::vector<std::string>{"list 2", "close", "restart"}));
  EXPECT_EQ(plat.AppsRestarted, std::vector<std::string>{"Upgrader App"});
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 2");

  // /S closes without asking, by force when told, and restarts nothing when told.
  HoldLib(false);
  plat.RmCalls.clear();
  EXPECT_EQ(Silent("3", "/FORCECLOSEAPPLICATIONS /NORESTARTAPPLICATIONS"), ExitInstalled);
  EXPECT_EQ(plat.RmCalls, (std::vector<std::string>{"list 2", "force", "end"}));
  EXPECT_EQ(plat.AppsRestarted.size(), 1u);
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 3");
}

// What stays held is written beside its file and replaced at the next start:
// exit 3010, Restart later by default; an uninstall before that start removes
// both files and takes the replacement back.
TEST_F(UpgradeTest, AHeldFileIsReplacedAtTheNextStart) {
  Write("1");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  for (bool wizard : {true, false}) {
    const std::string v = wizard ? "2" : "3", old = wizard ? "1" : "2";
    HoldLib(false);  // it does not close politely
    plat.MessageBoxAnswers = {mb::IdNo};
    plat.RestartManagerWorks = wizard;  // without it, the same fallback
    EXPECT_EQ(wizard ? Wizard(v) : Silent(v), ExitRestartNeeded);
    EXPECT_TRUE(restartOffered || !wizard);
    EXPECT_EQ(plat.ReadFileText(kDir + "\\app.exe"), "app " + v);
    EXPECT_EQ(plat.ReadFileText(kLib), "lib " + old);
    EXPECT_EQ(plat.ReadFileText(kLib + ".bwnew"), "lib " + v);
    EXPECT_NE(Log().find("Replace: " + kLib + ";" + kLib + ".bwnew\r\n"), std::string::npos);
    // Nobody asked for a restart of the computer.
    EXPECT_TRUE(plat.SystemPrograms.empty());
    ASSERT_EQ(plat.PendingMoves.size(), 1u);
    EXPECT_EQ(plat.PendingMoves[0], std::make_pair(kLib + ".bwnew", kLib));
    if (wizard) plat.RestartComputer();
  }
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 2");  // the second run is still waiting
  // Written directly by a later run, the file no longer waits for the older content.
  plat.SetFileInUse(kLib, false);
  EXPECT_EQ(Silent("4"), ExitInstalled);
  EXPECT_TRUE(plat.PendingMoves.empty());
  EXPECT_FALSE(plat.FileExists(kLib + ".bwnew"));
  EXPECT_EQ(Log().find("Replace:"), std::string::npos);
  plat.SetFileInUse(kLib);
  plat.ExeNameValue = kDir + "\\uninstall.exe";
  TUninstallResult result = RunUninstaller(plat.ExeNameValue, true, TUninstallHooks{});
  EXPECT_EQ(result.ExitCode, ExitRemovedAtRestart);
  EXPECT_EQ(result.AtRestart, (std::vector<std::string>{kLib, kDir, "C:\\Apps"}));
  EXPECT_FALSE(plat.FileExists(kLib + ".bwnew"));
  plat.RestartComputer();
  EXPECT_FALSE(plat.DirectoryExists(kDir));

  // /FORCERESTART restarts the computer.
  plat.ExeNameValue = "C:\\setup.exe";
  Write("1");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  HoldLib(false);
  EXPECT_EQ(Silent("2", "/NOCLOSEAPPLICATIONS /FORCERESTART"), ExitRestartNeeded);
  ASSERT_EQ(plat.SystemPrograms.size(), 1u);
  EXPECT_EQ(plat.SystemPrograms[0].Program + " " + plat.SystemPrograms[0].Parameters,
            "shutdown.exe /r /t 0");
}

// A failure after a replacement was scheduled takes it back; a per-user
// installation cannot schedule one, and names the program instead.
TEST_F(UpgradeTest, RollbackCancelsScheduledReplacementsAndPerUserRunsStop) {
  Write("1");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  plat.SetFileInUse(kDir + "\\app.exe");
  WriteSetup(Script("2") + "bad;bad.txt\r\n",
             {{"app", "app 2"}, {"lib", "lib 2"}, {"bad", Incompressible(50000)}});
  Corrupt("bad");
  form.reset();
  ResetEngineState();
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitFailed);
  EXPECT_TRUE(plat.PendingMoves.empty());
  EXPECT_FALSE(plat.FileExists(kDir + "\\app.exe.bwnew"));
  EXPECT_EQ(plat.ReadFileText(kDir + "\\app.exe"), "app 1");
  EXPECT_EQ(plat.ReadFileText(kLib), "lib 1");

  const std::string user = "C:\\Users\\me\\AppData\\Local\\Programs\\Upgrader";
  const char* folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  plat.SetRegValue(TRegRoot::CurrentUser, folders, "Programs", TTestPlatform::TRegType::String,
                   "C:\\Users\\me\\Menu");
  plat.ForceDirectories("C:\\Users\\me\\Menu");
  plat.Elevated = false;
  WriteSetup(Script("1", "\r\n[scope]\r\nuser\r\n"), {{"app", "app 1"}, {"lib", "lib 1"}});
  form.reset();
  ResetEngineState();
  ASSERT_EQ(RunSetup("setup.exe /S", NoWizard), ExitInstalled);
  plat.SetFileInUse(user + "\\lib.dll");
  plat.Holders = {{user + "\\lib.dll", {"Upgrader App", "", false}, false}};
  plat.MessageBoxAnswers = {mb::IdNo};
  EXPECT_EQ(Wizard("2", "\r\n[scope]\r\nuser\r\n"), ExitFailed);
  ASSERT_EQ(plat.MessageBoxes.size(), 2u);
  EXPECT_NE(plat.MessageBoxes[1].Text.find("It is in use by Upgrader App. Close it, then run "
                                           "setup again."),
            std::string::npos)
      << plat.MessageBoxes[1].Text;
  EXPECT_EQ(plat.ReadFileText(user + "\\app.exe"), "app 1");
  EXPECT_TRUE(plat.PendingMoves.empty());
}

// A log edited to name a file outside the installation cannot make the
// uninstaller close its programs or delete it, now or at the next start.
TEST_F(UpgradeTest, ATamperedLogSchedulesNothingOutsideTheInstallation) {
  Write("1");
  ASSERT_EQ(RunSetup("setup.exe /S /D=" + kDir, NoWizard), ExitInstalled);
  const std::string foreign = "C:\\Windows\\system.dll";
  plat.WriteFileText(foreign, "system");
  plat.WriteFileText(foreign + ".bwnew", "planted");
  plat.SetFileInUse(foreign);
  plat.Holders = {{foreign, {"Windows", "", false}, true}};
  plat.WriteFileText(kDir + "\\uninstall.log", Log() + "Replace: " + foreign + ";" + foreign +
                                                   ".bwnew\r\nFile: " + foreign + "\r\n");
  plat.ExeNameValue = kDir + "\\uninstall.exe";
  TUninstallResult result = RunUninstaller(plat.ExeNameValue, true, TUninstallHooks{});
  EXPECT_EQ(result.ExitCode, ExitIncomplete);
  EXPECT_TRUE(plat.PendingMoves.empty());
  EXPECT_TRUE(plat.FileInUse(foreign));  // its program was not closed
  EXPECT_TRUE(plat.FileExists(foreign));
  EXPECT_TRUE(plat.FileExists(foreign + ".bwnew"));
}
