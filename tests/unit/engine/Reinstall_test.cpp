// Installing over an earlier installation: a failed or cancelled run puts
// back exactly what was there, a successful one takes over the old log's
// records, and the uninstall log is on disk before what it names.
#include <filesystem>

#include "EngineFixture.h"
#include "shell/ShellInstallLib.h"
#include "uninstaller/Uninstaller.h"

namespace {

const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example";

std::string Script(const std::string& files) {
  return "[title]\r\nExample\r\n\r\n[defaultdir]\r\nExample\r\n\r\n[files]\r\n" + files +
         "\r\n[program group]\r\nExample\r\n\r\n[group icons]\r\nApp;app.exe\r\n";
}

// A stream that counts flushes and fails its writes once told to.
class TWatchedStream : public TFileStream {
 public:
  TWatchedStream(std::unique_ptr<TFileStream> inner, int& flushes, bool& failWrites)
      : inner_(std::move(inner)), flushes_(flushes), failWrites_(failWrites) {}
  int64_t Size() override { return inner_->Size(); }
  int64_t Position() override { return inner_->Position(); }
  void Seek(int64_t p) override { inner_->Seek(p); }
  size_t Read(void* b, size_t n) override { return inner_->Read(b, n); }
  void Write(const void* b, size_t n) override {
    if (failWrites_) throw EInOutError("Cannot write file: disk full", 112);
    inner_->Write(b, n);
  }
  void Flush() override {
    ++flushes_;
    inner_->Flush();
  }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<TFileStream> inner_;
  int& flushes_;
  bool& failWrites_;
};

}  // namespace

class ReinstallTest : public EngineTest {
 protected:
  const std::string Dir = "C:\\Program Files\\Example";

  // A whole run through the wizard into the default folder.
  void Install(const std::string& files, const TEntries& entries) {
    form.reset();
    ResetEngineState();
    Start(Script(files), entries);
    W().btnNext.Click();
    W().btnNext.Click();
    if (PageIndex == 5) W().btnFinish.Click();
  }

  // Every file below the C: drive with its content, by host path.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(plat.Root() / "C")) {
      std::string name = e.path().string();
      if (name.find("setup.exe") != std::string::npos || name.find("stub.bin") != std::string::npos)
        continue;
      files[name] = e.is_regular_file()
                        ? plat.ReadFileText("C:" + name.substr((plat.Root() / "C").string().size()))
                        : "<dir>";
    }
    return files;
  }

  std::string Reg(const char* name) {
    auto v = plat.RegValue(TRegRoot::LocalMachine, kKey, name);
    return v ? v->Data : "<none>";
  }
};

TEST_F(ReinstallTest, AFailedReinstallLeavesTheOldOneByteForByteAndASuccessfulOneTracksItAll) {
  Install("app;app.exe\r\nold;old.txt\r\nu;uninstall.exe\r\n",
          {{"app", "version 1"}, {"old", "only in 1"}, {"u", "U1"}});
  ASSERT_EQ(plat.ReadFileText(Dir + "\\app.exe"), "version 1");
  auto before = Snapshot();
  std::string displayName = Reg("DisplayName"), command = Reg("UninstallString");

  // Version 2 with a damaged entry behind the replaced ones.
  form.reset();
  ResetEngineState();
  plat.MessageBoxes.clear();
  WriteSetup(
      Script("app;app.exe\r\nu;uninstall.exe\r\nnew;data\\new.txt\r\nbad;bad.bin\r\n"),
      {{"app", "version 2"}, {"u", "U2"}, {"new", "only in 2"}, {"bad", Incompressible(90000)}});
  Corrupt("bad");
  form = std::make_unique<TMainForm>();
  form->FormCreate();
  W().btnNext.Click();
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text, "An error occurred while installing the file: \"" + Dir +
                                           "\\bad.bin\".\r\rThe installation cannot proceed.");
  EXPECT_TRUE(form->InstallFailed());
  EXPECT_EQ(Snapshot(), before);  // files, folders and the old log, byte for byte
  EXPECT_EQ(Reg("DisplayName"), displayName);
  EXPECT_EQ(Reg("UninstallString"), command);

  // Version 2 as it should be: the backups go, the old log's records stay.
  Install("app;app.exe\r\nu;uninstall.exe\r\nnew;data\\new.txt\r\n",
          {{"app", "version 2"}, {"u", "U2"}, {"new", "only in 2"}});
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(plat.ReadFileText(Dir + "\\app.exe"), "version 2");
  std::vector<std::string> records = LogRecords(Dir + "\\uninstall.log");
  // The earlier records stand before the new title: the run's own follow it.
  EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 5),
            (std::vector<std::string>{
                "Directory: Example;" + Dir, "File: " + Dir + "\\old.txt",
                "Directory: Example;C:\\Menu\\Example", "File: C:\\Menu\\Example\\App.LNK",
                "Title: Example"}));
  for (const auto& [name, content] : Snapshot())
    EXPECT_EQ(name.find(".bwbackup"), std::string::npos) << name;

  // The uninstaller removes both versions' files.
  plat.ExeNameValue = Dir + "\\uninstall.exe";
  TUninstallResult result = RunUninstaller(plat.ExeNameValue, true, TUninstallHooks{});
  EXPECT_EQ(result.ExitCode, ExitRemoved);
  EXPECT_FALSE(Exists(Dir));
  EXPECT_FALSE(Exists("C:\\Menu\\Example"));
}

