#pragma once
// TCompressionManager: opens a package (stand-alone, or appended behind a host
// image and found through its trailer), reads its directory once and unpacks
// entries by name, into a file in bounded chunks with progress and cancel, or
// whole into memory. All file access goes through Platform().
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/MemoryStream.h"
#include "common/PackageFormat.h"
#include "platform/FileStream.h"

class TSolidReader;
struct TSolidIndex;

class TCompressionManager {
 public:
  // Called by ExtractToFile before the first byte and after every piece it
  // writes (at least one per 64 KiB of packed input and per 128 KiB of
  // content): Position = bytes written so far, Total = the unpacked size.
  using TProgressEvent =
      std::function<void(TCompressionManager* sender, int32_t position, int32_t total)>;

  // Opens FileName (or creates it empty with CreateNew) and reads the
  // directory: from the offset in the trailer with Appended, else from 0.
  // A package with solid blocks has its index read too; a damaged index
  // raises Exception(kSolidIndexDamaged).
  // With Appended, a signed file is read up to its signature; one that cannot
  // be read that way raises Exception (see LocatePackage). CreateNew together
  // with ReadOnly raises EAssertionFailed.
  TCompressionManager(const std::string& FileName, bool CreateNew, bool ReadOnly, bool Appended);
  ~TCompressionManager();
  TCompressionManager(const TCompressionManager&) = delete;
  TCompressionManager& operator=(const TCompressionManager&) = delete;

  // Index of the last entry whose name equals Name, ignoring the case of the
  // ASCII letters only; -1 when none does. The files of solid blocks follow
  // the entries: Entries().size() + their number in the index, in the order
  // of their content.
  int32_t FindEntry(std::string_view Name) const;
  // Unpacked size of the entry, or -1 when there is none. 64-bit so that a
  // hostile header can never make a sum look smaller.
  int64_t GetEntrySize(std::string_view Name) const;

  // Creates DestFileName and fills it with the entry's content in chunks,
  // firing OnProgress and stopping early (normally) once Cancelled is set.
  // No such entry: nothing happens. A damaged entry or a failure while
  // unpacking raises Exception("Cannot extract file.") after closing the
  // destination, which keeps what was written.
  void ExtractToFile(std::string_view EntryName, const std::string& DestFileName);
  // The same chunk loop for the entry at Index, into an open stream (which it
  // does not close). Used by tools that check or copy entries.
  void ExtractEntry(int32_t Index, TFileStream& Dest);

  // The whole content in memory; empty when there is no such entry. A damaged
  // entry raises Exception("Cannot extract file.").
  void ExtractToString(std::string_view EntryName, std::string& Data);
  // As ExtractToString, in a new stream positioned at 0 (never null).
  std::unique_ptr<TMemoryStream> ExtractToStream(std::string_view EntryName);

  void SetCancel(bool Value) { FCancelled = Value; }

  const std::vector<TPackageEntry>& Entries() const { return FEntries; }
  // The index of the solid blocks; null for a package without them.
  const TSolidIndex* SolidIndex() const;
  const std::string& FileName() const { return FFileName; }
  bool ReadOnly() const { return FReadOnly; }
  bool CreateNew() const { return FCreateNew; }
  int64_t PackageStart() const { return FPackageStart; }
  bool Cancelled() const { return FCancelled; }

  TProgressEvent OnProgress;

 private:
  void ReadDirectory();
  // Seeks to the entry's stream after checking that its sizes are within the
  // format's limits and its data lies inside the file; false otherwise.
  bool SeekToData(const TPackageEntry& entry);
  // The chunk loop; false when it failed (damage, a short read, a write).
  bool InflateToFile(const TPackageEntry& entry, TFileStream& dest);
  // Fires OnProgress; false once the extraction is cancelled.
  bool Report(int32_t position, int32_t total);
  void OpenSolid();
  // A file of the solid blocks into Dest (with progress and cancel) or
  // appended to Data; false when damaged, true when done or cancelled.
  bool ExtractSolid(size_t file, TFileStream* dest, std::string* data);

  std::vector<TPackageEntry> FEntries;
  std::string FFileName;
  std::unique_ptr<TFileStream> FFile;
  bool FReadOnly = false;
  bool FCreateNew = false;
  int64_t FPackageStart = 0;
  // The directory and the entries' data end here: the end of the file, or
  // the trailer of a signed file, so that nothing is read from the signature.
  int64_t FPackageEnd = 0;
  bool FCancelled = false;
  std::unique_ptr<TSolidReader> FSolid;
};

// The message raised for an entry that cannot be unpacked.
inline constexpr const char* kCannotExtractFile = "Cannot extract file.";
// The message for a package whose index of solid blocks cannot be read.
inline constexpr const char* kSolidIndexDamaged = "The index of the package's blocks is damaged.";
