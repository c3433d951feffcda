// Finding the package of a signed installer: the signer appends a
// certificate table behind the trailer, after 0-7 zero bytes of padding.
#include <gtest/gtest.h>

#include "PackageTestUtil.h"
#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/PackageLocation.h"

using namespace testutil;

namespace {

constexpr size_t kOptional = 0x40 + 24;  // the optional header of FakeImage
constexpr size_t kSecurity = kOptional + 112 + 4 * 8;

// A PE32+ image of size bytes: just the headers the reader looks at.
std::string FakeImage(size_t size) {
  std::string b(size, '\x90');
  std::fill(b.begin(), b.begin() + 0x200, '\0');
  b[0] = 'M', b[1] = 'Z';
  PutU32(reinterpret_cast<uint8_t*>(&b[0x3C]), 0x40);
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  b[0x40 + 4 + 16] = '\xF0';  // size of the optional header
  b[kOptional] = '\x0B', b[kOptional + 1] = '\x02';
  b[kOptional + 108] = 16;  // data directories
  return b;
}

// What a signer does: pad to a multiple of 8, append the table, point the
// security directory at it.
std::string Sign(std::string file, size_t tableSize = 1500) {
  file.resize((file.size() + 7) / 8 * 8, '\0');
  PutU32(reinterpret_cast<uint8_t*>(&file[kSecurity]), static_cast<uint32_t>(file.size()));
  PutU32(reinterpret_cast<uint8_t*>(&file[kSecurity + 4]), static_cast<uint32_t>(tableSize));
  return file + std::string(tableSize, '\x30');
}

std::unique_ptr<TCompressionManager> Open(const TTempDir& dir, const std::string& bytes) {
  WriteFile(dir / "setup.exe", bytes);
  return std::make_unique<TCompressionManager>(dir / "setup.exe", false, true, true);
}

std::string OpenError(const TTempDir& dir, const std::string& bytes) {
  try {
    Open(dir, bytes);
  } catch (const Exception& e) {
    return e.what();
  }
  return "(opened)";
}

TEST(SignedPackageTest, FoundInSignedPaddedAndDamagedLayouts) {
  TTempDir dir;
  const std::vector<TRawEntry> entries = {Entry("install.inf", "[files]\r\na;a\r\n"),
                                          Entry("a", TextContent(70000))};
  // Every padding a signer can add (host sizes 4096..4103). With padding,
  // the bytes just before the table read as a trailer of 0 or another small
  // offset, which points inside the file: only the chain tells them apart.
  // The table is long enough to be read as entries if the scan went on.
  for (size_t extra = 0; extra < 8; ++extra) {
    SCOPED_TRACE(extra);
    const std::string image = FakeImage(4096 + extra);
    const std::string signedFile = Sign(MakePackage(entries, image, true));
    auto m = Open(dir, signedFile);
    EXPECT_EQ(m->PackageStart(), static_cast<int64_t>(image.size()));
    ASSERT_EQ(m->Entries().size(), 2u);
    std::string data;
    m->ExtractToString("a", data);
    EXPECT_TRUE(data == TextContent(70000));
    m->ExtractToFile("a", dir / "a.out");
    EXPECT_TRUE(ReadFile(dir / "a.out") == TextContent(70000));

    // The same file unsigned reads as before.
    EXPECT_EQ(Open(dir, MakePackage(entries, image, true))->Entries().size(), 2u);
  }

  const std::string image = FakeImage(4099);
  const std::string good = Sign(MakePackage(entries, image, true));
  // Anything after the table.
  EXPECT_EQ(OpenError(dir, good + "x"), kDataAfterSignature);
  // A table that ends before the file does, or beyond it.
  EXPECT_EQ(OpenError(dir, good.substr(0, good.size() - 1)), kDataAfterSignature);
  // A signed stub without a package, and a chain that no longer meets its
  // trailer (the last stream's size changed).
  EXPECT_EQ(OpenError(dir, Sign(FakeImage(4096))), kNoPackageBeforeSignature);
  std::string chain = good;
  const size_t lastHeader = image.size() + kEntryHeaderSize + entries[0].stream.size();
  chain[lastHeader + kEntryHeaderSize - 4] ^= 1;
  EXPECT_EQ(OpenError(dir, chain), kNoPackageBeforeSignature);
  // Padding that is not zeros.
  std::string padding = good;
  const size_t table = GetU32(reinterpret_cast<const uint8_t*>(&good[kSecurity]));
  padding[table - 1] = 1;
  EXPECT_EQ(OpenError(dir, padding), kNoPackageBeforeSignature);
}

}  // namespace
