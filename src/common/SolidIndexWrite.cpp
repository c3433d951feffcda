// The packer's side of the solid index, apart from the reader so that the
// installer does not carry it.
#include "common/PackageFormat.h"
#include "common/SolidIndex.h"

namespace {

void AddU32(std::string& s, uint32_t v) {
  uint8_t b[4];
  PutU32(b, v);
  s.append(reinterpret_cast<const char*>(b), 4);
}

}  // namespace

std::string WriteSolidIndex(const TSolidIndex& Index) {
  std::string s(kSolidIndexMagic, 4);
  AddU32(s, static_cast<uint32_t>(Index.Blocks.size()));
  AddU32(s, static_cast<uint32_t>(Index.Files.size()));
  for (const TSolidBlock& b : Index.Blocks) {
    s += static_cast<char>(b.Filter);
    s += static_cast<char>(b.Props);
    AddU32(s, b.Size);
  }
  for (const TSolidFile& f : Index.Files) {
    s += static_cast<char>(f.Name.size());
    s += f.Name;
    AddU32(s, f.Size);
    AddU32(s, f.Crc);
  }
  return s;
}
