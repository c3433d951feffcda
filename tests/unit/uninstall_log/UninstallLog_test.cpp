#include "uninstall_log/UninstallLog.h"

#include <gtest/gtest.h>

#include "common/Errors.h"
#include "platform/testing/TestPlatform.h"

namespace {

const char* const LogName = "C:\\Apps\\Example\\uninstall.log";

// The banner exactly as a log file begins, CR LF after every line.
const char* const BannerBytes =
    "#######################################################\r\n"
    "# Bundlewrighter Uninstall Log File                   #\r\n"
    "# Bundlewrighter inc.                                 #\r\n"
    "# https://bundlewrighter.example/                     #\r\n"
    "#######################################################\r\n"
    "# This is an automatically generated file.            #\r\n"
    "#                                                     #\r\n"
    "# IT IS VERY IMPORTANT THAT THIS FILE NOT BE EDITED   #\r\n"
    "# OR OTHERWISE MODIFIED.                              #\r\n"
    "#                                                     #\r\n"
    "# Editing this file could cause the uninstall process #\r\n"
    "# to malfunction or fail.                             #\r\n"
    "#######################################################\r\n";

class UninstallLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&P);
    P.ForceDirectories("C:\\Apps\\Example");
  }
  void TearDown() override { SetPlatform(nullptr); }

  // Every record the object hands back, newest first, as "key=value".
  static std::vector<std::string> Drain(TLogFile& log) {
    std::vector<std::string> out;
    std::string key, value;
    while (log.ReadPrevious(key, value)) out.push_back(key + "=" + value);
    return out;
  }

  TTestPlatform P;
};

TEST_F(UninstallLogTest, BannerLinesAreFiftyFiveCharacters) {
  ASSERT_EQ(LogBanner().size(), 13u);
  for (const std::string& line : LogBanner()) EXPECT_EQ(line.size(), 55u) << line;
}

TEST_F(UninstallLogTest, WriterCreatesBannerAndAppendsRecords) {
  TLogFile log(LogName, true);
  EXPECT_EQ(P.ReadFileText(LogName), BannerBytes);
  EXPECT_EQ(log.LineCount(), 0);

  log.AddTitle("Example");
  log.AddDirectory("C:\\Apps\\Example", "Apps\\Example");
  log.AddFile("C:\\Apps\\Example\\uninstall.log");
  log.AddFile("");
  EXPECT_EQ(P.ReadFileText(LogName), std::string(BannerBytes) +
                                         "Title: Example\r\n"
                                         "Directory: Apps\\Example;C:\\Apps\\Example\r\n"
                                         "File: C:\\Apps\\Example\\uninstall.log\r\n"
                                         "File: \r\n");
  EXPECT_EQ(log.Title(), "Example");
  EXPECT_EQ(log.LineCount(), 4);
  EXPECT_EQ(Drain(log), (std::vector<std::string>{"File=", "File=C:\\Apps\\Example\\uninstall.log",
                                                  "Directory=Apps\\Example;C:\\Apps\\Example",
                                                  "Title=Example"}));
}

TEST_F(UninstallLogTest, AppendAfterReadingRestartsFromNewest) {
  TLogFile log(LogName, true);
  std::string key, value;
  EXPECT_FALSE(log.ReadPrevious(key, value));
  log.AddFile("C:\\A\\x.exe");
  log.AddDirectory("C:\\A\\", "A\\");
  ASSERT_TRUE(log.ReadPrevious(key, value));
  EXPECT_EQ(key, "Directory");
  EXPECT_EQ(value, "A\\;C:\\A\\");
  log.AddFile("C:\\A\\y.exe");
  EXPECT_EQ(Drain(log), (std::vector<std::string>{"File=C:\\A\\y.exe", "Directory=A\\;C:\\A\\",
                                                  "File=C:\\A\\x.exe"}));
}

TEST_F(UninstallLogTest, ExistingLogIsReplaced) {
  P.WriteFileText(LogName, "old content that must go\r\nFile: C:\\old\r\n");
  TLogFile log(LogName, true);
  EXPECT_EQ(P.ReadFileText(LogName), BannerBytes);
}

// The writer holds its file for the whole run (on Windows no other writer
// gets in); carried records go to the file only; once the file is closed, as
// the rollback does before removing it, appends raise and the records stay
// readable from memory.
TEST_F(UninstallLogTest, WriterHoldsItsFileAndRaisesOnceItIsClosed) {
  TLogFile log(LogName, true);
  log.AddTitle("Example");
  log.CarryRecords({"File: C:\\Old\\x.exe"});
#ifdef _WIN32
  EXPECT_THROW(P.OpenFile(LogName, TFileMode::Append), EInOutError);
#endif
  EXPECT_EQ(P.ReadFileText(LogName),
            std::string(BannerBytes) + "Title: Example\r\nFile: C:\\Old\\x.exe\r\n");
  log.CloseFile();
  EXPECT_THROW(log.AddFile("C:\\Apps\\Example\\a.exe"), EInOutError);
  EXPECT_EQ(P.ReadFileText(LogName),
            std::string(BannerBytes) + "Title: Example\r\nFile: C:\\Old\\x.exe\r\n");
  EXPECT_EQ(log.LineCount(), 2);
  EXPECT_EQ(Drain(log),
            (std::vector<std::string>{"File=C:\\Apps\\Example\\a.exe", "Title=Example"}));
}

