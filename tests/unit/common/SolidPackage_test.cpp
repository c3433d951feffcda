// Packages with solid LZMA blocks, written by the packer and read back by
// the installer's reader: files spanning blocks, programs with the x86
// filter, any reading order, progress and cancel, and damage of every kind
// refused.
#include <gtest/gtest.h>

#include <random>

#include "PackageTestUtil.h"
#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/SolidWriter.h"
#include "engine/PackageOrder.h"

namespace {

using testutil::ReadFile;
using testutil::TTempDir;
using testutil::WriteFile;

// A small Windows program: the PE header, then code that calls a few
// functions from many places, which the x86 filter makes alike.
std::string FakeProgram(size_t size) {
  std::string s(0x200, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  s[0x3C] = static_cast<char>(0x80);
  s.replace(0x80, 6, std::string("PE\0\0\x4C\x01", 6));
  std::mt19937 rng(7);
  while (s.size() < size) {
    for (unsigned k = rng() % 8; k > 0; --k) s += "\x8B\x45\x08\x89\xC1\x50\x51\x83\xC4"[rng() % 9];
    const uint32_t rel = 0x1000 + (rng() % 64) * 0x40 - static_cast<uint32_t>(s.size() + 5);
    s += '\xE8';
    for (int b = 0; b < 4; ++b) s += static_cast<char>(rel >> (8 * b));
  }
  s.resize(size);
  return s;
}

struct TSolidFixture : testing::Test {
  void SetUp() override {
    files = {{"data\\big.exe", FakeProgram(300000)},
             {"data\\notes.txt", std::string(150000, 'n') + "end"},
             {"empty.txt", ""},
             {"Data\\Small.TXT", "small"}};
    std::mt19937 rng(3);
    std::string noise(300000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    files.push_back({"media\\clip.bin", noise});  // stored, not compressed
    for (int i = 0; i < 40; ++i)
      files.push_back({"icons\\i" + std::to_string(i) + ".svg",
                       "<svg id=\"" + std::to_string(i * 7919) + "\"/>"});
  }
  // Blocks of BlockSize bytes, so that files run from one into the next.
  std::string Pack(uint32_t blockSize = 65536) {
    std::vector<TPackageItem> items;
    for (const auto& [name, content] : files) items.push_back({name, std::string(), content});
    TSolidPackOptions options;
    options.TempBase = dir / "blocks";
    options.BlockSize = blockSize;
    std::vector<std::string> temps;
    std::vector<TPackageItem> all = {{"install.inf", std::string(), std::string("[files]")}};
    for (TPackageItem& item : PackSolid(items, options, temps)) all.push_back(item);
    const std::string path = dir / "pkg.bin";
    WritePackage(path, all);
    for (const std::string& t : temps) std::remove(t.c_str());
    return path;
  }
  TTempDir dir;
  std::vector<std::pair<std::string, std::string>> files;
};

TEST_F(TSolidFixture, ReadsEveryFileInAnyOrder) {
  const std::string path = Pack();
  TCompressionManager m(path, false, true, false);
  ASSERT_NE(m.SolidIndex(), nullptr);
  EXPECT_GT(m.SolidIndex()->Blocks.size(), 5u);
  EXPECT_EQ(m.SolidIndex()->Blocks[0].Filter, kSolidX86);         // the program comes first
  EXPECT_EQ(m.SolidIndex()->Blocks.back().Filter, kSolidStored);  // the noise last
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t k = 0; k < files.size(); ++k) {
      const auto& [name, content] = files[pass == 0 ? k : files.size() - 1 - k];
      SCOPED_TRACE(name);
      ASSERT_EQ(m.GetEntrySize(name), static_cast<int64_t>(content.size()));
      int32_t last = -1, total = -1;
      m.OnProgress = [&](TCompressionManager*, int32_t position, int32_t t) {
        EXPECT_GE(position, last);
        last = position;
        total = t;
      };
      m.ExtractToFile(name, dir / "out");
      EXPECT_TRUE(ReadFile(dir / "out") == content);
      EXPECT_EQ(last, total);
      std::string data;
      m.ExtractToString(name, data);
      EXPECT_TRUE(data == content);
    }
  }
  EXPECT_GE(m.FindEntry("DATA\\SMALL.txt"), static_cast<int32_t>(m.Entries().size()));
}

TEST_F(TSolidFixture, CancelStopsAndTheNextExtractionRunsToTheEnd) {
  TCompressionManager m(Pack(), false, true, false);
  m.OnProgress = [&](TCompressionManager* sender, int32_t position, int32_t) {
    if (position > 100000) sender->SetCancel(true);
  };
  m.ExtractToFile("data\\notes.txt", dir / "out");
  EXPECT_TRUE(m.Cancelled());
  EXPECT_LT(ReadFile(dir / "out").size(), files[1].second.size());
  m.OnProgress = nullptr;
  m.ExtractToFile("data\\notes.txt", dir / "out");
  EXPECT_TRUE(ReadFile(dir / "out") == files[1].second);
}

// A changed byte anywhere in a block, a block cut short, and an index that
// lies about a checksum or does not match the blocks: never accepted.
TEST_F(TSolidFixture, DamageIsRefused) {
  const std::string good = ReadFile(Pack());
  TCompressionManager clean(dir / "pkg.bin", false, true, false);
  const std::vector<TPackageEntry>& entries = clean.Entries();
  const std::string index = clean.Entries()[1].GetName();
  ASSERT_EQ(index, kSolidIndexName);
  auto allFilesRead = [&](const std::string& bytes) {
    WriteFile(dir / "bad.bin", bytes);
    try {
      TCompressionManager m(dir / "bad.bin", false, true, false);
      for (const auto& [name, content] : files) m.ExtractToFile(name, dir / "out");
      return true;
    } catch (const Exception&) {
      return false;
    }
  };
  ASSERT_TRUE(allFilesRead(good));
  // The last five blocks are stored, the one before them LZMA.
  const std::vector<TSolidBlock>& blocks = clean.SolidIndex()->Blocks;
  ASSERT_EQ(blocks[blocks.size() - 5].Filter, kSolidStored);
  ASSERT_NE(blocks[blocks.size() - 6].Filter, kSolidStored);
  for (const TPackageEntry& block : {entries.back(), entries[entries.size() - 6]}) {
    for (uint32_t at : {0u, 1u, 5u, block.PackedSize / 2, block.PackedSize - 1}) {
      std::string bad = good;
      bad[block.DataOffset + at] ^= 0x10;
      EXPECT_FALSE(allFilesRead(bad)) << at;
    }
  }
  std::string cut = good.substr(0, good.size() - 3);
  EXPECT_FALSE(allFilesRead(cut));

  // The index re-made: a wrong CRC, and one block fewer than the package has.
  TSolidIndex lying = *clean.SolidIndex();
  lying.Files[3].Crc ^= 1;
  auto withIndex = [&](const TSolidIndex& idx) {
    std::vector<TPackageItem> items = {{"install.inf", std::string(), std::string("[files]")},
                                       {kSolidIndexName, std::string(), WriteSolidIndex(idx)}};
    std::string rest = good.substr(clean.Entries()[2].DataOffset - kEntryHeaderSize);
    WritePackage(dir / "head.bin", items);
    return ReadFile(dir / "head.bin") + rest;
  };
  EXPECT_TRUE(allFilesRead(withIndex(*clean.SolidIndex())));
  EXPECT_FALSE(allFilesRead(withIndex(lying)));
  TSolidIndex fewer = *clean.SolidIndex();
  fewer.Blocks.pop_back();
  fewer.Blocks.back().Size += clean.SolidIndex()->Blocks.back().Size;
  WriteFile(dir / "bad.bin", withIndex(fewer));
  try {
    TCompressionManager m(dir / "bad.bin", false, true, false);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), kSolidIndexDamaged);
  }
}

