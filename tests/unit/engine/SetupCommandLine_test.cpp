// The installer's command line as cmd.exe and PowerShell pass it.
#include "engine/SetupCommandLine.h"

#include <gtest/gtest.h>

namespace {
TSetupOptions Parse(const std::string& line, bool expectValid = true) {
  TSetupOptions o;
  std::string error;
  EXPECT_EQ(ParseSetupCommandLine(line, o, error), expectValid) << line << ": " << error;
  return o;
}

std::string ErrorOf(const std::string& line) {
  TSetupOptions o;
  std::string error;
  EXPECT_FALSE(ParseSetupCommandLine(line, o, error)) << line;
  return error;
}
}  // namespace

TEST(SetupCommandLine, ProgramNameQuotedOrNotAndNoSwitches) {
  TSetupOptions o = Parse("\"C:\\My Downloads\\setup.exe\"");
  EXPECT_FALSE(o.Silent);
  EXPECT_TRUE(o.TargetDir.empty());
  EXPECT_TRUE(o.LogFile.empty());
  // The name's blanks and a /S inside it are the name's.
  EXPECT_FALSE(Parse("\"C:\\x /S\\setup.exe\"  ").Silent);
  EXPECT_TRUE(Parse("setup.exe /S").Silent);
  EXPECT_TRUE(Parse("setup /s").Silent);
}

TEST(SetupCommandLine, TargetTakesTheRestOfTheLineWithBlanks) {
  TSetupOptions o = Parse("setup.exe /S /D=C:\\Program Files\\My App");
  EXPECT_TRUE(o.Silent);
  EXPECT_EQ(o.TargetDir, "C:\\Program Files\\My App");
  // Everything after /D= is the folder's, switch-like text included; only
  // blanks at its ends go.
  EXPECT_EQ(Parse("setup.exe /D=C:\\a  b /S  ").TargetDir, "C:\\a  b /S");
  EXPECT_FALSE(Parse("setup.exe /D=C:\\a /S").Silent);
  // Quoted as users type it in cmd.exe, and as PowerShell passes '/D=C:\a b'.
  EXPECT_EQ(Parse("setup.exe /S /D=\"C:\\My Apps\\X\"").TargetDir, "C:\\My Apps\\X");
  EXPECT_EQ(Parse("setup.exe /S \"/D=C:\\My Apps\\X\"").TargetDir, "C:\\My Apps\\X");
  // Only as an argument of its own: inside a quoted log name it is the name's.
  o = Parse("setup.exe \"/LOG=C:\\a /D=b\\log.txt\" /D=C:\\T");
  EXPECT_EQ(o.LogFile, "C:\\a /D=b\\log.txt");
  EXPECT_EQ(o.TargetDir, "C:\\T");
}

TEST(SetupCommandLine, QuotedLogFileAsTypedInCmdAndPowerShell) {
  EXPECT_EQ(Parse("setup.exe /LOG=\"C:\\my logs\\a.log\" /S").LogFile, "C:\\my logs\\a.log");
  EXPECT_EQ(Parse("setup.exe \"/LOG=C:\\my logs\\a.log\"").LogFile, "C:\\my logs\\a.log");
  EXPECT_EQ(Parse("setup.exe /log=C:\\x.log").LogFile, "C:\\x.log");
  // A trailing backslash before a closing quote is the path's, not an escape.
  EXPECT_EQ(Parse("setup.exe /LOG=\"C:\\logs\\\" /S").LogFile, "C:\\logs\\");
}

TEST(SetupCommandLine, HelpAndRepeatedFlags) {
  TSetupOptions o = Parse("setup.exe /? /S /S /?");
  EXPECT_TRUE(o.Help);
  EXPECT_TRUE(o.Silent);
}

TEST(SetupCommandLine, UnknownRepeatedOrEmptyValuesAreErrors) {
  EXPECT_EQ(ErrorOf("setup.exe /S /X"), "Unknown argument: /X");
  EXPECT_EQ(ErrorOf("setup.exe /Silent"), "Unknown argument: /Silent");
  EXPECT_EQ(ErrorOf("setup.exe -S"), "Unknown argument: -S");
  EXPECT_EQ(ErrorOf("setup.exe C:\\target"), "Unknown argument: C:\\target");
  EXPECT_EQ(ErrorOf("setup.exe \"\""), "Unknown argument: ");
  EXPECT_EQ(ErrorOf("setup.exe /LOG=a /LOG=b"), "/LOG= is given twice.");
  EXPECT_EQ(ErrorOf("setup.exe /LOG="), "/LOG= needs a file name.");
  EXPECT_EQ(ErrorOf("setup.exe /D=  "), "/D= needs a folder.");
  EXPECT_EQ(ErrorOf("setup.exe /D=C:\\a /D=C:\\b"), "/D= is given twice.");
  // What was read still counts for reporting: no box with /S, the log given.
  TSetupOptions o;
  std::string error;
  EXPECT_FALSE(ParseSetupCommandLine("setup.exe /Q /LOG=x.log /S", o, error));
  EXPECT_EQ(error, "Unknown argument: /Q");
  EXPECT_TRUE(o.Silent);
  EXPECT_EQ(o.LogFile, "x.log");
}
