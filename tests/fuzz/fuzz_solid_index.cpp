// Reads arbitrary bytes as a solid index. Nothing may crash or allocate
// beyond what the bytes can describe, and an index that is accepted must be
// consistent and written back to exactly the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/SolidIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TSolidIndex index;
  if (!ReadSolidIndex(bytes, index)) return 0;
  uint64_t blocks = 0, files = 0;
  for (const TSolidBlock& b : index.Blocks) {
    if (b.Offset != blocks || b.Size > kSolidBlockMax) std::abort();
    blocks += b.Size;
  }
  for (const TSolidFile& f : index.Files) {
    if (f.Offset != files || f.Name.empty()) std::abort();
    files += f.Size;
  }
  if (blocks != files || WriteSolidIndex(index) != bytes) std::abort();
  return 0;
}
