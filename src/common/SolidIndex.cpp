#include "common/SolidIndex.h"

#include "common/Lzma.h"
#include "common/PackageFormat.h"

namespace {

constexpr size_t kBlockBytes = 6, kFileBytesMin = 1 + 1 + 8;

class TReader {
 public:
  explicit TReader(const std::string& data) : FData(data) {}
  size_t Left() const { return FData.size() - FPos; }
  bool U8(uint8_t& v) {
    if (Left() < 1) return false;
    v = static_cast<uint8_t>(FData[FPos++]);
    return true;
  }
  bool U32(uint32_t& v) {
    if (Left() < 4) return false;
    v = GetU32(reinterpret_cast<const uint8_t*>(FData.data()) + FPos);
    FPos += 4;
    return true;
  }
  bool Bytes(size_t n, std::string& s) {
    if (Left() < n) return false;
    s.assign(FData, FPos, n);
    FPos += n;
    return true;
  }

 private:
  const std::string& FData;
  size_t FPos = 0;
};

}  // namespace

bool ReadSolidIndex(const std::string& Data, TSolidIndex& Index) {
  Index = {};
  TReader r(Data);
  std::string magic;
  uint32_t blocks = 0, files = 0;
  if (!r.Bytes(4, magic) || magic != kSolidIndexMagic || !r.U32(blocks) || !r.U32(files))
    return false;
  // Counts are believed only as far as the bytes can hold them.
  if (blocks > r.Left() / kBlockBytes) return false;
  if (files > (r.Left() - blocks * kBlockBytes) / kFileBytesMin) return false;
  Index.Blocks.resize(blocks);
  uint64_t offset = 0;
  for (TSolidBlock& b : Index.Blocks) {
    if (!r.U8(b.Filter) || !r.U8(b.Props) || !r.U32(b.Size)) return false;
    if (b.Filter > kSolidStored || !LzmaPropsValid(b.Props) || b.Size == 0 || b.Size > kSolidBlockMax)
      return false;
    b.Offset = offset;
    offset += b.Size;
  }
  const uint64_t streamSize = offset;
  Index.Files.resize(files);
  offset = 0;
  for (TSolidFile& f : Index.Files) {
    uint8_t length = 0;
    if (!r.U8(length) || length == 0 || !r.Bytes(length, f.Name) || !r.U32(f.Size) || !r.U32(f.Crc))
      return false;
    if (f.Size >= kEntrySizeLimit) return false;
    f.Offset = offset;
    offset += f.Size;
  }
  return offset == streamSize && r.Left() == 0;
}
