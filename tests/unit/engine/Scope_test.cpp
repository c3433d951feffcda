// Installation scope: where each scope puts things, which switches a script
// allows, the elevated copy a machine-wide run starts without the rights, the
// wizard's choice, and the uninstaller of each scope.
#include "EngineFixture.h"
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/SetupCommandLine.h"
#include "engine/SetupProgram.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "uninstaller/Uninstaller.h"

namespace {
const std::string kKey = std::string(UninstallKey) + "Scoped";
const std::string kUserDir = "C:\\Users\\me\\AppData\\Local\\Programs\\Scoped App";
const std::string kMachineDir = "C:\\Program Files\\Scoped App";

std::string Script(const std::string& scope) {
  return "[title]\r\nScoped\r\n\r\n[defaultdir]\r\nScoped App\r\n\r\n" +
         (scope.empty() ? std::string() : "[scope]\r\n" + scope + "\r\n\r\n") +
         "[files]\r\na;a.exe\r\nu;uninstall.exe\r\n\r\n[program group]\r\nScoped\r\n\r\n"
         "[group icons]\r\nScoped;a.exe\r\n\r\n[desktop icons]\r\nScoped;a.exe\r\n\r\n";
}

int NoWizard(TMainForm&) {
  ADD_FAILURE() << "the wizard was started";
  return -1;
}
}  // namespace

class ScopeTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    const char* folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    plat.SetRegValue(TRegRoot::CurrentUser, folders, "Programs", TTestPlatform::TRegType::String,
                     "C:\\Users\\me\\Menu");
    plat.SetRegValue(TRegRoot::CurrentUser, folders, "Desktop", TTestPlatform::TRegType::String,
                     "C:\\Users\\me\\Desktop");
    plat.ForceDirectories("C:\\Users\\me\\Menu");
    plat.ForceDirectories("C:\\Users\\me\\Desktop");
    plat.ForceDirectories("C:\\Users\\me\\AppData\\Local");
  }
  void TearDown() override {
    RunLogClose();
    EngineTest::TearDown();
  }
  void AsUser() {
    plat.Elevated = false;
    plat.Administrator = false;
  }
  void Setup(const std::string& scope) {
    ResetEngineState();
    plat.HeldLocks.clear();
    WriteSetup(Script(scope), {{"a", "A"}, {"u", "U"}});
  }
  bool Registered(TRegRoot root) { return plat.RegValue(root, kKey, "UninstallString") != nullptr; }
  int Uninstall(const std::string& dir) {
    plat.HeldLocks.clear();
    TUninstallHooks hooks;
    hooks.RemoveSelf = [this](const std::string& path) { return plat.DeleteFileAt(path); };
    return RunUninstaller(dir + "\\uninstall.exe", true, hooks).ExitCode;
  }
};

