// The program apart from its windows: /S installs with the wizard's defaults
// and no box, /LOG= records the run, and every outcome has its exit code.
#include "EngineFixture.h"
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/SetupCommandLine.h"
#include "engine/SetupProgram.h"
#include "shell/ProductLock.h"

namespace {
const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Silent";

const char* kScript =
    "[title]\r\nSilent\r\n\r\n[defaultdir]\r\nSilent App\r\n\r\n[license]\r\nlic.txt\r\n\r\n"
    "[version]\r\n1.2.3\r\n\r\n[publisher]\r\nExample Ltd\r\n\r\n"
    "[files]\r\na;a.exe\r\nb;doc\\b.bin\r\nu;uninstall.exe\r\n\r\n"
    "[program group]\r\nSilent\r\n\r\n[group icons]\r\nSilent;a.exe\r\n\r\n"
    "[desktop icons]\r\nSilent;a.exe\r\n\r\n[launch]\r\na.exe\r\n\r\n"
    "[run and wait]\r\na.exe /setup\r\n\r\n";

// The wizard must not be reached: /S never shows it.
int NoWizard(TMainForm&) {
  ADD_FAILURE() << "the wizard was started";
  return -1;
}
}  // namespace

class SilentTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteSetup(kScript, {{"a", std::string(3000, 'a')},
                         {"b", Incompressible(200000)},
                         {"u", "U"},
                         {"lic.txt", "Terms."}});
  }
  void TearDown() override {
    RunLogClose();
    EngineTest::TearDown();
  }
  std::string Reg(const char* name) {
    const TTestPlatform::TRegValue* v = plat.RegValue(TRegRoot::LocalMachine, kKey, name);
    return v ? v->Data : "<none>";
  }
  bool HasLine(const std::string& log, const std::string& line) {
    return log.find("\r\n" + line + "\r\n") != std::string::npos;
  }
};

TEST_F(SilentTest, InstallsIntoTheDefaultFolderWithTheWizardsDefaultsAndNoBox) {
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitInstalled);
  const std::string dir = "C:\\Program Files\\Silent App";
  EXPECT_EQ(plat.ReadFileText(dir + "\\doc\\b.bin").size(), 200000u);
  EXPECT_TRUE(plat.MessageBoxes.empty());
  // Desktop icon as ticked by default; [run and wait] runs; [launch] does not.
  EXPECT_TRUE(plat.FileExists("C:\\Desktop\\Silent.LNK"));
  EXPECT_EQ(plat.ProgramsRun, std::vector<std::string>{"\"" + dir + "\\a.exe\" /setup"});
  EXPECT_TRUE(plat.ShellOpens.empty());

  // The full entry in the installed-programs list.
  EXPECT_EQ(Reg("DisplayName"), "Silent (remove only)");
  EXPECT_EQ(Reg("UninstallString"), "\"" + dir + "\\uninstall.exe\"");
  EXPECT_EQ(Reg("QuietUninstallString"), "\"" + dir + "\\uninstall.exe\" /S");
  EXPECT_EQ(Reg("InstallLocation"), dir);
  EXPECT_EQ(Reg("DisplayIcon"), dir + "\\a.exe");
  EXPECT_EQ(Reg("DisplayVersion"), "1.2.3");
  EXPECT_EQ(Reg("Publisher"), "Example Ltd");
  // 3000 + 200000 + 1 bytes, in KiB rounded up: 199 = 0xC7.
  EXPECT_EQ(Reg("EstimatedSize"), std::string("\xC7\0\0\0", 4));
  EXPECT_EQ(plat.RegValue(TRegRoot::LocalMachine, kKey, "EstimatedSize")->Type,
            TTestPlatform::TRegType::DWord);
  EXPECT_EQ(Reg("NoModify"), std::string("\1\0\0\0", 4));
  EXPECT_EQ(Reg("NoRepair"), std::string("\1\0\0\0", 4));
}

TEST_F(SilentTest, TargetFromTheCommandLineAndTheLogOfTheRun) {
  EXPECT_EQ(RunSetup("setup.exe /S /LOG=\"C:\\run log.txt\" /D=C:\\My Apps\\Silent", NoWizard),
            ExitInstalled);
  const std::string dir = "C:\\My Apps\\Silent";
  EXPECT_TRUE(plat.FileExists(dir + "\\a.exe"));
  EXPECT_EQ(Reg("QuietUninstallString"), "\"" + dir + "\\uninstall.exe\" /S");
  std::string log = plat.ReadFileText("C:\\run log.txt");
  for (const std::string& line : std::vector<std::string>{
           "Mode: silent", "Desktop icons: yes", "Installing into: " + dir, "Directory: " + dir,
           "File: " + dir + "\\doc\\b.bin", "Directory: " + dir + "\\doc\\",
           "Shortcut: C:\\Desktop\\Silent.LNK -> " + dir + "\\a.exe",
           "Registry value: HKEY_LOCAL_MACHINE\\" + std::string(kKey) + "\\DisplayVersion = 1.2.3",
           "Registry value: HKEY_LOCAL_MACHINE\\" + std::string(kKey) +
               "\\NoRepair = 1 (REG_DWORD)",
           "Program run: \"" + dir + "\\a.exe\" /setup (exit code 0)", "Exit code: 0"})
    EXPECT_TRUE(HasLine(log, line)) << line << "\n" << log;
}

