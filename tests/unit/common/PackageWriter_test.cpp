#include "common/PackageWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PackageTestUtil.h"
#include "common/CompressionManager.h"
#include "common/Errors.h"

using namespace testutil;

namespace {

TEST(PackageWriterTest, RoundTripStandAloneAndBehindHost) {
  TTempDir dir;
  const std::string big = TextContent(1500000);
  // Over 1 MiB, so that moving the package behind the zeros takes more than
  // one buffer.
  const std::string random = RandomContent(1100000);
  WriteFile(dir / "big.txt", big);
  WriteFile(dir / "random.bin", random);
  WriteFile(dir / "host.exe", std::string(4096, 'M'));
  WriteFile(dir / "odd.exe", std::string(4097, 'M'));  // needs other zeros than host.exe
  const std::vector<TPackageItem> items = {
      {"install.inf", "", std::string("[files]\r\nbig;big\r\n")},
      {"data\\big.txt", dir / "big.txt", std::nullopt},
      {"empty", "", std::string()},
      {"random.bin", dir / "random.bin", std::nullopt},
  };

  for (const std::string host : {"", "host.exe", "odd.exe"}) {
    SCOPED_TRACE(host);
    TPackageWriterOptions options;
    if (!host.empty()) options.HostPath = dir / host;
    uint64_t lastDone = 0, lastTotal = 0;
    options.OnProgress = [&](uint64_t done, uint64_t total) {
      EXPECT_GE(done, lastDone);
      lastDone = done;
      lastTotal = total;
    };
    TPackageWriteResult result = WritePackage(dir / "out.bin", items, options);
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(lastTotal, 18 + big.size() + random.size());

    const std::string bytes = ReadFile(dir / "out.bin");
    TCompressionManager m(dir / "out.bin", false, true, !host.empty());
    EXPECT_EQ(result.PackageStart, m.PackageStart());
    if (host.empty()) {
      EXPECT_EQ(m.PackageStart(), 0);
    } else {
      // Zeros after the host make the file end on a multiple of 8 bytes.
      EXPECT_EQ(bytes.size() % 8, 0u);
      const int64_t hostSize = host == "odd.exe" ? 4097 : 4096;
      EXPECT_EQ(bytes.substr(0, hostSize), std::string(hostSize, 'M'));
      EXPECT_EQ(bytes.substr(hostSize, m.PackageStart() - hostSize),
                std::string(m.PackageStart() - hostSize, '\0'));
    }
    ASSERT_EQ(m.Entries().size(), 4u);
    // Headers agree with the layout; streams carry the level-9 header.
    int64_t pos = 0;
    for (const TPackageEntry& e : m.Entries()) {
      EXPECT_EQ(e.DataOffset, pos + 268);
      EXPECT_EQ(static_cast<unsigned char>(bytes[m.PackageStart() + e.DataOffset]), 0x78);
      EXPECT_EQ(static_cast<unsigned char>(bytes[m.PackageStart() + e.DataOffset + 1]), 0xDA);
      pos += 268 + e.PackedSize;
    }
    EXPECT_EQ(m.PackageStart() + pos + (host.empty() ? 0 : 4), static_cast<int64_t>(bytes.size()));

    std::string data;
    m.ExtractToString("INSTALL.INF", data);
    EXPECT_EQ(data, "[files]\r\nbig;big\r\n");
    m.ExtractToFile("data\\big.txt", dir / "big.out");
    EXPECT_TRUE(ReadFile(dir / "big.out") == big);
    m.ExtractToFile("random.bin", dir / "random.out");
    EXPECT_TRUE(ReadFile(dir / "random.out") == random);
    EXPECT_EQ(m.GetEntrySize("empty"), 0);
  }
}

TEST(PackageWriterTest, OutputDoesNotDependOnThreadCountAtAnyLevel) {
  TTempDir dir;
  // Incompressible and over the in-memory limit, so it waits in a temporary
  // file; over the lowered whole-entry limit, so it is streamed.
  WriteFile(dir / "large.bin", RandomContent(5 * 1024 * 1024));
  std::vector<TPackageItem> items;
  items.push_back({"large.bin", dir / "large.bin", std::nullopt});
  for (int i = 0; i < 12; ++i)
    items.push_back({"f" + std::to_string(i), "", TextContent(20000 + i * 1000, i)});
  items.push_back({"text.big", "", TextContent(1536 * 1024, 99)});
  for (TPackLevel level : {TPackLevel::Fast, TPackLevel::Default, TPackLevel::Best}) {
    SCOPED_TRACE(static_cast<int>(level));
    TPackageWriterOptions one, many;
    one.Threads = 1;
    many.Threads = 4;
    one.Level = many.Level = level;
    one.WholeEntryMax = many.WholeEntryMax = 1024 * 1024;
    WritePackage(dir / "one.bin", items, one);
    WritePackage(dir / "many.bin", items, many);
    const std::string bytes = ReadFile(dir / "one.bin");
    EXPECT_TRUE(bytes == ReadFile(dir / "many.bin"));
    TCompressionManager m(dir / "one.bin", false, true, false);
    ASSERT_EQ(m.Entries().size(), items.size());
    for (const TPackageItem& item : items) {
      std::string data;
      m.ExtractToString(item.Name, data);
      EXPECT_TRUE(data == (item.Content ? *item.Content : ReadFile(item.SourcePath))) << item.Name;
    }
  }
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 3);  // the source and the two packages: no temporary left
}

TEST(PackageWriterTest, FailuresNameTheEntry) {
  TTempDir dir;
  try {
    WritePackage(dir / "out.bin",
                 {{"a", "", std::string("x")}, {"data\\gone.txt", dir / "gone", std::nullopt}});
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("\"data\\gone.txt\""), std::string::npos) << e.what();
  }
  EXPECT_THROW(WritePackage(dir / "out.bin", {{std::string(256, 'n'), "", std::string("x")}}),
               Exception);
}

}  // namespace
