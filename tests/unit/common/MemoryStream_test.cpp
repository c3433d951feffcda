#include "common/MemoryStream.h"

#include <gtest/gtest.h>

TEST(MemoryStreamTest, ReadWriteSeek) {
  TMemoryStream s;
  s.Write("abcdef", 6);
  EXPECT_EQ(s.Position(), 6);
  s.Seek(2);
  s.Write("XY", 2);
  EXPECT_EQ(s.Data(), "abXYef");
  char buf[8];
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "ef");
  s.Seek(100);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  EXPECT_EQ(s.ReadToEnd(), "");
  s.Seek(3);
  EXPECT_EQ(s.ReadToEnd(), "Yef");
  EXPECT_EQ(s.Position(), 6);
}
