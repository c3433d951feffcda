#include "common/CompressionManager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PackageTestUtil.h"
#include "common/Errors.h"

using namespace testutil;

namespace {

struct TReport {
  int32_t position, total;
};

class CompressionManagerTest : public ::testing::Test {
 protected:
  // Writes bytes as a package file and opens it.
  std::unique_ptr<TCompressionManager> Open(const std::string& bytes, bool appended = false) {
    WriteFile(dir / "p.bin", bytes);
    return std::make_unique<TCompressionManager>(dir / "p.bin", false, true, appended);
  }
  // Extracts to a file, recording every progress report.
  std::vector<TReport> Extract(TCompressionManager& m, const std::string& name,
                               const std::string& dest) {
    std::vector<TReport> reports;
    m.OnProgress = [&](TCompressionManager* sender, int32_t position, int32_t total) {
      EXPECT_EQ(sender, &m);
      reports.push_back({position, total});
    };
    m.ExtractToFile(name, dest);
    return reports;
  }
  void ExpectCannotExtractToFile(TCompressionManager& m, const std::string& name) {
    try {
      m.ExtractToFile(name, dir / "out.bin");
      FAIL() << "no error for " << name;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot extract file.");
    }
  }
  void ExpectCannotExtractToMemory(TCompressionManager& m, const std::string& name) {
    std::string data;
    try {
      m.ExtractToString(name, data);
      FAIL() << "no error for " << name;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot extract file.");
    }
    EXPECT_THROW(m.ExtractToStream(name), Exception);
  }

  TTempDir dir;
};

TEST_F(CompressionManagerTest, ReadsHandMadePackageBehindHost) {
  const std::string host(1000, 'H');
  auto m = Open(MakePackage({Entry("install.inf", "[title]\r\nx\r\n"), Entry("data\\a.txt", "abc")},
                            host, true),
                true);
  EXPECT_EQ(m->PackageStart(), 1000);
  ASSERT_EQ(m->Entries().size(), 2u);
  EXPECT_EQ(m->Entries()[0].GetName(), "install.inf");
  EXPECT_EQ(m->Entries()[0].DataOffset, 268u);
  EXPECT_EQ(m->GetEntrySize("data\\a.txt"), 3);
  std::string data;
  m->ExtractToString("data\\a.txt", data);
  EXPECT_EQ(data, "abc");
  auto stream = m->ExtractToStream("install.inf");
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(stream->Data(), "[title]\r\nx\r\n");
}

TEST_F(CompressionManagerTest, LooksUpNamesIgnoringCaseAndLastMatchWins) {
  // Names are UTF-8; one that is not valid UTF-8 was packed in the ANSI code page.
  auto m = Open(MakePackage({Entry("install.inf", "first"), Entry("data\\App.exe", "app"),
                             Entry("\xC4rger.txt", "umlaut"), Entry("INSTALL.INF", "second"),
                             Entry("\xD0\xBD\xD0\xBE\xD1\x82\xD1\x8B.txt", "notes")}));
  EXPECT_EQ(m->FindEntry("Install.Inf"), 3);
  EXPECT_EQ(m->FindEntry("DATA\\app.EXE"), 1);
  EXPECT_EQ(m->FindEntry("\xC3\xA4RGER.TXT"), 2);
  EXPECT_EQ(m->FindEntry("\xD0\x9D\xD0\x9E\xD0\xA2\xD0\xAB.TXT"), 4);  // НОТЫ.TXT
  EXPECT_EQ(m->FindEntry("argen.txt"), -1);
  std::string data;
  m->ExtractToString("install.inf", data);
  EXPECT_EQ(data, "second");
  Extract(*m, "install.inf", dir / "i.txt");
  EXPECT_EQ(ReadFile(dir / "i.txt"), "second");
}

TEST_F(CompressionManagerTest, MissingNameIsNoError) {
  auto m = Open(MakePackage({Entry("a", "x")}));
  EXPECT_EQ(m->FindEntry("b"), -1);
  EXPECT_EQ(m->GetEntrySize("b"), -1);
  std::string data = "old";
  m->ExtractToString("b", data);
  EXPECT_EQ(data, "");
  auto stream = m->ExtractToStream("b");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Size(), 0);
  EXPECT_EQ(stream->Position(), 0);
  bool reported = false;
  m->OnProgress = [&](TCompressionManager*, int32_t, int32_t) { reported = true; };
  m->ExtractToFile("b", dir / "b.out");
  EXPECT_FALSE(std::filesystem::exists(dir / "b.out"));
  EXPECT_FALSE(reported);
}

