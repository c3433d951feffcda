// The directory chooser: where it opens, what OK makes present.
#include "ui/DirectorySelectForm.h"

#include <gtest/gtest.h>

#include "platform/testing/TestPlatform.h"

class ChooserTest : public ::testing::Test {
 protected:
  TTestPlatform plat;
  TDirectorySelect d;
  void SetUp() override {
    SetPlatform(&plat);
    plat.ForceDirectories("C:\\Apps");
  }
  void TearDown() override { SetPlatform(nullptr); }
};

TEST_F(ChooserTest, OpensOnTheNearestExistingAncestor) {
  EXPECT_EQ(d.Form.Caption(), "Select Install Directory");
  d.SetStartPath("C:\\Apps\\New\\Deeper");
  EXPECT_EQ(d.edtPath.Text(), "C:\\Apps\\New\\Deeper");
  EXPECT_EQ(d.DirectoryListBox.Directory(), "C:\\Apps");
  EXPECT_EQ(d.ChosenPath, "C:\\Apps");
  EXPECT_EQ(d.DriveComboBox.Drive(), 'C');

  TDirectorySelect trailing;
  trailing.SetStartPath("C:\\Apps\\New\\");
  EXPECT_EQ(trailing.DirectoryListBox.Directory(), "C:\\Apps");
  EXPECT_EQ(trailing.edtPath.Text(), "C:\\Apps\\New\\");

  TDirectorySelect root;
  root.SetStartPath("C:\\Nothing");
  EXPECT_EQ(root.DirectoryListBox.Directory(), "C:\\");

  TDirectorySelect existing;
  existing.SetStartPath("C:\\Apps");
  EXPECT_EQ(existing.ChosenPath, "C:\\Apps");
  EXPECT_EQ(existing.edtPath.Text(), "C:\\Apps");
}

TEST_F(ChooserTest, OpensEmptyWhenNoAncestorExists) {
  for (const char* start : {"Q:\\Apps\\Tool", "", "nothing\\here"}) {
    TDirectorySelect c;
    c.SetStartPath(start);
    EXPECT_EQ(c.DirectoryListBox.Directory(), "") << start;
    EXPECT_EQ(c.ChosenPath, "") << start;
    EXPECT_EQ(c.edtPath.Text(), start);
  }
}

TEST_F(ChooserTest, ListAndDriveReplaceTheTypedPath) {
  d.SetStartPath("C:\\Apps\\New");
  d.edtPath.SetText("typed");
  plat.ForceDirectories("C:\\Apps\\Sub");
  d.DirectoryListBox.SetDirectory("C:\\Apps\\Sub\\");
  EXPECT_EQ(d.edtPath.Text(), "C:\\Apps\\Sub");
  EXPECT_EQ(d.ChosenPath, "C:\\Apps\\Sub");

  plat.AddDrive('D');
  d.DriveComboBoxChange('d');
  EXPECT_EQ(d.DriveComboBox.Drive(), 'D');
  EXPECT_EQ(d.DirectoryListBox.Directory(), "D:\\");
  EXPECT_EQ(d.edtPath.Text(), "D:\\");
  d.DriveComboBoxChange('Q');  // not ready: nothing changes
  EXPECT_EQ(d.DirectoryListBox.Directory(), "D:\\");
}

TEST_F(ChooserTest, OkTrimsAndMakesEveryMissingLevel) {
  d.SetStartPath("C:\\Apps");
  d.edtPath.SetText(" \t C:\\Apps\\New\\Deeper\\ \r\n");
  d.btnOK.Click();
  EXPECT_EQ(d.ModalResult, mb::IdOk);
  EXPECT_EQ(d.ChosenPath, "C:\\Apps\\New\\Deeper\\");
  EXPECT_TRUE(plat.DirectoryExists("C:\\Apps\\New\\Deeper"));
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(ChooserTest, OkOnBlankTextAsksForADirectory) {
  d.edtPath.SetText("  \t ");
  d.btnOK.Click();
  EXPECT_EQ(d.ModalResult, 0);
  ASSERT_EQ(plat.MessageBoxes.size(), 1u);
  EXPECT_EQ(plat.MessageBoxes[0].Text,
            "You have not specified a directory. Please specify a directory, or press Cancel.");
  EXPECT_EQ(plat.MessageBoxes[0].Caption, "No Directory Selected");
  EXPECT_EQ(plat.MessageBoxes[0].Flags, 64u);
  EXPECT_EQ(d.edtPath.Text(), "  \t ");
}

TEST_F(ChooserTest, OkOnAPathThatCannotBeMade) {
  plat.WriteFileText("C:\\Apps\\file", "x");
  for (const char* path : {"Q:\\Tool", "C:\\Apps\\file\\Tool", "nothing\\Tool"}) {
    TDirectorySelect c;
    plat.MessageBoxes.clear();
    c.edtPath.SetText(path);
    c.btnOK.Click();
    EXPECT_EQ(c.ModalResult, 0) << path;
    ASSERT_EQ(plat.MessageBoxes.size(), 1u) << path;
    EXPECT_EQ(plat.MessageBoxes[0].Text,
              "The path you specified does not exist, and could not be created. Please enter a "
              "valid path, select an existing directory, or press Cancel.");
    EXPECT_EQ(plat.MessageBoxes[0].Caption, "Could Not Create Path");
    EXPECT_EQ(plat.MessageBoxes[0].Flags, 64u);
  }
}

TEST_F(ChooserTest, ShortTextsAndRootsCountAsPresent) {
  for (const char* path : {"Q:", "Q", "Q:\\", "C:\\", "C:\\Apps"}) {
    TDirectorySelect c;
    c.edtPath.SetText(path);
    c.btnOK.Click();
    EXPECT_EQ(c.ModalResult, mb::IdOk) << path;
    EXPECT_EQ(c.ChosenPath, path);
  }
  EXPECT_TRUE(plat.MessageBoxes.empty());
}

TEST_F(ChooserTest, RelativeTextsResolveAgainstTheCurrentDirectory) {
  plat.SetCurrentDir("C:\\Apps");
  plat.ForceDirectories("C:\\Apps\\sub");
  EXPECT_TRUE(MakeDirectoryPresent("sub\\deeper"));
  EXPECT_TRUE(plat.DirectoryExists("C:\\Apps\\sub\\deeper"));
  // The first part of a relative text must exist already.
  EXPECT_FALSE(MakeDirectoryPresent("other\\deeper"));
  EXPECT_FALSE(plat.DirectoryExists("C:\\Apps\\other"));
  // A rooted text is on the current drive.
  EXPECT_TRUE(MakeDirectoryPresent("\\Rooted\\Two"));
  EXPECT_TRUE(plat.DirectoryExists("C:\\Rooted\\Two"));
}

TEST_F(ChooserTest, CancelEndsWithCancel) {
  d.btnCancel.Click();
  EXPECT_EQ(d.ModalResult, mb::IdCancel);
  EXPECT_EQ(d.Controls().size(), 6u);
}
