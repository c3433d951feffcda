#include "script/infreader.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TINFReader Load(std::string_view text) {
  TINFReader r;
  r.LoadFromStream(text);
  return r;
}

TEST(INFReaderTest, SplitsLinesAtEveryKindOfLineEnd) {
  EXPECT_EQ(Load("a\r\nb\nc\rd").Lines(), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(Load("a\n\rb").Lines(), (Lines{"a", "", "b"}));  // LF CR is two line ends
  EXPECT_EQ(Load("a\r\n").Lines(), (Lines{"a"}));
  EXPECT_EQ(Load("a\r\n\r\n").Lines(), (Lines{"a", ""}));
  EXPECT_EQ(Load("\n").Lines(), (Lines{""}));
  EXPECT_EQ(Load("").Lines(), (Lines{}));
  EXPECT_EQ(Load(std::string_view("a\nb\0c\nd", 7)).Lines(), (Lines{"a", "b"}));
  // A UTF-8 mark is dropped; text that is not UTF-8 is read in the ANSI code page.
  EXPECT_EQ(Load("\xEF\xBB\xBF[title]\nx").FindSection("title"), 1);
  EXPECT_EQ(Load("[title]\r\n\xA9 caf\xE9").GetValue("title"), "\xC2\xA9 caf\xC3\xA9");
}

TEST(INFReaderTest, LoadsFromStreamPositionAndReplacesEarlierLines) {
  TINFReader r;
  r.LoadFromStream("[old]\nx");
  TMemoryStream s(std::string("skip\n[title]\r\nHello\r\n"));
  s.Seek(5);
  r.LoadFromStream(s);
  EXPECT_EQ(r.Lines(), (Lines{"[title]", "Hello"}));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(r.FindSection("old"), -1);
}

TEST(INFReaderTest, HeadersMatchWholeLinesIgnoringCaseAndFirstWins) {
  TINFReader r = Load("intro\n[TITLE]\nFirst\n\n [launch]\nx\n\n[launch] \ny\n\n[title]\nSecond");
  EXPECT_EQ(r.FindSection("title"), 2);
  EXPECT_EQ(r.GetValue("Title"), "First");
  EXPECT_EQ(r.FindSection("launch"), -1);
  EXPECT_FALSE(r.SectionExists("launch"));
  EXPECT_EQ(r.GetSection("launch"), nullptr);
  EXPECT_EQ(r.FindSection("intro"), -1);
}

TEST(INFReaderTest, PresenceNeedsALineAfterTheHeader) {
  TINFReader last = Load("[title]\nx\n\n[launch]");
  EXPECT_EQ(last.FindSection("launch"), 4);
  EXPECT_FALSE(last.SectionExists("launch"));
  EXPECT_EQ(last.GetValue("launch"), "");
  ASSERT_NE(last.GetSection("launch"), nullptr);
  EXPECT_TRUE(last.GetSection("launch")->empty());

  TINFReader blank = Load("[files]\r\n\r\n[title]\r\nx\r\n");
  EXPECT_TRUE(blank.SectionExists("files"));
  EXPECT_EQ(blank.GetValue("files"), "");
  ASSERT_NE(blank.GetSection("files"), nullptr);
  EXPECT_TRUE(blank.GetSection("files")->empty());
}

TEST(INFReaderTest, SectionValuesRunToTheFirstBlankLine) {
  TINFReader r = Load(
      "[files]\n"
      "  a;b  \n"
      " \t# \n"
      "#not a comment\n"
      "[group icons]\n"
      "App;app.exe\n"
      "\t \n"
      "after;blank\n");
  auto files = r.GetSection("files");
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(*files, (Lines{"  a;b  ", "", "#not a comment", "[group icons]", "App;app.exe"}));
  // The header inside the first section is still found on its own.
  EXPECT_EQ(*r.GetSection("group icons"), (Lines{"App;app.exe"}));
  // GetValue is raw: neither trimmed nor subject to the "#" rule.
  TINFReader hash = Load("[x]\n#\n\n[y]\n  v \n");
  EXPECT_EQ(hash.GetValue("x"), "#");
  EXPECT_EQ(hash.GetValue("y"), "  v ");
}

TEST(INFReaderTest, SplitValue) {
  std::string left, right;
  TINFReader::SplitValue("  data\\a.exe; a.exe  ", left, right);
  EXPECT_EQ(left, "  data\\a.exe");
  EXPECT_EQ(right, " a.exe  ");
  TINFReader::SplitValue("a;b;c", left, right);
  EXPECT_EQ(left, "a");
  EXPECT_EQ(right, "b;c");
  TINFReader::SplitValue("whole line", left, right);
  EXPECT_EQ(left, "");
  EXPECT_EQ(right, "whole line");
  TINFReader::SplitValue(";rest", left, right);
  EXPECT_EQ(left, "");
  EXPECT_EQ(right, "rest");
}

TEST(INFReaderTest, EmptyReaderAnswersAbsent) {
  TINFReader r;
  EXPECT_EQ(r.FindSection("files"), -1);
  EXPECT_EQ(r.GetSection("files"), nullptr);
  EXPECT_EQ(r.GetValue("title"), "");
}

}  // namespace