TEST_F(CompressionManagerTest, EmptyEntryGivesEmptyFileAndOneReport) {
  auto m = Open(MakePackage({Entry("empty", "")}));
  EXPECT_EQ(m->Entries()[0].PackedSize, 8u);
  WriteFile(dir / "e.out", "stale content");  // truncated by the extraction
  auto reports = Extract(*m, "empty", dir / "e.out");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].position, 0);
  EXPECT_EQ(reports[0].total, 0);
  EXPECT_EQ(ReadFile(dir / "e.out"), "");
}

TEST_F(CompressionManagerTest, SmallEntryIsWrittenOnTheExtraPass) {
  auto m = Open(MakePackage({Entry("s", "hello")}));
  auto reports = Extract(*m, "s", dir / "s.out");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].position, 0);
  EXPECT_EQ(reports[1].position, 5);
  EXPECT_EQ(ReadFile(dir / "s.out"), "hello");
}

TEST_F(CompressionManagerTest, LargeEntryIsReadInChunksWithRisingProgress) {
  // Incompressible, so the stream is well over several 65,535-byte chunks;
  // the text entry inflates to more than one output buffer per chunk.
  const std::string random = RandomContent(300000);
  const std::string text = TextContent(3000000);
  auto m = Open(MakePackage({Entry("random", random), Entry("text", text)}));
  ASSERT_GT(m->Entries()[0].PackedSize, 4u * 65535);
  for (const auto& [name, content] : {std::pair{"random", &random}, std::pair{"text", &text}}) {
    auto reports = Extract(*m, name, dir / "big.out");
    ASSERT_GE(reports.size(), 5u);
    for (size_t i = 1; i < reports.size(); ++i)
      EXPECT_GE(reports[i].position, reports[i - 1].position);
    EXPECT_EQ(reports.back().position, static_cast<int32_t>(content->size()));
    EXPECT_EQ(reports.back().total, static_cast<int32_t>(content->size()));
    EXPECT_TRUE(ReadFile(dir / "big.out") == *content) << name;
  }
}

TEST_F(CompressionManagerTest, CancelFromProgressStopsWithPrefixAndNextRunCompletes) {
  const std::string content = RandomContent(400000);
  auto m = Open(MakePackage({Entry("big", content)}));
  int32_t stoppedAt = -1;
  int calls = 0;
  m->OnProgress = [&](TCompressionManager* sender, int32_t position, int32_t) {
    if (++calls == 3) {
      sender->SetCancel(true);
      stoppedAt = position;
    }
  };
  m->ExtractToFile("big", dir / "c.out");
  EXPECT_EQ(calls, 3);
  const std::string partial = ReadFile(dir / "c.out");
  EXPECT_EQ(static_cast<int32_t>(partial.size()), stoppedAt);
  EXPECT_GT(partial.size(), 0u);
  EXPECT_LT(partial.size(), content.size());
  EXPECT_EQ(partial, content.substr(0, partial.size()));

  EXPECT_TRUE(m->Cancelled());
  auto reports = Extract(*m, "big", dir / "c.out");
  EXPECT_EQ(reports.back().position, static_cast<int32_t>(content.size()));
  EXPECT_TRUE(ReadFile(dir / "c.out") == content);
}

TEST_F(CompressionManagerTest, DamagedEntriesRaiseInEveryPath) {
  const std::string content = TextContent(5000);
  std::string badAdler = Zlib(content);
  badAdler.back() ^= 1;
  std::string badData = Zlib(content);
  badData[40] ^= 0x55;
  const std::string full = Zlib(content);
  std::vector<TRawEntry> entries = {
      {"garbage", std::string("\x78\xDA\xFF\xFF\xFF\xFF\xFF\xFF", 8), 10},
      {"bad-data", badData, 5000},
      {"bad-adler", badAdler, 5000},
      {"ends-early", full, 5001},
      {"yields-more", full, 4999},
      {"cut-short", full.substr(0, full.size() / 2), 5000},
      {"no-adler", full.substr(0, full.size() - 4), 5000},
      {"trailing-bytes", full + "xyz", 5000},
      {"dictionary", Zlib(content, "alpha bravo charlie"), 5000},
      {"empty-stream", "", 0},
      {"too-big", full, 0x80000000u},
      {"good", full, 5000},
  };
  auto m = Open(MakePackage(entries));
  for (const TRawEntry& e : entries) {
    if (e.name == "good") continue;
    SCOPED_TRACE(e.name);
    ExpectCannotExtractToFile(*m, e.name);
    ExpectCannotExtractToMemory(*m, e.name);
  }
  std::string data;
  m->ExtractToString("good", data);
  EXPECT_EQ(data, content);
}

