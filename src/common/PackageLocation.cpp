#include "common/PackageLocation.h"

#include "common/PackageFormat.h"
#include "platform/Raise.h"

namespace {

// Signers start the certificate table on a multiple of 8 bytes.
constexpr int64_t kMaxSignerPadding = 7;

bool ReadAt(TFileStream& file, int64_t pos, uint8_t* buffer, size_t count) {
  if (pos < 0 || pos + static_cast<int64_t>(count) > file.Size()) return false;
  file.Seek(pos);
  return file.Read(buffer, count) == count;
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Whether the chain of entry headers from start, each followed by its
// stream, ends exactly at end.
bool ChainEndsAt(TFileStream& file, int64_t start, int64_t end) {
  int64_t pos = start;
  uint8_t packed[4];
  while (pos < end) {
    if (end - pos < static_cast<int64_t>(kEntryHeaderSize)) return false;
    if (!ReadAt(file, pos + kEntryHeaderSize - 4, packed, 4)) return false;
    pos += static_cast<int64_t>(kEntryHeaderSize) + GetU32(packed);
  }
  return pos == end;
}

}  // namespace

std::optional<TCertificateTable> FindCertificateTable(TFileStream& file) {
  uint8_t dos[64];
  if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const int64_t pe = GetU32(dos + 0x3C);
  // Signature, file header, and the optional header up to the end of data
  // directory entry 4 (PE32+ is the longer of the two).
  uint8_t h[24 + 112 + 5 * 8];
  const size_t peSize = 24 + 96 + 5 * 8;
  if (!ReadAt(file, pe, h, peSize)) return std::nullopt;
  if (h[0] != 'P' || h[1] != 'E' || h[2] != 0 || h[3] != 0) return std::nullopt;
  const uint16_t optionalSize = GetU16(h + 20);
  const uint8_t* opt = h + 24;
  size_t directories;
  switch (GetU16(opt)) {
    case 0x10B:  // PE32
      directories = 96;
      break;
    case 0x20B:  // PE32+
      directories = 112;
      if (!ReadAt(file, pe, h, sizeof h)) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  const uint32_t count = GetU32(opt + directories - 4);
  if (count <= 4 || optionalSize < directories + 5 * 8) return std::nullopt;
  const uint8_t* security = opt + directories + 4 * 8;
  TCertificateTable table{GetU32(security), GetU32(security + 4)};
  if (table.Size == 0) return std::nullopt;
  return table;
}

std::optional<TPackageBounds> LocatePackage(TFileStream& file) {
  const int64_t size = file.Size();
  const std::optional<TCertificateTable> table = FindCertificateTable(file);
  if (!table) {
    uint8_t trailer[kTrailerSize];
    if (!ReadAt(file, size - static_cast<int64_t>(kTrailerSize), trailer, kTrailerSize))
      return std::nullopt;
    const int64_t start = GetU32(trailer);
    if (start > size - static_cast<int64_t>(kTrailerSize)) return std::nullopt;
    return TPackageBounds{start, size, false};
  }

  // Appending to a signed file leaves the signature in the middle, where
  // nobody checks what follows it: refuse such a file rather than guess.
  if (table->Offset + table->Size != size) RaiseError(kDataAfterSignature);
  // The trailer ends at the table, or up to 7 zero bytes before it. Of the
  // candidates, the right one is where the entries chain from the trailer's
  // offset to the trailer itself; the one with the least padding wins.
  uint8_t tail[kMaxSignerPadding + kTrailerSize];
  for (int64_t padding = 0; padding <= kMaxSignerPadding; ++padding) {
    const int64_t end = table->Offset - padding;
    const int64_t trailerPos = end - static_cast<int64_t>(kTrailerSize);
    if (!ReadAt(file, trailerPos, tail, kTrailerSize + padding)) break;
    if (padding > 0 && tail[kTrailerSize] != 0) break;  // padding is zeros only
    const int64_t start = GetU32(tail);
    if (start <= trailerPos && ChainEndsAt(file, start, trailerPos))
      return TPackageBounds{start, trailerPos, true};
  }
  RaiseError(kNoPackageBeforeSignature);
}
