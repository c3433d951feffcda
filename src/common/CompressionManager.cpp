#include "common/CompressionManager.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/Errors.h"
#include "common/Inflate.h"
#include "common/PackageLocation.h"
#include "common/SolidReader.h"
#include "platform/Platform.h"
#include "platform/Raise.h"
#include "platform/TextEncoding.h"

namespace {

[[noreturn]] void RaiseCannotExtract() { RaiseError(kCannotExtractFile); }

// Entry names ignore letter case as Windows does. Names are stored in UTF-8;
// one that is not valid UTF-8 was packed by an earlier bwpack in the ANSI
// code page, as its script was.
bool SameEntryName(const char* a, size_t na, std::string_view b) {
  const std::string_view stored(a, na);
  if (const int ascii = CompareAsciiIgnoreCase(stored, b)) return ascii > 0;
  if (IsValidUtf8(stored)) return SameTextIgnoreCase(stored, b);
  return SameTextIgnoreCase(AnsiToUtf8(stored), b);
}

// An entry's packed bytes, read from the package and never past them, and
// its content, refused beyond the size the header gives (Excess).
class TEntryStreams : public TInflateStreams {
 public:
  TEntryStreams(TFileStream& file, const TPackageEntry& entry)
      : FFile(file), FLeft(entry.PackedSize), Limit(entry.UnpackedSize) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, FLeft));
    if (n > 0 && FFile.Read(buffer, n) != n) FLeft = 0;  // cut short: the stream is damaged
    if (FLeft == 0) return 0;
    FLeft -= n;
    return n;
  }
  bool Write(const uint8_t* data, size_t size) override {
    if (size > Limit - Produced) {
      Excess = true;
      return false;
    }
    Produced += size;
    return Take(data, size);
  }
  virtual bool Take(const uint8_t* data, size_t size) = 0;

  uint64_t Produced = 0;
  bool Excess = false;

 private:
  TFileStream& FFile;
  uint64_t FLeft;
  const uint64_t Limit;
};

}  // namespace

TCompressionManager::TCompressionManager(const std::string& FileName, bool CreateNew, bool ReadOnly,
                                         bool Appended) {
  if (CreateNew && ReadOnly)
    throw EAssertionFailed(
        "Cannot create TCompressionManager with CreateNew and ReadOnly both TRUE.",
        "Common/CompressionManager", 93);
  FFileName = FileName;
  FReadOnly = ReadOnly;
  FCreateNew = CreateNew;
  if (CreateNew) {
    FFile = Platform().OpenFile(FileName, TFileMode::Create);
    return;
  }
  FFile = Platform().OpenFile(FileName, ReadOnly ? TFileMode::OpenRead : TFileMode::OpenReadWrite);
  FPackageEnd = FFile->Size();
  if (Appended) {
    // No usable trailer: no entries.
    const std::optional<TPackageBounds> bounds = LocatePackage(*FFile);
    if (!bounds) return;
    FPackageStart = bounds->Start;
    FPackageEnd = bounds->End;
  }
  ReadDirectory();
  OpenSolid();
}

TCompressionManager::~TCompressionManager() = default;

void TCompressionManager::ReadDirectory() {
  int64_t pos = FPackageStart;
  uint8_t header[kEntryHeaderSize];
  // Positions are 64-bit, so a hostile PackedSize can only move past the end.
  while (FPackageEnd - pos >= static_cast<int64_t>(kEntryHeaderSize)) {
    FFile->Seek(pos);
    if (FFile->Read(header, kEntryHeaderSize) != kEntryHeaderSize) break;
    FEntries.push_back(DecodeEntryHeader(header));
    pos += static_cast<int64_t>(kEntryHeaderSize) + FEntries.back().PackedSize;
  }
}

int32_t TCompressionManager::FindEntry(std::string_view Name) const {
  if (FSolid) {
    const int32_t file = FSolid->Find(Name);
    if (file >= 0) return static_cast<int32_t>(FEntries.size()) + file;
  }
  int32_t found = -1;
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (SameEntryName(FEntries[i].Name, FEntries[i].NameLength, Name))
      found = static_cast<int32_t>(i);
  return found;
}

