#pragma once
// The packer side of the solid layout: files laid end to end, cut into
// blocks of up to kSolidBlockSize bytes (of even size, for the threads),
// each block one raw LZMA stream (with the x86 filter for blocks of 32-bit
// Windows programs), compressed in parallel by liblzma; files that do not
// compress go into stored blocks. Those programs go first, then the other
// files, then the stored ones, each group ordered by extension and name so
// that alike files sit together.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/PackageWriter.h"
#include "common/SolidIndex.h"

// Content per block: as large as the installer's buffers allow, since the
// block is also the dictionary.
inline constexpr uint32_t kSolidBlockSize = kSolidBlockMax;

// False where bwpack was built without liblzma (its Windows build).
bool SolidPackingAvailable();

struct TSolidPackOptions {
  std::string TempBase;  // block data goes to TempBase + ".block1", ...
  unsigned Threads = 0;  // 0: one per core
  uint32_t BlockSize = kSolidBlockSize;
  std::function<void(uint64_t done, uint64_t total)> OnProgress;
};

// Compresses Files (by SourcePath or Content) into package items: the index
// (an ordinary entry) followed by the blocks (StoredSize set, SourcePath a
// temporary file, which TempFiles lists for the caller to delete). Failures
// raise Exception naming the file.
std::vector<TPackageItem> PackSolid(const std::vector<TPackageItem>& Files,
                                    const TSolidPackOptions& Options,
                                    std::vector<std::string>& TempFiles);
