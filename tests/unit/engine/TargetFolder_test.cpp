// The installation folder: whose it is, the form it is used in, the folders
// the chooser makes, shares, and a reinstall that is cut short.
#include <filesystem>
#include <map>

#include "EngineFixture.h"
#include "engine/ExitCodes.h"
#include "engine/SetupProgram.h"
#include "platform/PathRules.h"
#include "ui/DirectorySelectForm.h"
#include "uninstaller/Uninstaller.h"

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Script(const std::string& title, const std::string& dir, const std::string& id,
                   const std::string& files) {
  return "[title]\r\n" + title + "\r\n\r\n[defaultdir]\r\n" + dir + "\r\n\r\n" +
         (id.empty() ? "" : "[product id]\r\n" + id + "\r\n\r\n") + "[files]\r\n" + files +
         "\r\n[program group]\r\n" + title + "\r\n\r\n[group icons]\r\nApp;app.exe\r\n";
}

int NoWizard(TMainForm&) {
  ADD_FAILURE() << "the wizard was started";
  return -1;
}

// Thrown from inside the run to stand for the process being ended there: no
// rollback, no clean-up, only what is on the disk.
struct TKilled {};

}  // namespace

class TargetFolderTest : public EngineTest {
 protected:
  // A fresh installer process for script, run with the command line.
  int Setup(const std::string& script, const TEntries& entries, const std::string& args) {
    form.reset();
    ResetEngineState();
    plat.MessageBoxes.clear();
    WriteSetup(script, entries);
    return RunSetup("setup.exe " + args, NoWizard);
  }

  int Uninstall(const std::string& dir) {
    plat.ExeNameValue = dir + "\\uninstall.exe";
    TUninstallResult r = RunUninstaller(plat.ExeNameValue, true, TUninstallHooks{});
    for (const std::string& item : r.LeftOver) ADD_FAILURE() << "left over: " << item;
    int code = r.ExitCode;
    plat.ExeNameValue = "C:\\setup.exe";
    return code;
  }

  // Every file and folder below C:, with the files' contents.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(plat.Root() / "C")) {
      std::string name = e.path().string();
      if (name.ends_with("setup.exe") || name.ends_with("stub.bin")) continue;
      files[name] = e.is_regular_file() ? plat.ReadFileText("C:" + name.substr((plat.Root() / "C").string().size())) : "<dir>";
    }
    return files;
  }

  std::string Reg(const std::string& key, const char* name) {
    auto v = plat.RegValue(TRegRoot::LocalMachine, kUninstall + key, name);
    return v ? v->Data : "<none>";
  }
};

// An add-on whose default folder is the product's own is refused there, and
// installed elsewhere it leaves the product whole; uninstalling either leaves
// the other.
TEST_F(TargetFolderTest, AnotherProductsFolderIsRefusedAndEachUninstallLeavesTheOther) {
  ASSERT_EQ(Setup(Script("Foo", "Foo", "", "app;app.exe\r\nu;uninstall.exe\r\n"),
                  {{"app", "Foo"}, {"u", "U"}}, "/S"),
            ExitInstalled);
  auto before = Snapshot();
  const std::string plugins = Script("Foo Plugins", "Foo", "", "p;plugin.dll\r\nu;uninstall.exe\r\n");
  EXPECT_EQ(Setup(plugins, {{"p", "P"}, {"u", "U"}}, "/S"), ExitTargetUnusable);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Reg("Foo Plugins", "DisplayName"), "<none>");

  // The wizard says whose folder it is, and stays on the location page.
  form.reset();
  ResetEngineState();
  Start(plugins, {{"p", "P"}, {"u", "U"}});
  GoToLocation("C:\\Program Files\\Foo");
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_NE(plat.MessageBoxes[0].Text.find("it holds the installation of another product, Foo."), std::string::npos)
      << plat.MessageBoxes[0].Text;
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(Snapshot(), before);

  ASSERT_EQ(Setup(plugins, {{"p", "P"}, {"u", "U"}}, "/S /D=C:\\Program Files\\Foo Plugins"),
            ExitInstalled);
  EXPECT_EQ(Uninstall("C:\\Program Files\\Foo Plugins"), ExitRemoved);
  EXPECT_EQ(plat.ReadFileText("C:\\Program Files\\Foo\\app.exe"), "Foo");
  EXPECT_EQ(Reg("Foo", "DisplayName"), "Foo (remove only)");
  EXPECT_EQ(Uninstall("C:\\Program Files\\Foo"), ExitRemoved);
  EXPECT_FALSE(Exists("C:\\Program Files\\Foo"));
  EXPECT_EQ(Reg("Foo", "DisplayName"), "<none>");
}