int64_t TCompressionManager::GetEntrySize(std::string_view Name) const {
  int32_t i = FindEntry(Name);
  if (i >= static_cast<int32_t>(FEntries.size()))
    return FSolid->Index().Files[i - FEntries.size()].Size;
  return i < 0 ? -1 : static_cast<int64_t>(FEntries[i].UnpackedSize);
}

const TSolidIndex* TCompressionManager::SolidIndex() const {
  return FSolid ? &FSolid->Index() : nullptr;
}

void TCompressionManager::OpenSolid() {
  if (FindEntry(kSolidIndexName) < 0) return;
  std::string data;
  try {
    ExtractToString(kSolidIndexName, data);
  } catch (const std::exception&) {
    RaiseError(kSolidIndexDamaged);
  }
  TSolidIndex index;
  std::vector<TPackageEntry> blocks;
  for (const TPackageEntry& e : FEntries)
    if (SameEntryName(e.Name, e.NameLength, kSolidBlockName))
      blocks.push_back(e);
  if (!ReadSolidIndex(data, index) || index.Blocks.size() != blocks.size() ||
      index.Files.size() >= static_cast<size_t>(INT32_MAX) - FEntries.size())
    RaiseError(kSolidIndexDamaged);
  FSolid = std::make_unique<TSolidReader>(FFileName, FPackageStart, FPackageEnd, std::move(index),
                                          std::move(blocks));
}

bool TCompressionManager::ExtractSolid(size_t file, TFileStream* dest, std::string* data) {
  // Into a file with progress and cancel; into memory in one go.
  struct TSink : TSolidReader::TSink {
    TCompressionManager& Owner;
    TFileStream* Dest;
    std::string* Data;
    int32_t Done = 0, Total;
    TSink(TCompressionManager& owner, TFileStream* dest, std::string* data, int32_t total)
        : Owner(owner), Dest(dest), Data(data), Total(total) {}
    bool Take(const uint8_t* bytes, size_t size) override {
      Done += static_cast<int32_t>(size);
      if (Data) {
        Data->append(reinterpret_cast<const char*>(bytes), size);
        return true;
      }
      Dest->Write(bytes, size);
      return Owner.Report(Done, Total);
    }
    bool Waiting() override { return Data || Owner.Report(Done, Total); }
  } sink(*this, dest, data, static_cast<int32_t>(FSolid->Index().Files[file].Size));
  FCancelled = false;
  if (!data && !Report(0, sink.Total)) return true;
  TSolidReader::TResult result;
  try {
    result = FSolid->Extract(file, sink);
  } catch (const EInOutError&) {
    return false;
  }
  if (result == TSolidReader::TResult::Stopped) FSolid->Stop();  // a cancel: no more decoding
  return result != TSolidReader::TResult::Damaged;
}

bool TCompressionManager::SeekToData(const TPackageEntry& entry) {
  if (entry.PackedSize >= kEntrySizeLimit || entry.UnpackedSize >= kEntrySizeLimit) return false;
  const int64_t start = FPackageStart + entry.DataOffset;
  if (start + entry.PackedSize > FPackageEnd) return false;
  FFile->Seek(start);
  return true;
}

void TCompressionManager::ExtractToFile(std::string_view EntryName,
                                        const std::string& DestFileName) {
  const int32_t index = FindEntry(EntryName);
  if (index < 0) return;
  if (index >= static_cast<int32_t>(FEntries.size())) {
    std::unique_ptr<TFileStream> dest = Platform().OpenFile(DestFileName, TFileMode::Create);
    if (!ExtractSolid(index - FEntries.size(), dest.get(), nullptr)) {
      try {
        dest->Close();
      } catch (const EInOutError&) {
        // As below: the extraction's failure is the one to report.
      }
      RaiseCannotExtract();
    }
    dest->Close();
    return;
  }
  const TPackageEntry& entry = FEntries[index];
  // A header that cannot be honoured (data beyond the end of the file, sizes
  // out of range) is never inflated. The destination is created first all the
  // same, so that a missing folder is reported as such and a failure always
  // leaves the caller the same thing: a closed, partial file.
  const bool honoured = SeekToData(entry);
  std::unique_ptr<TFileStream> dest = Platform().OpenFile(DestFileName, TFileMode::Create);
  if (!honoured || !InflateToFile(entry, *dest)) {
    try {
      dest->Close();
    } catch (const EInOutError&) {
      // The extraction has failed already; that error is the one to report.
    }
    RaiseCannotExtract();
  }
  dest->Close();
}

