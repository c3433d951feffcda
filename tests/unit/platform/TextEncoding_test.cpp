#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(TextEncodingTest, TellsValidUtf8FromAnythingElse) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC3", "caf\xE9", "\xA9 2024", "\xC0\xAF", "\xE0\x80\xAF",
                          "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98", "\x80", "\xFF"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(TextEncodingTest, ReadsScriptsAsUtf8WithOrWithoutMarkElseAnsi) {
  EXPECT_EQ(TextToUtf8("[title]\r\nHello"), "[title]\r\nHello");
  EXPECT_EQ(TextToUtf8("\xEF\xBB\xBF[title]\r\nZ\xC3\xBCrich"), "[title]\r\nZ\xC3\xBCrich");
  // Code page 1252 (the machine's ANSI code page here): "(c) café" and the
  // euro sign from the range where it differs from Latin-1.
  EXPECT_EQ(TextToUtf8("\xA9 caf\xE9 \x80"), "\xC2\xA9 caf\xC3\xA9 \xE2\x82\xAC");
  // A UTF-16 mark counts only where asked for.
  EXPECT_EQ(TextToUtf8("\xFF\xFE"
                       "A\0"s,
                       true),
            "A");
  EXPECT_EQ(TextToUtf8("\xFF\xFE"
                       "A"s),
            "\xC3\xBF\xC3\xBE"
            "A");
}

TEST(TextEncodingTest, Utf16ReplacesUnpairedSurrogatesAndAnOddByte) {
  EXPECT_EQ(Utf16LeToUtf8("=\x04\x3D\xD8\x00\xDE"s), "\xD0\xBD\xF0\x9F\x98\x80");  // "н😀"
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16LeToUtf8("\x3D\xD8"
                          "A\0"s),
            replacement + "A");  // high without low
  EXPECT_EQ(Utf16LeToUtf8("\x00\xDE"
                          "A\0"s),
            replacement + "A");                          // low alone
  EXPECT_EQ(Utf16LeToUtf8("\x3D\xD8"s), replacement);    // high at the end
  EXPECT_EQ(Utf16LeToUtf8("A\0B"s), "A" + replacement);  // dangling byte
}

TEST(TextEncodingTest, LicenceKeepsRichTextAndReadsNotepadsUtf16) {
  const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \xE9}";
  EXPECT_EQ(LicenceTextToUtf8(rtf), rtf);
  EXPECT_EQ(LicenceTextToUtf8("\xEF\xBB\xBF" + rtf), rtf);
  EXPECT_EQ(LicenceTextToUtf8("\xFF\xFE"
                              "{\0\\\0r\0t\0f\0"s),
            "{\\rtf");
  EXPECT_EQ(LicenceTextToUtf8("\xFF\xFE"
                              "\x1F\x04\x40\x04\r\0\n\0"s),
            "\xD0\x9F\xD1\x80\r\n");
  EXPECT_EQ(LicenceTextToUtf8("Licence \xA9"), "Licence \xC2\xA9");
}

TEST(TextEncodingTest, ComparesIgnoringCaseTheWayWindowsDoes) {
  EXPECT_TRUE(SameTextIgnoreCase("[Files]", "[FILES]"));
  EXPECT_TRUE(SameTextIgnoreCase("\xC3\x84rger.txt", "\xC3\xA4RGER.TXT"));  // Ärger
  EXPECT_TRUE(SameTextIgnoreCase("\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82",
                                 "\xD1\x82\xD0\x95\xD0\xA1\xD0\xA2"));  // Тест
  EXPECT_TRUE(SameTextIgnoreCase("\xCE\xB5\xCE\xBB\xCE\xAC", "\xCE\x95\xCE\x9B\xCE\x86"));  // ελά
  EXPECT_TRUE(SameTextIgnoreCase("\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"));  // 日本
  EXPECT_FALSE(SameTextIgnoreCase("a.txt", "b.txt"));
  EXPECT_FALSE(SameTextIgnoreCase("data\\a.txt", "DATA\\a.txt2"));
  EXPECT_FALSE(SameTextIgnoreCase("abX\xC3\xA9", "abY\xC3\x89"));
  EXPECT_FALSE(SameTextIgnoreCase("\xC3\xA4", "a"));
  EXPECT_EQ(FoldCase("caf\xC3\xA9 \xCF\x89"), "CAF\xC3\x89 \xCE\xA9");
  // Invalid text is compared, never a crash.
  EXPECT_FALSE(SameTextIgnoreCase("\xFF", "a"));
}

}  // namespace
