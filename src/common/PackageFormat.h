#pragma once
// The package's byte layout: a chain of entries, each a 268-byte header and
// one zlib stream, and for a package behind a host image a 4-byte trailer
// holding the offset where the package begins. All integers are unsigned
// 32-bit little-endian.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

constexpr size_t kEntryHeaderSize = 268;
constexpr size_t kEntryNameMax = 255;
constexpr size_t kTrailerSize = 4;
// Sizes are signed 32-bit counts for the installer: content and stream of an
// entry must each stay below this.
constexpr int64_t kEntrySizeLimit = int64_t{1} << 31;

// One entry header, decoded.
struct TPackageEntry {
  uint8_t NameLength = 0;
  char Name[kEntryNameMax] = {};  // NameLength characters, the rest is fill
  uint32_t DataOffset = 0;        // package-relative offset of the stream
  uint32_t UnpackedSize = 0;
  uint32_t PackedSize = 0;

  std::string GetName() const { return std::string(Name, NameLength); }
};

inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

inline TPackageEntry DecodeEntryHeader(const uint8_t* p) {
  TPackageEntry e;
  e.NameLength = p[0];
  std::memcpy(e.Name, p + 1, kEntryNameMax);
  e.DataOffset = GetU32(p + 256);
  e.UnpackedSize = GetU32(p + 260);
  e.PackedSize = GetU32(p + 264);
  return e;
}

inline void EncodeEntryHeader(const TPackageEntry& e, uint8_t* p) {
  p[0] = e.NameLength;
  std::memcpy(p + 1, e.Name, kEntryNameMax);
  PutU32(p + 256, e.DataOffset);
  PutU32(p + 260, e.UnpackedSize);
  PutU32(p + 264, e.PackedSize);
}

// A header for name (at most 255 characters, the fill zeroed).
inline TPackageEntry MakeEntryHeader(const std::string& name, uint32_t dataOffset,
                                     uint32_t unpackedSize, uint32_t packedSize) {
  TPackageEntry e;
  e.NameLength = static_cast<uint8_t>(name.size() < kEntryNameMax ? name.size() : kEntryNameMax);
  std::memcpy(e.Name, name.data(), e.NameLength);
  e.DataOffset = dataOffset;
  e.UnpackedSize = unpackedSize;
  e.PackedSize = packedSize;
  return e;
}
