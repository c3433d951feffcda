// The wizard dialog's own behaviour: layout texts, disk space, the close and
// cancel questions, Browse and printing.
#include "EngineFixture.h"
#include "ui/DirectorySelectForm.h"

class WizardTest : public EngineTest {
 protected:
  TWizardForm w;
};

TEST_F(WizardTest, LayoutTextsAndWiring) {
  EXPECT_EQ(w.btnPrint.Caption(), "&Print");
  EXPECT_EQ(w.btnPrevious.Caption(), "<< &Previous ");
  EXPECT_EQ(w.btnNext.Caption(), "&Next >>");
  EXPECT_EQ(w.btnFinish.Caption(), "&Finish");
  EXPECT_EQ(w.btnCancel.Caption(), "&Cancel");
  EXPECT_EQ(w.btnBrowse.Caption(), "&Browse...");
  EXPECT_EQ(w.Label1.Caption(), "Space required:");
  EXPECT_EQ(w.Label2.Caption(), "Space available:");
  EXPECT_EQ(w.lblInsufficientDiskSpace.Caption(),
            "There is insufficient disk space on this drive.");
  EXPECT_EQ(w.chkDesktopIcon.Caption(), "Create &Desktop Icon");
  EXPECT_EQ(w.chkLaunchNow.Caption(), "&Launch Program Now");
  EXPECT_EQ(w.btnReadme.Caption(), "&View Readme");
  EXPECT_FALSE(w.btnReadme.Visible());
  EXPECT_EQ(w.SpaceTimer.Interval, 1000);
  EXPECT_FALSE(w.SpaceTimer.Enabled());
  EXPECT_FALSE(w.edtLocation.Enabled());
  EXPECT_EQ(w.WizardPages.PageCount, 6);
  for (TButton* b :
       {&w.btnNext, &w.btnFinish, &w.btnPrevious, &w.btnCancel, &w.btnBrowse, &w.btnPrint})
    EXPECT_TRUE(b->OnClick) << b->Name;
  EXPECT_TRUE(w.SpaceTimer.OnTimer);
  EXPECT_EQ(w.Controls().size(), 57u);  // with the scope's and the restart's radio buttons
}

TEST_F(WizardTest, DiskSpaceDisplay) {
  w.edtLocation.SetText("C:\\Apps");
  InstallSize = 1024;
  for (auto [free, text] : std::vector<std::pair<int64_t, std::string>>{
           {1023, "0 kb"}, {1024, "1 kb"}, {5368709120, "5242880 kb"}}) {
    plat.SetFreeSpace('C', free);
    w.SpaceTimer.OnTimer();
    EXPECT_EQ(FreeSpace, free);
    EXPECT_EQ(w.lblSpaceAvailable.Caption(), text);
  }
  // Equal counts as enough; one byte less does not.
  plat.SetFreeSpace('C', 1024);
  w.UpdateDiskSpace();
  EXPECT_FALSE(w.lblInsufficientDiskSpace.Visible());
  plat.SetFreeSpace('C', 1023);
  w.UpdateDiskSpace();
  EXPECT_TRUE(w.lblInsufficientDiskSpace.Visible());
  // A drive that cannot be queried.
  InstallSize = 0;
  w.edtLocation.SetText("Q:\\Apps");
  w.UpdateDiskSpace();
  EXPECT_EQ(FreeSpace, -1);
  EXPECT_EQ(w.lblSpaceAvailable.Caption(), "0 kb");
  EXPECT_TRUE(w.lblInsufficientDiskSpace.Visible());
  // A relative location asks the current drive.
  plat.AddDrive('D');
  plat.SetFreeSpace('D', 2048);
  plat.SetCurrentDir("D:\\");
  w.edtLocation.SetText("x");
  w.UpdateDiskSpace();
  EXPECT_EQ(w.lblSpaceAvailable.Caption(), "2 kb");
}

TEST_F(WizardTest, CloseQuestion) {
  ProductTitle = "Tool";
  plat.MessageBoxAnswers = {mb::IdNo};
  EXPECT_FALSE(w.Close());
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "Closing this program will cancel the installation. Are you sure you wish to cancel "
            "installing Tool?");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "Cancel Installation");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 8228u);
  EXPECT_FALSE(w.Closed());
  EXPECT_FALSE(plat.Terminated());

  // Cancel outside an extraction asks the same question.
  plat.MessageBoxAnswers = {mb::IdYes};
  w.btnCancel.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 2u);
  EXPECT_EQ(plat.MessageBoxes[1].Text, plat.MessageBoxes[0].Text);
  EXPECT_TRUE(w.Closed());
  EXPECT_TRUE(plat.Terminated());
}