TEST_F(UninstallLogTest, WriterFailuresCarryIoMessages) {
  try {
    TLogFile log("C:\\Missing\\Folder\\uninstall.log", true);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 3);
    EXPECT_STREQ(e.what(), "Invalid filename");
  }
  // A folder in the place of the file.
  P.ForceDirectories("C:\\Apps\\Example\\taken.log");
  try {
    TLogFile log("C:\\Apps\\Example\\taken.log", true);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 5);
    EXPECT_STREQ(e.what(), "File access denied");
  }
  EXPECT_EQ(InOutErrorMessage(2), "File not found");
  EXPECT_EQ(InOutErrorMessage(4), "Too many open files");
  EXPECT_EQ(InOutErrorMessage(101), "Disk full");
  EXPECT_EQ(InOutErrorMessage(32), "I/O error 32");
}

TEST_F(UninstallLogTest, ReaderLoadsEveryLineAndKeepsLastTitleAndSource) {
  P.WriteFileText(LogName, std::string(BannerBytes) +
                               "Title: First\r\n"
                               "\r\n"
                               "Source: D:\\pkg\n"
                               "title: lower case sets nothing\r"
                               "  # note\r\n"
                               "# a comment\r\n"
                               "File: C:\\App\\a.exe\r\n"
                               "Title:   Second\t \r\n"
                               "no colon here\r\n"
                               "Directory: x\\;C:\\App\\x\\");  // last line without an end
  TLogFile log(LogName, false);
  EXPECT_EQ(log.LineCount(), 13 + 10);
  EXPECT_EQ(log.Title(), "Second");
  EXPECT_EQ(log.Source(), "D:\\pkg");
  EXPECT_EQ(Drain(log), (std::vector<std::string>{"Directory=x\\;C:\\App\\x\\", "=no colon here",
                                                  "Title=Second", "File=C:\\App\\a.exe", "=# note",
                                                  "title=lower case sets nothing", "Source=D:\\pkg",
                                                  "Title=First"}));
}

TEST_F(UninstallLogTest, ReaderStopsAtNulAndRefusesAppends) {
  P.WriteFileText(LogName, std::string("File: C:\\a\r\nFile: C:\\b", 22) + std::string(1, '\0') +
                               "\r\nFile: C:\\hidden\r\n");
  TLogFile log(LogName, false);
  EXPECT_EQ(log.LineCount(), 2);
  try {
    log.AddFile("C:\\c");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Log file reader not writer.");
  }
  EXPECT_EQ(log.LineCount(), 2);
  EXPECT_EQ(Drain(log), (std::vector<std::string>{"File=C:\\b", "File=C:\\a"}));
  EXPECT_EQ(P.ReadFileText(LogName).find("C:\\c"), std::string::npos);
}

TEST_F(UninstallLogTest, ReaderOfMissingFile) {
  try {
    TLogFile log("C:\\Apps\\none.log", false);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Uninstall log file not found.");
  }
}

TEST(SplitRecord, TrimsAndSplitsAtFirstColon) {
  std::string key, value;
  SplitRecord("File: C:\\App\\a.exe", key, value);
  EXPECT_EQ(key, "File");
  EXPECT_EQ(value, "C:\\App\\a.exe");
  SplitRecord("\x01 Key \t:\x1f v:w \x7f\x20", key, value);
  EXPECT_EQ(key, "Key");
  EXPECT_EQ(value, "v:w \x7f");  // 0x7F is not trimmed
  SplitRecord("   ", key, value);
  EXPECT_EQ(key, "");
  EXPECT_EQ(value, "");
}

class UndoLogRecordTest : public UninstallLogTest {};

TEST_F(UndoLogRecordTest, RemovesOneLevelPerCreatedComponent) {
  P.ForceDirectories("C:\\Program Files\\Vendor\\App");
  UndoLogRecord("Directory", "Vendor\\App;C:\\Program Files\\Vendor\\App");
  EXPECT_FALSE(P.DirectoryExists("C:\\Program Files\\Vendor"));
  EXPECT_TRUE(P.DirectoryExists("C:\\Program Files"));

  P.ForceDirectories("C:\\App\\data");
  UndoLogRecord("Directory", "data\\;C:\\App\\data\\");
  EXPECT_FALSE(P.DirectoryExists("C:\\App\\data"));
  EXPECT_TRUE(P.DirectoryExists("C:\\App"));
}

TEST_F(UndoLogRecordTest, LeavesForeignContentAndReportsWhatStays) {
  P.ForceDirectories("C:\\Vendor\\App");
  P.WriteFileText("C:\\Vendor\\keep.txt", "not ours");
  P.WriteFileText("C:\\Vendor\\App\\a.exe", "ours");
  std::vector<std::string> left;
  UndoLogRecord("File", "C:\\Vendor\\App\\a.exe", &left);
  UndoLogRecord("File", "C:\\Vendor\\App\\gone.exe", &left);  // already gone: no complaint
  UndoLogRecord("Directory", "Vendor\\App;C:\\Vendor\\App", &left);
  EXPECT_FALSE(P.DirectoryExists("C:\\Vendor\\App"));
  EXPECT_TRUE(P.FileExists("C:\\Vendor\\keep.txt"));
  EXPECT_EQ(left, std::vector<std::string>{"C:\\Vendor"});
}

TEST_F(UndoLogRecordTest, OtherRecordsDoNothing) {
  P.ForceDirectories("C:\\App\\x");
  P.WriteFileText("C:\\App\\a.exe", "ours");
  UndoLogRecord("Directory", "C:\\App\\x");  // no ";": nothing is claimed
  UndoLogRecord("file", "C:\\App\\a.exe");   // keys are case-sensitive
  UndoLogRecord("Title", "C:\\App\\a.exe");
  UndoLogRecord("Directory", "A\\B\\C;C:\\App");  // more levels claimed than the path has
  EXPECT_TRUE(P.DirectoryExists("C:\\App\\x"));
  EXPECT_TRUE(P.FileExists("C:\\App\\a.exe"));
  EXPECT_TRUE(P.DirectoryExists("C:\\"));
}

}  // namespace