TEST_F(ScopeTest, EachScopeHasItsOwnPlacesAndItsUninstallerLeavesTheOtherWhole) {
  // Just for the user, without any rights, into a folder the user can change.
  AsUser();
  Setup("user");
  plat.ForceDirectories(kUserDir);
  plat.WritableByOthers.push_back(kUserDir);
  ASSERT_EQ(RunSetup("setup.exe /S /LOG=C:\\user.log", NoWizard), ExitInstalled);
  EXPECT_TRUE(plat.ElevatedRuns.empty());
  EXPECT_TRUE(plat.FileExists(kUserDir + "\\a.exe"));
  EXPECT_TRUE(plat.FileExists("C:\\Users\\me\\Menu\\Scoped\\Scoped.LNK"));
  EXPECT_TRUE(plat.FileExists("C:\\Users\\me\\Desktop\\Scoped.LNK"));
  EXPECT_TRUE(Registered(TRegRoot::CurrentUser));
  EXPECT_FALSE(Registered(TRegRoot::LocalMachine));
  EXPECT_EQ(plat.RegValue(TRegRoot::CurrentUser, kKey, "QuietUninstallString")->Data,
            "\"" + kUserDir + "\\uninstall.exe\" /S");
  EXPECT_TRUE(plat.ProtectedFolders.empty());
  EXPECT_FALSE(Exists("C:\\Menu\\Scoped"));
  std::vector<std::string> records = LogRecords(kUserDir + "\\uninstall.log");
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[1], "Scope: user");
  EXPECT_NE(plat.ReadFileText("C:\\user.log").find("\r\nScope: current user\r\n"),
            std::string::npos);

  // The same product for all users, elevated: today's places, a log as before.
  plat.Elevated = true;
  Setup("");
  ASSERT_EQ(RunSetup("setup.exe /S", NoWizard), ExitInstalled);
  EXPECT_TRUE(plat.FileExists(kMachineDir + "\\a.exe"));
  EXPECT_TRUE(plat.FileExists("C:\\Menu\\Scoped\\Scoped.LNK"));
  EXPECT_TRUE(plat.FileExists("C:\\Desktop\\Scoped.LNK"));
  EXPECT_TRUE(Registered(TRegRoot::LocalMachine));
  for (const std::string& r : LogRecords(kMachineDir + "\\uninstall.log"))
    EXPECT_FALSE(r.starts_with("Scope")) << r;

  // The user's uninstaller never elevates, ignores who else may write its
  // folder, and removes only in the user's own places, whatever its log says.
  AsUser();
  plat.WriteFileText("C:\\Desktop\\Other.LNK", "x");
  plat.WriteFileText(kUserDir + "\\uninstall.log", plat.ReadFileText(kUserDir + "\\uninstall.log") +
                                                       "File: C:\\Desktop\\Other.LNK\r\n");
  EXPECT_EQ(Uninstall(kUserDir), ExitIncomplete);  // the stranger's shortcut stays
  EXPECT_TRUE(plat.ElevatedRuns.empty());
  EXPECT_FALSE(Exists(kUserDir));
  EXPECT_FALSE(Exists("C:\\Users\\me\\Menu\\Scoped"));
  EXPECT_FALSE(Exists("C:\\Users\\me\\Desktop\\Scoped.LNK"));
  EXPECT_FALSE(Registered(TRegRoot::CurrentUser));
  EXPECT_TRUE(plat.FileExists("C:\\Desktop\\Other.LNK"));

  // The machine-wide one starts its elevated copy and passes its code on;
  // elevated, it removes its own and nothing of the user's.
  plat.ElevatedExitCode = 0;
  EXPECT_EQ(Uninstall(kMachineDir), 0);
  EXPECT_EQ(plat.ElevatedRuns, std::vector<std::string>{"/S"});
  EXPECT_TRUE(plat.FileExists(kMachineDir + "\\a.exe"));
  plat.ElevationDeclined = true;
  EXPECT_EQ(Uninstall(kMachineDir), ExitIncomplete);
  plat.Elevated = true;
  EXPECT_EQ(Uninstall(kMachineDir), ExitRemoved);
  EXPECT_FALSE(Exists(kMachineDir));
  EXPECT_FALSE(Exists("C:\\Menu\\Scoped"));
  EXPECT_FALSE(Registered(TRegRoot::LocalMachine));
}

TEST_F(ScopeTest, SwitchesAgainstTheScriptsScope) {
  TSetupOptions o;
  std::string error;
  EXPECT_FALSE(ParseSetupCommandLine("setup.exe /allusers /CURRENTUSER", o, error));
  EXPECT_EQ(error, "/ALLUSERS and /CURRENTUSER cannot be given together.");

  AsUser();
  Setup("user");
  EXPECT_EQ(RunSetup("setup.exe /ALLUSERS", NoWizard), ExitBadCommandLine);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_TRUE(plat.MessageBoxes[0].Text.starts_with(
      "/ALLUSERS cannot be used: this product installs just for the current user.\r\n\r\nUsage:"));
  Setup("machine");
  EXPECT_EQ(RunSetup("setup.exe /S /CURRENTUSER", NoWizard), ExitBadCommandLine);
  EXPECT_TRUE(plat.ElevatedRuns.empty());
  Setup("USER ");
  EXPECT_EQ(RunSetup("setup.exe /S /CURRENTUSER", NoWizard), ExitInstalled);
  Setup("everyone");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitDamaged);
  EXPECT_FALSE(Exists(kMachineDir));
}