void TCompressionManager::ExtractEntry(int32_t Index, TFileStream& Dest) {
  if (FSolid && Index >= static_cast<int32_t>(FEntries.size()) &&
      static_cast<size_t>(Index) - FEntries.size() < FSolid->Index().Files.size()) {
    if (!ExtractSolid(Index - FEntries.size(), &Dest, nullptr)) RaiseCannotExtract();
    return;
  }
  if (Index < 0 || static_cast<size_t>(Index) >= FEntries.size()) RaiseCannotExtract();
  const TPackageEntry& entry = FEntries[Index];
  if (!SeekToData(entry) || !InflateToFile(entry, Dest)) RaiseCannotExtract();
}

// Progress is reported once before the first byte and after every piece
// written; a cancel seen there stops the extraction, which then counts as
// done.
bool TCompressionManager::InflateToFile(const TPackageEntry& entry, TFileStream& dest) {
  struct TToFile : TEntryStreams {
    TToFile(TCompressionManager& owner, const TPackageEntry& entry, TFileStream& dest)
        : TEntryStreams(*owner.FFile, entry), Owner(owner), Dest(dest), Total(entry.UnpackedSize) {}
    bool Take(const uint8_t* data, size_t size) override {
      Dest.Write(data, size);
      return Owner.Report(static_cast<int32_t>(Produced), Total);
    }
    TCompressionManager& Owner;
    TFileStream& Dest;
    const int32_t Total;
  };
  FCancelled = false;
  if (!Report(0, static_cast<int32_t>(entry.UnpackedSize))) return true;
  TToFile streams(*this, entry, dest);
  try {
    switch (InflateZlib(streams)) {
      case TInflateResult::Ended:
        return streams.Produced == entry.UnpackedSize;
      case TInflateResult::Stopped:
        return !streams.Excess;  // cancelled
      case TInflateResult::Damaged:
        break;
    }
  } catch (const EInOutError&) {
  }
  return false;
}

bool TCompressionManager::Report(int32_t position, int32_t total) {
  if (OnProgress) OnProgress(this, position, total);
  return !FCancelled;
}

void TCompressionManager::ExtractToString(std::string_view EntryName, std::string& Data) {
  Data.clear();
  const int32_t index = FindEntry(EntryName);
  if (index < 0) return;
  if (index >= static_cast<int32_t>(FEntries.size())) {
    // Grown by what the blocks yield, never by what the index claims.
    if (!ExtractSolid(index - FEntries.size(), nullptr, &Data)) {
      Data.clear();
      RaiseCannotExtract();
    }
    return;
  }
  const TPackageEntry& entry = FEntries[index];
  if (!SeekToData(entry)) RaiseCannotExtract();

  // The output grows with what the stream really yields, never by what the
  // header claims.
  struct TToString : TEntryStreams {
    using TEntryStreams::TEntryStreams;
    bool Take(const uint8_t* data, size_t size) override {
      Data.append(reinterpret_cast<const char*>(data), size);
      return true;
    }
    std::string Data;
  };
  TToString streams(*FFile, entry);
  try {
    if (InflateZlib(streams) != TInflateResult::Ended || streams.Produced != entry.UnpackedSize)
      RaiseCannotExtract();
  } catch (const EInOutError&) {
    RaiseCannotExtract();
  }
  Data = std::move(streams.Data);
}

std::unique_ptr<TMemoryStream> TCompressionManager::ExtractToStream(std::string_view EntryName) {
  std::string data;
  ExtractToString(EntryName, data);
  return std::make_unique<TMemoryStream>(std::move(data));
}
