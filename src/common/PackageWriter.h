#pragma once
// The writer side of the package format: entries compressed in parallel, one
// zlib stream each (32 KiB window), laid out front to back with consistent
// headers, behind an optional host image with its trailer. Behind a host,
// zeros after the image make the file's size a multiple of 8 bytes. The
// bytes written depend only on the items and the level, never on the number
// of threads.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/PackageFormat.h"

struct TPackageItem {
  std::string Name;                    // entry name as stored, at most 255 characters
  std::string SourcePath;              // file holding the content, read through Platform()
  std::optional<std::string> Content;  // the content itself, used instead of SourcePath
  // Set for data compressed already (a solid block): written as it is, with
  // this as the entry's unpacked size.
  std::optional<uint32_t> StoredSize = std::nullopt;
};

// How hard to compress. With libdeflate (where the build has it) an entry of
// up to kWholeEntryMax bytes is compressed whole, at libdeflate's level 1, 6
// or 12; larger entries, and every entry without libdeflate, are streamed
// through zlib at level 1, 6 or 9. Either way each entry is a standard zlib
// stream; Best's start with 0x78 0xDA.
enum class TPackLevel { Fast, Default, Best };

// Entries up to this size are compressed in one piece (memory: about twice
// this per thread); larger ones are streamed in bounded chunks.
inline constexpr uint64_t kWholeEntryMax = 32ull << 20;

struct TPackageWriterOptions {
  std::string HostPath;  // host image put before the package; empty: stand-alone, no trailer
  unsigned Threads = 0;  // compressing threads; 0: one per core
  TPackLevel Level = TPackLevel::Best;
  uint64_t WholeEntryMax = kWholeEntryMax;  // lowered by tests
  // Called on the calling thread from time to time with the content bytes
  // compressed so far and the content bytes in all.
  std::function<void(uint64_t done, uint64_t total)> OnProgress;
};

struct TPackageWriteResult {
  int64_t PackageStart = 0;            // behind a host: the host's size and the zeros after it
  std::vector<TPackageEntry> Entries;  // as written, in file order
};

// Writes the package to OutFile (created or truncated). Failures raise
// Exception with a message naming the entry; OutFile is then incomplete, so
// callers write to a temporary name. Memory stays bounded whatever the sizes:
// large compressed entries wait in temporary files beside OutFile. Threads
// take the largest entries first, so that one big entry does not leave the
// other cores idle at the end.
TPackageWriteResult WritePackage(const std::string& OutFile, const std::vector<TPackageItem>& Items,
                                 const TPackageWriterOptions& Options = {});