TEST_F(WizardTest, CloseWithoutQuestionWhileAbortingOrConfirmed) {
  for (bool* flag : {&Aborting, &CloseConfirmed}) {
    TWizardForm dialog;
    Aborting = CloseConfirmed = false;
    *flag = true;
    bool canClose = false;
    dialog.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
  }
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(WizardTest, CancelDuringExtractionAsksToAbort) {
  Start("[title]\r\nTool\r\n\r\n[files]\r\n\r\n[group icons]\r\n");
  Extracting = true;
  plat.MessageBoxAnswers = {mb::IdNo};
  W().btnCancel.Click();
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "The installation is currently in progress. Cancelling now will abort the "
            "installation.\r\rAre you sure you wish to abort the installation of Tool?");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 8228u);
  EXPECT_FALSE(Aborting);
  EXPECT_TRUE(W().btnCancel.Enabled());

  plat.MessageBoxAnswers = {mb::IdYes};
  W().btnCancel.Click();
  EXPECT_TRUE(Aborting);
  EXPECT_TRUE(PackageReader->Cancelled());
  EXPECT_FALSE(W().btnCancel.Enabled());
  EXPECT_FALSE(plat.Terminated());  // the run finishes the cancel
  // A disabled Cancel (as Escape would press it) does nothing.
  W().btnCancel.Click();
  EXPECT_EQ(plat.MessageBoxes.size(), 2u);
}

TEST_F(WizardTest, BrowseTakesTheChosenPathOnlyOnOk) {
  plat.ForceDirectories("C:\\Apps");
  plat.AddDrive('D');
  plat.SetFreeSpace('D', 4096);
  w.edtLocation.SetText("C:\\Apps\\New\\Tool");
  std::string startedIn, shown;
  plat.OnShowDirectorySelect = [&](TDirectorySelect& d) {
    startedIn = d.DirectoryListBox.Directory();
    shown = d.edtPath.Text();
    d.edtPath.SetText("D:\\Chosen");
    d.btnOK.Click();
    return d.ModalResult == mb::IdOk;
  };
  w.btnBrowse.Click();
  EXPECT_EQ(startedIn, "C:\\Apps");
  EXPECT_EQ(shown, "C:\\Apps\\New\\Tool");
  EXPECT_EQ(w.edtLocation.Text(), "D:\\Chosen");
  EXPECT_TRUE(plat.DirectoryExists("D:\\Chosen"));
  EXPECT_EQ(FreeSpace, 4096);

  // Cancel keeps the location and still refreshes the figures.
  plat.SetFreeSpace('D', 8192);
  plat.OnShowDirectorySelect = [](TDirectorySelect& d) {
    d.edtPath.SetText("C:\\Elsewhere");
    d.btnCancel.Click();
    return false;
  };
  w.btnBrowse.Click();
  EXPECT_EQ(w.edtLocation.Text(), "D:\\Chosen");
  EXPECT_EQ(w.lblSpaceAvailable.Caption(), "8 kb");
}

TEST_F(WizardTest, PrintingWithoutAPrinterOffersTheWizard) {
  plat.PrinterPresent = false;
  plat.MessageBoxAnswers = {mb::IdNo, mb::IdYes};
  EXPECT_FALSE(w.PrinterAvailable());
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "No printer is currently selected. Would you like to launch the Windows Add Printer "
            "Wizard?");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "No Printer");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 36u);
  EXPECT_TRUE(plat.SystemPrograms.empty());

  // Started from the system folder, never looked up beside the installer.
  w.btnPrint.Click();
  ASSERT_EQ(plat.SystemPrograms.size(), 1u);
  EXPECT_EQ(plat.SystemPrograms[0].Program, "rundll32.exe");
  EXPECT_EQ(plat.SystemPrograms[0].Parameters, "shell32.dll,SHHelpShortcuts_RunDLL AddPrinter");
  EXPECT_EQ(plat.SystemPrograms[0].ShowCmd, 5);
  EXPECT_EQ(plat.PrinterSetupCount, 0);
  EXPECT_TRUE(plat.PrintJobs.empty());
}

TEST_F(WizardTest, PrintingTheLicence) {
  plat.PrinterPresent = true;
  ProductTitle = "Tool";
  w.rchLicense.SetLines("{\\rtf1 terms}");
  plat.PrinterSetupAnswer = false;
  w.btnPrint.Click();
  EXPECT_EQ(plat.PrinterSetupCount, 1);
  EXPECT_TRUE(plat.PrintJobs.empty());

  plat.PrinterSetupAnswer = true;
  w.btnPrint.Click();
  ASSERT_EQ(plat.PrintJobs.size(), 1u);
  EXPECT_EQ(plat.PrintJobs[0].DocumentName, "Tool License Agreement");
  EXPECT_EQ(plat.PrintJobs[0].Text, "{\\rtf1 terms}");

  plat.PrintFails = true;
  EXPECT_NO_THROW(w.btnPrint.Click());
  EXPECT_TRUE(plat.MessageBoxes.empty());
}