TEST_F(ScopeTest, AMachineWideRunWithoutTheRightsStartsAnElevatedCopy) {
  AsUser();
  Setup("machine");
  plat.ElevatedExitCode = 4;
  EXPECT_EQ(RunSetup("setup.exe /S \"/LOG=C:\\run log.txt\" /D=C:\\Target Dir", NoWizard), 4);
  EXPECT_EQ(plat.ElevatedRuns,
            std::vector<std::string>{"/S \"/LOG=C:\\run log.txt\" /ALLUSERS /D=C:\\Target Dir"});
  EXPECT_TRUE(plat.LocksAtElevation.empty());  // the copy takes the product's lock
  EXPECT_NE(plat.ReadFileText("C:\\run log.txt").find("Elevated run ended with exit code 4"),
            std::string::npos);

  // Declined: cancelled, nothing written, no window.
  plat.ElevationDeclined = true;
  Setup("machine");
  EXPECT_EQ(RunSetup("setup.exe", NoWizard), ExitCancelled);
  Setup("choice");
  EXPECT_EQ(RunSetup("setup.exe /S /ALLUSERS", NoWizard), ExitCancelled);
  EXPECT_FALSE(Exists(kMachineDir));
  EXPECT_FALSE(Exists("C:\\Target Dir"));

  // An administrator's silent choice goes machine-wide; anyone else's, and
  // a choice already installed for the user, stay with the user.
  plat.ElevatedRuns.clear();
  plat.Administrator = true;
  Setup("choice");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitCancelled);
  EXPECT_EQ(plat.ElevatedRuns, std::vector<std::string>{"/S /ALLUSERS"});
  // The elevated copy speaks the language chosen here.
  plat.ElevatedRuns.clear();
  plat.UserLanguagesValue = {"de-AT"};
  Setup("choice");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitCancelled);
  EXPECT_EQ(plat.ElevatedRuns, std::vector<std::string>{"/S /ALLUSERS /LANG=de"});
  plat.UserLanguagesValue.clear();
  plat.Administrator = false;
  Setup("choice");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitInstalled);
  plat.Administrator = true;
  Setup("choice");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitInstalled);
  EXPECT_EQ(plat.ElevatedRuns.size(), 1u);
  EXPECT_TRUE(plat.FileExists(kUserDir + "\\a.exe"));
}

TEST_F(ScopeTest, TheWizardsChoice) {
  AsUser();
  Setup("choice");
  plat.ElevationDeclined = true;
  plat.SetFreeSpace('D', 5000000);
  plat.UserProgramFiles = "D:\\Mine";
  plat.AddDrive('D');
  auto wizard = [this](TMainForm& f) {
    TWizardForm& w = f.Wizard();
    EXPECT_TRUE(w.rdoJustMe.Visible() && w.rdoJustMe.Checked());
    EXPECT_FALSE(w.rdoAllUsers.Checked());
    EXPECT_EQ(w.edtLocation.Text(), "D:\\Mine\\Scoped App");
    EXPECT_EQ(w.lblSpaceAvailable.Caption(), KiBText(5000000));
    w.rdoAllUsers.Click();
    EXPECT_FALSE(w.rdoJustMe.Checked());
    EXPECT_EQ(w.edtLocation.Text(), kMachineDir);
    EXPECT_EQ(w.lblSpaceAvailable.Caption(), KiBText(int64_t{1} << 30));
    w.btnNext.Click();
    w.btnNext.Click();  // all users: the elevated copy is asked for, and declined
    EXPECT_EQ(plat.ElevatedRuns, std::vector<std::string>{"/ALLUSERS /D=" + kMachineDir});
    EXPECT_TRUE(plat.LocksAtElevation.empty());
    EXPECT_EQ(PageIndex, 2);
    EXPECT_TRUE(w.Form.Visible());
    EXPECT_EQ(plat.HeldLocks.size(), 1u);
    EXPECT_EQ(plat.MessageBoxes.size(), 1u);
    plat.ElevationDeclined = false;
    plat.ElevatedExitCode = 0;
    w.btnNext.Click();  // granted: the copy installs, this one ends with its code
    EXPECT_TRUE(f.Closed());
    return f.ExitCode();
  };
  EXPECT_EQ(RunSetup("setup.exe", wizard), ExitInstalled);
  EXPECT_FALSE(Exists(kMachineDir));

  // Just for me, in the wizard too, never elevates.
  Setup("choice");
  plat.ElevatedRuns.clear();
  EXPECT_EQ(RunSetup("setup.exe /CURRENTUSER",
                     [](TMainForm& f) {
                       TWizardForm& w = f.Wizard();
                       EXPECT_TRUE(w.rdoJustMe.Checked());
                       for (int i = 0; i < 3; ++i) w.btnNext.Click();
                       w.btnFinish.Click();
                       return f.ExitCode();
                     }),
            ExitInstalled);
  EXPECT_TRUE(plat.ElevatedRuns.empty());
  EXPECT_TRUE(plat.FileExists("D:\\Mine\\Scoped App\\a.exe"));
}
