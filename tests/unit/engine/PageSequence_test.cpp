// The page sequence: every transition and the buttons of every page.
#include "EngineFixture.h"

namespace {
const char* kWithLicense =
    "[title]\r\nTool\r\n\r\n[license]\r\nlic.txt\r\n\r\n[files]\r\napp;app.exe\r\n\r\n"
    "[group icons]\r\nApp;app.exe\r\n";
const char* kNoLicense =
    "[title]\r\nTool\r\n\r\n[files]\r\napp;app.exe\r\n\r\n[group icons]\r\nApp;app.exe\r\n";

// The button bar as one line: caption of each visible button, "-" for a hidden one.
std::string Buttons(TWizardForm& w) {
  std::string s;
  for (TButton* b : {&w.btnPrevious, &w.btnNext, &w.btnFinish, &w.btnCancel, &w.btnPrint})
    s += (b->Visible() ? "[" + b->Caption() + "]" : std::string("-")) + " ";
  return s + (w.SpaceTimer.Enabled() ? "timer" : "off");
}
}  // namespace

TEST_F(EngineTest, WithLicenseWalksZeroOneTwoOneTwo) {
  Start(kWithLicense, {{"app", "x"}, {"lic.txt", "terms"}});
  EXPECT_EQ(Buttons(W()), "- [&Next >>] - [&Cancel] - off");

  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 1);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 1);
  EXPECT_EQ(Buttons(W()), "[&No] [&Yes] - [&Cancel] [&Print] off");

  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 2);
  EXPECT_EQ(Buttons(W()), "[<< &Previous] [&Next >>] - [&Cancel] - timer");

  W().btnPrevious.Click();
  EXPECT_EQ(PageIndex, 1);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 1);
  EXPECT_EQ(Buttons(W()), "[&No] [&Yes] - [&Cancel] [&Print] off");

  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(Buttons(W()), "[<< &Previous] [&Next >>] - [&Cancel] - timer");
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(EngineTest, WithoutLicenseWalksZeroTwoZero) {
  Start(kNoLicense, {{"app", "x"}});
  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 2);
  // The layout's caption, trailing blank included; the timer is not started.
  EXPECT_EQ(Buttons(W()), "[<< &Previous ] [&Next >>] - [&Cancel] - off");

  W().btnPrevious.Click();
  EXPECT_EQ(PageIndex, 0);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 0);
  EXPECT_EQ(Buttons(W()), "- [&Next >>] - [&Cancel] - off");

  W().btnNext.Click();
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(Buttons(W()), "[<< &Previous ] [&Next >>] - [&Cancel] - off");
}

TEST_F(EngineTest, DecliningTheLicense) {
  Start(kWithLicense, {{"app", "x"}, {"lic.txt", "terms"}});
  W().btnNext.Click();

  plat.MessageBoxAnswers = {mb::IdNo};
  W().btnPrevious.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "If you do not agree to the license and disclaimer, you may not install Tool.\r\r"
            "Are you sure you wish to cancel installing Tool?");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Cancel Installation");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, mb::YesNo | mb::IconQuestion);  // not task-modal
  EXPECT_EQ(PageIndex, 1);
  EXPECT_EQ(Buttons(W()), "[&No] [&Yes] - [&Cancel] [&Print] off");
  EXPECT_FALSE(form->Closed());

  plat.MessageBoxAnswers = {mb::IdYes};
  W().btnPrevious.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 2u);  // the main window asks nothing more
  EXPECT_TRUE(CloseConfirmed);
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(plat.Terminated());
  EXPECT_FALSE(Exists("C:\\Program Files\\uninstall.log"));
}

TEST_F(EngineTest, SpaceCheckOnLeavingTheLocationPage) {
  Start(kNoLicense, {{"app", std::string(10000, 'x')}});
  ASSERT_EQ(InstallSize, (10000 + 4096) * 11 / 10);
  GoToLocation("C:\\Apps\\Tool");

  plat.SetFreeSpace('C', InstallSize - 1);
  W().UpdateDiskSpace();
  W().btnNext.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "There is insufficient disk space free on the selected drive to install Tool.\r\r"
            "Please select a different drive, or cancel the installation, free up disk space, "
            "and restart this installation program.");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Insufficient Disk Space");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, mb::IconInformation);
  EXPECT_EQ(PageIndex, 2);
  EXPECT_EQ(Buttons(W()), "[<< &Previous ] [&Next >>] - [&Cancel] - off");
  EXPECT_FALSE(Exists("C:\\Apps"));

  // A drive that cannot be queried counts as too small.
  GoToLocation("Q:\\Tool");
  EXPECT_EQ(FreeSpace, -1);
  W().btnNext.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 2u);
  EXPECT_EQ(PageIndex, 2);

  // Exactly enough: the run starts and goes through to the last page.
  plat.SetFreeSpace('C', InstallSize);
  GoToLocation("C:\\Apps\\Tool");
  W().btnNext.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 2u);
  EXPECT_EQ(PageIndex, 5);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 5);
  EXPECT_EQ(Buttons(W()), "- - [&Finish] - - off");
  EXPECT_TRUE(Exists("C:\\Apps\\Tool\\app.exe"));
}

TEST_F(EngineTest, PreviousOnTheWelcomePageAndIndicesOutsideTheSequenceDoNothing) {
  Start(kNoLicense, {{"app", "x"}});
  form->PreviousPage();
  EXPECT_EQ(PageIndex, 0);
  for (int index : {-1, 6, 42}) {
    PageIndex = index;
    std::string before = Buttons(W());
    form->NextPage();
    form->PreviousPage();
    EXPECT_EQ(PageIndex, index);
    EXPECT_EQ(Buttons(W()), before);
  }
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(EngineTest, NextDuringAStageDoesNothing) {
  Start(kNoLicense, {{"app", Incompressible(300000)}});
  GoToLocation("C:\\Apps\\Tool");
  std::vector<int> pagesSeen;
  plat.OnProcessMessages = [&] {
    pagesSeen.push_back(PageIndex);
    // A user hammering Next while files are unpacked.
    if (PageIndex == 3 || PageIndex == 4) W().btnNext.Click();
  };
  W().btnNext.Click();
  plat.OnProcessMessages = nullptr;
  EXPECT_EQ(PageIndex, 5);
  ASSERT_FALSE(pagesSeen.empty());
  EXPECT_EQ(pagesSeen.back(), 3);
  // The second stage ran once: one group directory record, one shortcut.
  std::vector<std::string> records = LogRecords("C:\\Apps\\Tool\\uninstall.log");
  EXPECT_EQ(std::count(records.begin(), records.end(), "Directory: ;C:\\Menu\\"), 1);
  EXPECT_EQ(plat.ShellLinks.size(), 1u);
  EXPECT_EQ(plat.ReadFileText("C:\\Apps\\Tool\\app.exe").size(), 300000u);
}
