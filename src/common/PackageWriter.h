#pragma once
// The writer side of the package format: entries compressed in parallel, one
// zlib stream each (level 9, 32 KiB window), laid out front to back with
// consistent headers, behind an optional host image with its trailer. Behind
// a host, zeros after the image make the file's size a multiple of 8 bytes.
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
};

struct TPackageWriterOptions {
  std::string HostPath;  // host image put before the package; empty: stand-alone, no trailer
  unsigned Threads = 0;  // compressing threads; 0: one per core
  int Level = 9;         // zlib level
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
// large compressed entries wait in temporary files beside OutFile.
TPackageWriteResult WritePackage(const std::string& OutFile, const std::vector<TPackageItem>& Items,
                                 const TPackageWriterOptions& Options = {});
