// Cancellation, unpacking errors, rollback and the main window's closing.
#include <algorithm>

#include "EngineFixture.h"

using Records = std::vector<std::string>;

namespace {
const char* kTwoFiles =
    "[files]\r\na;data\\a.txt\r\nb;b.bin\r\n\r\n[program group]\r\nTool\r\n\r\n[group "
    "icons]\r\nT;b.bin\r\n";
}

class RollbackTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    plat.ForceDirectories("C:\\Apps");
    plat.WriteFileText("C:\\Apps\\keep.txt", "not ours");
  }

  // Presses Cancel, answering the question with answer, once the named file
  // has started to arrive.
  void CancelDuring(const std::string& label, int answer) {
    plat.OnProcessMessages = [this, label, answer, done = false]() mutable {
      if (done || !Extracting || W().lblInstallingFile.Caption() != label ||
          W().prgFile.Position() == 0)
        return;
      done = true;
      plat.MessageBoxAnswers.push_back(answer);
      W().btnCancel.Click();
    };
  }

  void ExpectNothingLeft() {
    EXPECT_FALSE(Exists("C:\\Apps\\Tool"));
    EXPECT_TRUE(plat.DirectoryExists("C:\\Apps"));
    EXPECT_EQ(plat.ReadFileText("C:\\Apps\\keep.txt"), "not ours");
    EXPECT_FALSE(Exists("C:\\Menu\\Tool"));
    EXPECT_TRUE(plat.ProgramsRun.empty());
    EXPECT_EQ(plat.RegValue(TRegRoot::LocalMachine,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\product",
                            "DisplayName"),
              nullptr);
  }
};

TEST_F(RollbackTest, CancelDuringTheFirstFile) {
  Start("[files]\r\nb;b.bin\r\na;a.txt\r\n\r\n[group icons]\r\n",
        {{"a", "small"}, {"b", Incompressible(400000)}});
  GoToLocation("C:\\Apps\\Tool");
  CancelDuring("Extracting b.bin...", mb::IdYes);
  W().btnNext.Click();

  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "The installation is currently in progress. Cancelling now will abort the "
            "installation.\r\rAre you sure you wish to abort the installation of product?");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Cancel Installation");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 8228u);
  ExpectNothingLeft();
  EXPECT_TRUE(Aborting);
  EXPECT_FALSE(Extracting);
  EXPECT_TRUE(plat.Terminated());
  EXPECT_EQ(PageIndex, 3);
  EXPECT_FALSE(form->InstallFailed());  // a cancel is no failure
  for (TButton* b : {&W().btnCancel, &W().btnNext, &W().btnFinish, &W().btnPrevious})
    EXPECT_FALSE(b->Enabled()) << b->Name;
}

TEST_F(RollbackTest, CancelDuringALaterFileUndoesEverythingNewestFirst) {
  Start(kTwoFiles, {{"a", "small"}, {"b", Incompressible(400000)}});
  GoToLocation("C:\\Apps\\Tool");
  CancelDuring("Extracting b.bin...", mb::IdYes);
  TRecorder rec;
  bool rollingBack = false;
  plat.MessageBoxAnswers.clear();
  auto cancel = plat.OnProcessMessages;
  plat.OnProcessMessages = [&] {
    cancel();
    if (Aborting && !rollingBack) {
      rollingBack = true;
      rec.Watch(W().lblTotalProgress);
      rec.Watch(W().lblInstallingFile);
      rec.Watch(W().prgTotal);
    }
  };
  W().btnNext.Click();
  ExpectNothingLeft();

  // Labels and the total bar, newest record first, from 5 down to 0.
  Records labels, totals;
  for (const std::string& e : rec.Events) {
    if (e.starts_with("lblInstallingFile=")) labels.push_back(e.substr(18));
    if (e.starts_with("prgTotal=")) totals.push_back(e.substr(9));
  }
  EXPECT_EQ(labels,
            (Records{"Removing C:\\Apps\\Tool\\b.bin...", "Removing C:\\Apps\\Tool\\data\\a.txt...",
                     "Removing data\\;C:\\Apps\\Tool\\data\\...",
                     "Removing C:\\Apps\\Tool\\uninstall.log...", "Removing Tool;C:\\Apps\\Tool...",
                     "Removing product..."}));
  auto full = std::find(totals.begin(), totals.end(), "0..6@6");
  ASSERT_NE(full, totals.end());
  EXPECT_EQ(Records(full, totals.end()),
            (Records{"0..6@6", "0..6@5", "0..6@4", "0..6@3", "0..6@2", "0..6@1", "0..6@0"}));
  EXPECT_EQ(W().lblTotalProgress.Caption(), "Cancelling installation...");
  EXPECT_EQ(W().prgFile.Position(), 0);
  EXPECT_EQ(W().prgFile.Max(), 1);
}