// With a product id the version may be in the title: one key, named by the
// id, follows the installation; without one the titles are two products.
TEST_F(TargetFolderTest, AProductIdKeepsOneKeyAcrossTitles) {
  const TEntries entries = {{"app", "A"}, {"u", "U"}};
  const std::string files = "app;app.exe\r\nu;uninstall.exe\r\n";
  ASSERT_EQ(Setup(Script("Example 1.0", "Example", "Example", files), entries, "/S"), ExitInstalled);
  ASSERT_EQ(Setup(Script("Example 2.0", "Example", "example", files), entries, "/S"), ExitInstalled);
  EXPECT_EQ(Reg("Example", "DisplayName"), "Example 2.0 (remove only)");
  EXPECT_FALSE(plat.RegKeyExists(TRegRoot::LocalMachine, kUninstall + "Example 1.0"));
  EXPECT_FALSE(plat.RegKeyExists(TRegRoot::LocalMachine, kUninstall + "Example 2.0"));
  EXPECT_EQ(Uninstall("C:\\Program Files\\Example"), ExitRemoved);
  EXPECT_FALSE(plat.RegKeyExists(TRegRoot::LocalMachine, kUninstall + "Example"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Example"));

  ASSERT_EQ(Setup(Script("Example 1.0", "Example", "", files), entries, "/S"), ExitInstalled);
  EXPECT_EQ(Setup(Script("Example 2.0", "Example", "", files), entries, "/S"), ExitTargetUnusable);
}

// The chooser's new folders are protected at once and recorded by the run, so
// that the uninstaller takes them away; an existing folder that others may
// change is refused, since the elevated run would start programs from it.
TEST_F(TargetFolderTest, ChooserFoldersAreProtectedAndRecordedAndOpenFoldersRefused) {
  Start(Script("Hello", "Hello", "", "app;app.exe\r\nu;uninstall.exe\r\n"),
        {{"app", "A"}, {"u", "U"}});
  GoToLocation("C:\\Program Files\\Hello");
  plat.OnShowDirectorySelect = [](TDirectorySelect& d) {
    d.edtPath.SetText("C:\\Hello\\Sub");
    d.btnOK.Click();
    return d.ModalResult == mb::IdOk;
  };
  W().btnBrowse.Click();
  EXPECT_EQ(W().edtLocation.Text(), "C:\\Hello\\Sub");
  EXPECT_EQ(plat.ProtectedFolders, (std::vector<std::string>{"C:\\Hello", "C:\\Hello\\Sub"}));
  W().btnNext.Click();
  W().btnFinish.Click();
  ASSERT_EQ(PageIndex, 5);
  EXPECT_EQ(LogRecords("C:\\Hello\\Sub\\uninstall.log")[1], "Directory: Hello\\Sub;C:\\Hello\\Sub");
  EXPECT_EQ(Uninstall("C:\\Hello\\Sub"), ExitRemoved);
  EXPECT_FALSE(Exists("C:\\Hello"));

  plat.ForceDirectories("C:\\Planted");
  plat.WritableByOthers.push_back("C:\\Planted");
  EXPECT_EQ(Setup(Script("Hello", "Hello", "", "app;app.exe\r\n"), {{"app", "A"}},
                  "/S /D=C:\\Planted"),
            ExitTargetUnusable);
  EXPECT_FALSE(Exists("C:\\Planted\\app.exe"));
}

// The folder is used in one canonical form, whatever was typed; forms that
// could lead elsewhere are refused before anything is written.
TEST_F(TargetFolderTest, TheFolderIsMadeCanonicalOrRefused) {
  const std::string script = Script("Hello", "Hello", "", "app;app.exe\r\nu;uninstall.exe\r\n");
  const TEntries entries = {{"app", "A"}, {"u", "U"}};
  plat.ForceDirectories("C:\\Apps");
  plat.ShortNames["C:\\APPS~1"] = "C:\\Apps";
  ASSERT_EQ(Setup(script, entries, "/S /D=C:\\APPS~1\\x\\..\\Hello. \\"), ExitInstalled);
  EXPECT_TRUE(plat.FileExists("C:\\Apps\\Hello\\app.exe"));
  EXPECT_FALSE(Exists("C:\\Apps\\x"));
  EXPECT_EQ(Reg("Hello", "UninstallString"), "C:\\Apps\\Hello\\uninstall.exe");
  EXPECT_EQ(Uninstall("C:\\Apps\\Hello"), ExitRemoved);
  EXPECT_FALSE(Exists("C:\\Apps\\Hello"));

  auto before = Snapshot();
  for (const char* bad : {"Hello", "\\Hello", "C:Hello", "C:\\Apps\\NUL", "C:\\Apps\\com1.txt\\x",
                          "\\\\?\\C:\\Hello", "\\\\.\\C:\\Hello", "C:\\Apps\\Hello:stream",
                          "C:\\..\\Hello", "C:\\Apps\\...\\Hello", "C:\\",
                          "\\\\nowhere\\share\\Hello"}) {
    EXPECT_EQ(Setup(script, entries, std::string("/S /D=") + bad), ExitTargetUnusable) << bad;
    EXPECT_EQ(Snapshot(), before) << bad;
  }

  // Script targets follow the same rules, at start-up as in the packer.
  for (const char* target : {"NUL", "sub\\aux.txt", "name.", "dir \\x"}) {
    form.reset();
    ResetEngineState();
    WriteSetup(Script("Hello", "Hello", "", std::string("app;") + target + "\r\n"), entries);
    form = std::make_unique<TMainForm>();
    EXPECT_THROW(form->FormCreate(), ESetupDamaged) << target;
  }
}

// A share keeps its leading "\\": the folders are made from the share's root,
// and only the levels the run made are recorded.
TEST_F(TargetFolderTest, AShareIsUsedAsAShare) {
  plat.ForceDirectories("\\\\server\\share");
  ASSERT_EQ(Setup(Script("Hello", "Hello", "", "app;bin\\app.exe\r\nu;uninstall.exe\r\n"),
                  {{"app", "A"}, {"u", "U"}}, "/S /D=\\\\server\\share\\Apps\\Hello"),
            ExitInstalled);
  EXPECT_TRUE(plat.FileExists("\\\\server\\share\\Apps\\Hello\\bin\\app.exe"));
  EXPECT_FALSE(Exists("C:\\server"));
  EXPECT_EQ(LogRecords("\\\\server\\share\\Apps\\Hello\\uninstall.log")[1],
            "Directory: Apps\\Hello;\\\\server\\share\\Apps\\Hello");
  EXPECT_EQ(Uninstall("\\\\server\\share\\Apps\\Hello"), ExitRemoved);
  EXPECT_FALSE(Exists("\\\\server\\share\\Apps"));
  EXPECT_TRUE(plat.DirectoryExists("\\\\server\\share"));
}

// A reinstall ended while it writes its second file: the installer started
// again puts the first installation back byte for byte; the uninstaller
// removes both runs' files and the backups.
TEST_F(TargetFolderTest, AReinstallCutShortIsUndoneAtStartUpOrRemovedWhole) {
  const std::string dir = "C:\\Program Files\\Example";
  const std::string v1 = Script("Example", "Example", "", "a;a.exe\r\nb;b.dat\r\nu;uninstall.exe\r\n");
  const std::string v2 =
      Script("Example", "Example", "", "a;a.exe\r\nb;b.dat\r\nn;new.dat\r\nu;uninstall.exe\r\n");
  ASSERT_EQ(Setup(v1, {{"a", "A1"}, {"b", "B1"}, {"u", "U1"}}, "/S"), ExitInstalled);
  auto before = Snapshot();

  auto killedReinstall = [&] {
    plat.OnOpenFile = [&](const std::string& path, TFileMode mode) {
      if (mode == TFileMode::Create && path == dir + "\\b.dat") throw TKilled{};
    };
    EXPECT_THROW(Setup(v2, {{"a", "A2"}, {"b", "B2"}, {"n", "N2"}, {"u", "U2"}}, "/S"), TKilled);
    plat.OnOpenFile = nullptr;
    form.reset();
    LogFile.reset();  // the process is gone: its handle closes, nothing else happens
    ResetEngineState();
    EXPECT_TRUE(plat.FileExists(dir + "\\b.dat.bwbackup"));
  };

  killedReinstall();
  WriteSetup(v2, {{"a", "A2"}, {"b", "B2"}, {"n", "N2"}, {"u", "U2"}});
  form = std::make_unique<TMainForm>();
  form->FormCreate();  // before any page is shown
  EXPECT_EQ(Snapshot(), before);

  killedReinstall();
  EXPECT_EQ(Uninstall(dir), ExitRemoved);
  EXPECT_FALSE(Exists(dir));
}

// Thousands of items that stay are each judged once, and the progress window
// hears from the uninstaller meanwhile.
TEST_F(TargetFolderTest, ALongListOfWhatStaysIsJudgedOnceEach) {
  const std::string dir = "C:\\Program Files\\Many";
  std::string log;
  for (const std::string& line : LogBanner()) log += line + "\r\n";
  log += "Title: Many\r\n";
  for (int i = 0; i < 20000; ++i) {
    std::string file = "C:\\Elsewhere\\f" + std::to_string(i % 10000) + ".txt";
    if (i < 10000) plat.WriteFileText(file, "x");
    log += "File: " + file + "\r\n";
  }
  plat.WriteFileText(dir + "\\uninstall.log", log);
  TUninstaller u(dir + "\\uninstall.log");
  int calls = 0;
  u.OnProgress = [&](int, int, const std::string&) { ++calls; };
  u.Run();
  EXPECT_EQ(u.LeftOver().size(), 10000u);
  EXPECT_GT(calls, 20000 + 20000 / 256);
}