// The run unpacks in the order of the blocks; lines that share a target stay
// in the script's order, where the first of them would go.
TEST_F(TSolidFixture, RunOrderFollowsTheBlocks) {
  files = {{"p.exe", FakeProgram(5000)}, {"a.txt", "a"}, {"b.txt", "b"}};
  const std::vector<std::string> lines = {"b.txt;one", "p.exe;two", "a.txt;ONE"};
  TCompressionManager solid(Pack(), false, true, false);
  EXPECT_EQ(InPackageOrder(solid, lines),
            (std::vector<std::string>{"p.exe;two", "b.txt;one", "a.txt;ONE"}));
  WritePackage(dir / "zlib.bin", {{"p.exe", std::string(), files[0].second}});
  TCompressionManager plain(dir / "zlib.bin", false, true, false);
  EXPECT_EQ(InPackageOrder(plain, lines), lines);
}

TEST(SolidIndexTest, Limits) {
  TSolidIndex index;
  index.Blocks = {{kSolidPlain, 0x5D, 10, 0}, {kSolidX86, 0x5D, kSolidBlockMax, 0}};
  index.Files = {{"a", 4, 1, 0}, {std::string(255, 'b'), kSolidBlockMax + 6, 2, 0}};
  const std::string good = WriteSolidIndex(index);
  TSolidIndex read;
  ASSERT_TRUE(ReadSolidIndex(good, read));
  EXPECT_EQ(read.Files[1].Offset, 4u);
  EXPECT_EQ(read.Blocks[1].Offset, 10u);
  auto refused = [](TSolidIndex i) {
    TSolidIndex r;
    return !ReadSolidIndex(WriteSolidIndex(i), r);
  };
  TSolidIndex bad = index;
  bad.Blocks[1].Size = kSolidBlockMax + 1;  // beyond the buffers
  bad.Files[1].Size += 1;
  EXPECT_TRUE(refused(bad));
  bad = index;
  bad.Files[1].Size -= 1;  // sizes that do not add up
  EXPECT_TRUE(refused(bad));
  bad = index;
  bad.Blocks[0].Size = 0;
  bad.Files[0].Size = 0;
  bad.Files[1].Size = kSolidBlockMax;
  EXPECT_TRUE(refused(bad));  // an empty block
  bad = index;
  bad.Blocks[0].Filter = kSolidStored + 1;
  EXPECT_TRUE(refused(bad));
  bad = index;
  bad.Blocks[0].Props = 2 * 9 + 3;  // lc 3 and lp 2: beyond 4 together
  EXPECT_TRUE(refused(bad));
  bad = index;
  bad.Files[0].Name.clear();
  EXPECT_TRUE(refused(bad));
  EXPECT_FALSE(ReadSolidIndex(good + '\0', read));
  EXPECT_FALSE(ReadSolidIndex(good.substr(0, good.size() - 1), read));
  std::string huge = good;
  huge[8] = huge[9] = huge[10] = '\xFF';  // a file count the bytes cannot hold
  EXPECT_FALSE(ReadSolidIndex(huge, read));
}

}  // namespace