TEST_F(RollbackTest, CancelAnsweredNoGoesOn) {
  Start(kTwoFiles, {{"a", "small"}, {"b", Incompressible(400000)}});
  GoToLocation("C:\\Apps\\Tool");
  CancelDuring("Extracting b.bin...", mb::IdNo);
  W().btnNext.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_FALSE(Aborting);
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(plat.ReadFileText("C:\\Apps\\Tool\\b.bin").size(), 400000u);
}

TEST_F(RollbackTest, ErrorDuringAFileRollsBackAndEnds) {
  Start(kTwoFiles, {{"a", "small"}, {"b", Incompressible(400000)}});
  Corrupt("b");
  GoToLocation("C:\\Apps\\Tool");
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "An error occurred while installing the file: \"C:\\Apps\\Tool\\b.bin\".\r\r"
            "The installation cannot proceed.");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Error");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, mb::IconExclamation);
  ExpectNothingLeft();
  EXPECT_TRUE(Aborting);
  EXPECT_FALSE(Extracting);
  EXPECT_TRUE(plat.Terminated());
  EXPECT_EQ(PageIndex, 3);
  EXPECT_TRUE(form->InstallFailed());
}

// The main window closed while the run is nested below it: the close means
// what its question says, so the run rolls back once the reader has stopped,
// and never uses the log after the window released it.
TEST_F(RollbackTest, MainWindowClosedDuringTheRunRollsBack) {
  Start(kTwoFiles, {{"a", "small"}, {"b", Incompressible(400000)}});
  GoToLocation("C:\\Apps\\Tool");
  int reportsAfterClose = 0;
  plat.OnProcessMessages = [&] {
    if (form->Closed()) {
      if (Extracting) ++reportsAfterClose;
      return;
    }
    if (Extracting && W().lblInstallingFile.Caption() == "Extracting b.bin..." &&
        W().prgFile.Position() > 0) {
      plat.MessageBoxAnswers.push_back(mb::IdYes);
      EXPECT_TRUE(form->Close());
    }
  };
  W().btnNext.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(LogFile, nullptr);
  EXPECT_LE(reportsAfterClose, 1);  // the reader stopped after its current step
  EXPECT_TRUE(plat.Terminated());
  EXPECT_FALSE(Exists("C:\\Apps\\Tool\\data\\a.txt"));
  ExpectNothingLeft();
  // A later Next finds nothing to do.
  form->NextPage();
  EXPECT_FALSE(Exists("C:\\Menu\\Tool"));
}