TEST_F(SilentTest, DamagedEntryIsRolledBackWithExitCode1AndNoBox) {
  Corrupt("b");
  EXPECT_EQ(RunSetup("setup.exe /S /LOG=C:\\run.log", NoWizard), ExitFailed);
  EXPECT_FALSE(Exists("C:\\Program Files\\Silent App"));
  EXPECT_FALSE(plat.RegKeyExists(TRegRoot::LocalMachine, kKey));
  EXPECT_TRUE(plat.MessageBoxes.empty());
  std::string log = plat.ReadFileText("C:\\run.log");
  EXPECT_TRUE(HasLine(log,
                      "Error: An error occurred while installing the file: \"C:\\Program "
                      "Files\\Silent App\\doc\\b.bin\". The installation cannot proceed."))
      << log;
  EXPECT_TRUE(HasLine(log, "Removed: C:\\Program Files\\Silent App\\a.exe")) << log;
  EXPECT_TRUE(HasLine(log, "Exit code: 1")) << log;
}

TEST_F(SilentTest, TargetThatCannotBeUsedIsExitCode4WithNothingWritten) {
  // Too little space.
  plat.SetFreeSpace('C', 100000);
  EXPECT_EQ(RunSetup("setup.exe /S /LOG=C:\\a.log", NoWizard), ExitTargetUnusable);
  EXPECT_TRUE(HasLine(plat.ReadFileText("C:\\a.log"),
                      "Error: Too little disk space for \"C:\\Program Files\\Silent App\": 231 "
                      "kb needed, 97 kb available"));
  plat.SetFreeSpace('C', int64_t{1} << 30);
  // Not a full path; a drive that does not exist; a file where a folder must go.
  plat.WriteFileText("C:\\Blocked", "a file");
  for (const char* target : {"Apps\\Silent", "Q:\\Silent", "C:\\Blocked\\Silent"}) {
    ResetEngineState();
    EXPECT_EQ(RunSetup(std::string("setup.exe /S /D=") + target, NoWizard), ExitTargetUnusable)
        << target;
  }
  EXPECT_FALSE(Exists("C:\\Program Files\\Silent App"));
  EXPECT_FALSE(plat.RegKeyExists(TRegRoot::LocalMachine, kKey));
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(SilentTest, DamagedInstallerIsExitCode2WithOneBoxOnlyWithoutS) {
  WriteSetup("[title]\r\nNo files\r\n\r\n");
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitDamaged);
  EXPECT_TRUE(plat.MessageBoxes.empty());
  EXPECT_EQ(RunSetup("setup.exe", NoWizard), ExitDamaged);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Setup Error");
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "The installer is damaged or incomplete: its install script has no [files] section.");
}

TEST_F(SilentTest, ASecondInstanceIsExitCode6WithOneBoxOnlyWithoutS) {
  plat.LocksHeldElsewhere.insert(ProductLockName("Silent"));
  EXPECT_EQ(RunSetup("setup.exe /S", NoWizard), ExitAlreadyRunning);
  EXPECT_TRUE(plat.MessageBoxes.empty());
  EXPECT_EQ(RunSetup("setup.exe", NoWizard), ExitAlreadyRunning);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Silent");
  EXPECT_EQ(plat.MessageBoxes[0].Text, AlreadyRunningMessage("Silent"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Silent App"));
}

TEST_F(SilentTest, BadCommandLineAndUsage) {
  EXPECT_EQ(RunSetup("setup.exe /S /X", NoWizard), ExitBadCommandLine);
  EXPECT_TRUE(plat.MessageBoxes.empty());
  EXPECT_EQ(RunSetup("setup.exe /X", NoWizard), ExitBadCommandLine);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_TRUE(plat.MessageBoxes[0].Text.starts_with("Unknown argument: /X\r\n\r\nUsage:"));
  // A log that cannot be written is a bad command line too.
  EXPECT_EQ(RunSetup("setup.exe /S /LOG=C:\\no such folder\\a.log", NoWizard), ExitBadCommandLine);

  plat.MessageBoxes.clear();
  EXPECT_EQ(RunSetup("setup.exe /?", NoWizard), ExitInstalled);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text, SetupUsage());
  // With /LOG= the usage goes there instead.
  EXPECT_EQ(RunSetup("setup.exe /? /LOG=C:\\help.log", NoWizard), ExitInstalled);
  EXPECT_EQ(plat.MessageBoxes.size(), 1u);
  std::string log = plat.ReadFileText("C:\\help.log");
  EXPECT_TRUE(HasLine(log, "Usage: setup.exe [/S] [/LOG=FILE] [/ALLUSERS | /CURRENTUSER]")) << log;
  EXPECT_FALSE(Exists("C:\\Program Files\\Silent App"));
}

TEST_F(SilentTest, WizardExitCodes) {
  // Declining the licence cancels: 3, nothing written.
  plat.MessageBoxAnswers = {mb::IdYes};
  EXPECT_EQ(RunSetup("setup.exe",
                     [](TMainForm& f) {
                       f.Wizard().btnNext.Click();
                       f.Wizard().btnPrevious.Click();
                       return f.ExitCode();
                     }),
            ExitCancelled);
  EXPECT_FALSE(Exists("C:\\Program Files\\Silent App"));

  // /D= sets the location the wizard offers; Finish is 0.
  ResetEngineState();
  EXPECT_EQ(RunSetup("setup.exe /D=C:\\Wizard Target",
                     [](TMainForm& f) {
                       EXPECT_EQ(f.Wizard().edtLocation.Text(), "C:\\Wizard Target");
                       for (int i = 0; i < 4; ++i) f.Wizard().btnNext.Click();
                       EXPECT_EQ(f.ExitCode(), ExitInstalled);  // the last page: installed
                       f.Wizard().btnFinish.Click();
                       return f.ExitCode();
                     }),
            ExitInstalled);
  EXPECT_TRUE(plat.FileExists("C:\\Wizard Target\\a.exe"));
  EXPECT_EQ(plat.ShellOpens.size(), 1u);  // the wizard launches by default
}