TEST_F(CompressionManagerTest, DamageFarIntoLargeEntryKeepsPartialFile) {
  const std::string content = RandomContent(300000);
  std::string stream = Zlib(content);
  stream[200000] ^= 0xFF;  // stored blocks: this byte is content, caught by Adler-32
  auto m = Open(MakePackage({{"big", stream, 300000}}));
  std::vector<TReport> reports;
  m->OnProgress = [&](TCompressionManager*, int32_t p, int32_t t) { reports.push_back({p, t}); };
  ExpectCannotExtractToFile(*m, "big");
  EXPECT_FALSE(reports.empty());
  const std::string partial = ReadFile(dir / "out.bin");
  EXPECT_GT(partial.size(), 0u);
  EXPECT_LE(partial.size(), content.size());
}

TEST_F(CompressionManagerTest, HostileHeaderSizesAreRefusedWithoutAllocating) {
  // Claims 2 GiB - 1 of content from a tiny stream, and a stream past the end.
  std::string bytes = MakePackage({{"huge", Zlib("x"), 0x7FFFFFFFu}, {"tail", Zlib("abc"), 3}});
  PutU32(reinterpret_cast<uint8_t*>(&bytes[bytes.size() - Zlib("abc").size() - 4]), 0x7FFFFF00u);
  auto m = Open(bytes);
  ASSERT_EQ(m->Entries().size(), 2u);
  ExpectCannotExtractToMemory(*m, "huge");
  ExpectCannotExtractToFile(*m, "huge");
  ExpectCannotExtractToMemory(*m, "tail");
  ExpectCannotExtractToFile(*m, "tail");
}

TEST_F(CompressionManagerTest, TruncatedPackageStillListsItsLastEntry) {
  std::string bytes = MakePackage({Entry("a", "aaa"), Entry("b", TextContent(20000))});
  bytes.resize(bytes.size() - 100);
  auto m = Open(bytes);
  ASSERT_EQ(m->Entries().size(), 2u);
  std::string data;
  m->ExtractToString("a", data);
  EXPECT_EQ(data, "aaa");
  std::filesystem::remove(dir / "out.bin");
  ExpectCannotExtractToFile(*m, "b");
  EXPECT_TRUE(std::filesystem::exists(dir / "out.bin"));  // closed, left to the caller
  ExpectCannotExtractToMemory(*m, "b");
}

TEST_F(CompressionManagerTest, TrailerRules) {
  const std::string package = MakePackage({Entry("a", "x")});
  EXPECT_TRUE(Open("ab", true)->Entries().empty());  // too short for a trailer
  std::string outside = package + "\xFF\xFF\x00\x00";
  EXPECT_TRUE(Open(outside, true)->Entries().empty());
  std::string empty = "host" + std::string("\x04\x00\x00\x00", 4);  // a package with no entries
  EXPECT_TRUE(Open(empty, true)->Entries().empty());
  // Without Appended the package starts at 0 and a short tail is ignored.
  auto m = Open(package + std::string(267, 'z'));
  EXPECT_EQ(m->Entries().size(), 1u);
  EXPECT_EQ(m->PackageStart(), 0);
}

TEST_F(CompressionManagerTest, CreateFlags) {
  try {
    TCompressionManager m(dir / "x", true, true, false);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Module, "Common/CompressionManager");
    EXPECT_EQ(e.Line, 93);
    EXPECT_NE(std::string(e.what()).find(
                  "Cannot create TCompressionManager with CreateNew and ReadOnly both TRUE."),
              std::string::npos);
  }
  WriteFile(dir / "p.bin", MakePackage({Entry("a", "x")}));
  {
    TCompressionManager m(dir / "p.bin", true, false, true);
    EXPECT_TRUE(m.Entries().empty());
    EXPECT_EQ(m.PackageStart(), 0);
  }
  EXPECT_EQ(std::filesystem::file_size(dir / "p.bin"), 0u);
  EXPECT_THROW(TCompressionManager(dir / "missing", false, true, true), EInOutError);
}

TEST_F(CompressionManagerTest, DestinationThatCannotBeCreatedIsAnInputOutputError) {
  auto m = Open(MakePackage({Entry("a", "x")}));
  EXPECT_THROW(m->ExtractToFile("a", dir / "no-such-folder/a.txt"), EInOutError);
}

}  // namespace