// Cancel pressed between two files asks the close question; Yes cancels the
// installation there and then.
TEST_F(RollbackTest, WizardClosedBetweenFilesRollsBack) {
  Start(kTwoFiles, {{"a", "small"}, {"b", Incompressible(400000)}});
  GoToLocation("C:\\Apps\\Tool");
  plat.OnProcessMessages = [this, done = false]() mutable {
    if (done || Extracting || W().lblInstallingFile.Caption() != "Extracting b.bin...") return;
    done = true;
    plat.MessageBoxAnswers.push_back(mb::IdYes);
    W().btnCancel.Click();
  };
  W().btnNext.Click();
  ASSERT_GE(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Cancel Installation");
  EXPECT_TRUE(W().Closed());
  EXPECT_TRUE(plat.Terminated());
  EXPECT_TRUE(Aborting);
  EXPECT_EQ(PageIndex, 3);
  ExpectNothingLeft();
}

// Closed while a program of the second stage is about to run: the run stops
// there; what it made stays registered for the uninstaller.
TEST_F(RollbackTest, WizardClosedInTheSecondStageStopsTheRun) {
  Start(std::string(kTwoFiles) + "\r\n[run and wait]\r\nfirst.exe\r\nsecond.exe\r\n",
        {{"a", "small"}, {"b", "big"}});
  GoToLocation("C:\\Apps\\Tool");
  plat.OnProcessMessages = [this, done = false]() mutable {
    if (done || W().lblCompleting.Caption() != "Running external program first.exe...") return;
    done = true;
    plat.MessageBoxAnswers.push_back(mb::IdYes);
    EXPECT_TRUE(W().Close());
  };
  W().btnNext.Click();
  EXPECT_TRUE(plat.Terminated());
  EXPECT_TRUE(plat.ProgramsRun.empty());
  EXPECT_EQ(PageIndex, 4);
  EXPECT_TRUE(plat.FileExists("C:\\Apps\\Tool\\b.bin"));
}

TEST_F(RollbackTest, RemoveLoggedItemRules) {
  TMainForm f;
  plat.ForceDirectories("C:\\Program Files\\Vendor\\App");
  plat.WriteFileText("C:\\Apps\\x.txt", "x");

  f.RemoveLoggedItem("file", "C:\\Apps\\x.txt");  // keys are compared exactly
  f.RemoveLoggedItem("FILE", "C:\\Apps\\x.txt");
  EXPECT_TRUE(plat.FileExists("C:\\Apps\\x.txt"));
  f.RemoveLoggedItem("File", "C:\\Apps\\x.txt");
  EXPECT_FALSE(plat.FileExists("C:\\Apps\\x.txt"));
  f.RemoveLoggedItem("File", "C:\\Apps\\x.txt");  // already gone: nothing happens

  f.RemoveLoggedItem("Directory", "C:\\Program Files\\Vendor\\App");  // no ";": nothing
  f.RemoveLoggedItem("directory", "Vendor\\App;C:\\Program Files\\Vendor\\App");
  EXPECT_TRUE(plat.DirectoryExists("C:\\Program Files\\Vendor\\App"));
  f.RemoveLoggedItem("Directory", "Vendor\\App;C:\\Program Files\\Vendor\\App");
  EXPECT_FALSE(Exists("C:\\Program Files\\Vendor"));
  EXPECT_TRUE(plat.DirectoryExists("C:\\Program Files"));

  // A level that still holds something foreign stays, and so do its parents.
  plat.WriteFileText("C:\\Apps\\A\\B\\foreign.txt", "x");
  f.RemoveLoggedItem("Directory", "A\\B\\;C:\\Apps\\A\\B\\");
  EXPECT_TRUE(plat.FileExists("C:\\Apps\\A\\B\\foreign.txt"));
  f.RemoveLoggedItem("Title", "C:\\Apps");
  EXPECT_TRUE(plat.DirectoryExists("C:\\Apps"));
}

TEST_F(RollbackTest, MainWindowCloseQuestion) {
  Start(kTwoFiles, {{"a", "small"}, {"b", "big"}});
  plat.MessageBoxAnswers = {mb::IdNo};
  EXPECT_FALSE(form->Close());
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "Closing this program will cancel the installation. Are you sure you wish to cancel "
            "installing product?");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Cancel Installation");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 8228u);
  EXPECT_FALSE(plat.Terminated());
  EXPECT_EQ(PageIndex, 0);

  plat.MessageBoxAnswers = {mb::IdYes};
  EXPECT_TRUE(form->Close());
  EXPECT_TRUE(plat.Terminated());
  EXPECT_FALSE(Exists("C:\\Apps\\Tool"));
}

TEST_F(RollbackTest, CancelWithoutALogOnlyEnds) {
  Start(kTwoFiles, {{"a", "small"}, {"b", "big"}});
  form->CancelInstallation();
  EXPECT_TRUE(Aborting);
  EXPECT_TRUE(plat.Terminated());
  EXPECT_FALSE(W().btnNext.Enabled());
}