// A file that cannot be replaced (read-only, or in use where no replacement
// can be scheduled) is an error that names it, not a skip; what the run had
// replaced before it comes back.
TEST_F(ReinstallTest, ATargetThatCannotBeReplacedStopsTheRunAndNamesIt) {
  Install("a;a.txt\r\nb;b.txt\r\n", {{"a", "A1"}, {"b", "B1"}});
  for (bool readOnly : {true, false}) {
    std::string b = Dir + "\\b.txt";
    if (readOnly)
      std::filesystem::permissions(plat.HostPath(b), std::filesystem::perms::owner_read);
    else
      plat.SetFileInUse(b);
    plat.ScheduleFails = !readOnly;
    plat.MessageBoxes.clear();
    Install("a;a.txt\r\nb;b.txt\r\n", {{"a", "A2"}, {"b", "B2"}});
    ASSERT_EQ(plat.MessageBoxes.size(), 1u);
    EXPECT_EQ(plat.MessageBoxes[0].Text,
              "An error occurred while installing the file: \"" + b + "\".\r\r" +
                  (readOnly ? "The file is read-only."
                            : "The file is in use by another program, or cannot be replaced.") +
                  "\r\rThe installation cannot proceed.");
    EXPECT_EQ(form->ExitCode(), 1);
    EXPECT_EQ(plat.ReadFileText(Dir + "\\a.txt"), "A1");
    EXPECT_EQ(plat.ReadFileText(b), "B1");
    std::filesystem::permissions(plat.HostPath(b), std::filesystem::perms::owner_all);
    plat.SetFileInUse(b, false);
  }
}

// Each record is in the file before what it names exists, the stages flush,
// and a record that cannot be written stops the run with a rollback.
TEST_F(ReinstallTest, TheLogIsWrittenThroughAndAFailedRecordStopsTheRun) {
  int flushes = 0;
  bool failWrites = false;
  plat.WrapFile = [&](std::unique_ptr<TFileStream> f, const std::string& path) {
    if (!path.ends_with("uninstall.log.bwjournal")) return f;
    return std::unique_ptr<TFileStream>(new TWatchedStream(std::move(f), flushes, failWrites));
  };
  int checked = 0;
  plat.OnOpenFile = [&](const std::string& path, TFileMode mode) {
    if (mode != TFileMode::Create || !path.starts_with(Dir + "\\")) return;
    EXPECT_NE(plat.ReadFileText(Dir + "\\uninstall.log.bwjournal").find("\r\nFile: " + path + "\r\n"),
              std::string::npos)
        << path;
    ++checked;
  };
  Install("a;a.txt\r\nb;sub\\b.txt\r\n", {{"a", "A"}, {"b", "B"}});
  EXPECT_EQ(checked, 2);
  EXPECT_GE(flushes, 2);  // one per stage at least

  // The second file's record cannot be written: its file is never made, and
  // the first one goes again.
  plat.OnOpenFile = [&](const std::string& path, TFileMode) {
    if (path.ends_with("sub\\b.txt")) ADD_FAILURE() << "created without its record";
  };
  form.reset();
  ResetEngineState();
  plat.MessageBoxes.clear();
  Start(Script("a;a.txt\r\nb;sub\\b.txt\r\n"), {{"a", "A2"}, {"b", "B2"}});
  W().btnNext.Click();
  plat.OnProcessMessages = [&] {
    if (W().lblInstallingFile.Caption() == "Extracting sub\\b.txt...") failWrites = true;
  };
  W().btnNext.Click();
  plat.OnProcessMessages = nullptr;
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text.rfind("The uninstall log cannot be written: ", 0), 0u)
      << plat.MessageBoxes[0].Text;
  EXPECT_TRUE(plat.Terminated());
  EXPECT_EQ(form->ExitCode(), 1);
  failWrites = false;
  EXPECT_EQ(plat.ReadFileText(Dir + "\\a.txt"), "A");  // the first install's, put back
  EXPECT_EQ(plat.ReadFileText(Dir + "\\sub\\b.txt"), "B");
}

// Cancel while a later file of the new version arrives: the replaced files,
// the old log and the registration are as before.
TEST_F(ReinstallTest, ACancelledReinstallLeavesTheOldOneByteForByte) {
  Install("a;a.txt\r\nu;uninstall.exe\r\n", {{"a", "A1"}, {"u", "U1"}});
  auto before = Snapshot();
  std::string command = Reg("UninstallString");

  form.reset();
  ResetEngineState();
  plat.MessageBoxes.clear();
  Start(Script("a;a.txt\r\nu;uninstall.exe\r\nbig;big.bin\r\n"),
        {{"a", "A2"}, {"u", "U2"}, {"big", Incompressible(400000)}});
  W().btnNext.Click();
  plat.OnProcessMessages = [this, done = false]() mutable {
    if (done || !Extracting || W().lblInstallingFile.Caption() != "Extracting big.bin..." ||
        W().prgFile.Position() == 0)
      return;
    done = true;
    plat.MessageBoxAnswers.push_back(mb::IdYes);
    W().btnCancel.Click();
  };
  W().btnNext.Click();
  plat.OnProcessMessages = nullptr;
  EXPECT_TRUE(plat.Terminated());
  EXPECT_EQ(form->ExitCode(), 3);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Reg("UninstallString"), command);
}
