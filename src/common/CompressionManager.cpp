#include "common/CompressionManager.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

#include "common/Errors.h"
#include "common/PackageLocation.h"
#include "platform/Platform.h"

namespace {

constexpr uInt kInChunk = 0xFFFF;     // input read per pass
constexpr uInt kOutBuffer = 0x1FFFE;  // output buffer, twice the input chunk

[[noreturn]] void RaiseCannotExtract() { throw Exception(kCannotExtractFile); }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNameAscii(const char* a, size_t na, const std::string& b) {
  if (na != b.size()) return false;
  for (size_t i = 0; i < na; ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// inflateEnd on every way out of an extraction.
struct TInflateGuard {
  z_stream* zs = nullptr;
  ~TInflateGuard() {
    if (zs) inflateEnd(zs);
  }
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

int32_t TCompressionManager::FindEntry(const std::string& Name) const {
  int32_t found = -1;
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (SameNameAscii(FEntries[i].Name, FEntries[i].NameLength, Name))
      found = static_cast<int32_t>(i);
  return found;
}

int64_t TCompressionManager::GetEntrySize(const std::string& Name) const {
  int32_t i = FindEntry(Name);
  return i < 0 ? -1 : static_cast<int64_t>(FEntries[i].UnpackedSize);
}

bool TCompressionManager::SeekToData(const TPackageEntry& entry) {
  if (entry.PackedSize >= kEntrySizeLimit || entry.UnpackedSize >= kEntrySizeLimit) return false;
  const int64_t start = FPackageStart + entry.DataOffset;
  if (start + entry.PackedSize > FPackageEnd) return false;
  FFile->Seek(start);
  return true;
}

void TCompressionManager::ExtractToFile(const std::string& EntryName,
                                        const std::string& DestFileName) {
  const int32_t index = FindEntry(EntryName);
  if (index < 0) return;
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
  if (Index < 0 || static_cast<size_t>(Index) >= FEntries.size()) RaiseCannotExtract();
  const TPackageEntry& entry = FEntries[Index];
  if (!SeekToData(entry) || !InflateToFile(entry, Dest)) RaiseCannotExtract();
}

// One pass: read input when the decompressor has used all of it, write what
// the previous step produced, inflate one step, report, then stop on cancel
// or once the stream has ended and all of it is written. Every pass either
// consumes input, produces output or reads more input; a pass that can do
// none of these means a damaged stream, so the loop always ends.
bool TCompressionManager::InflateToFile(const TPackageEntry& entry, TFileStream& dest) {
  FCancelled = false;
  std::unique_ptr<Bytef[]> in(new Bytef[kInChunk]);
  std::unique_ptr<Bytef[]> out(new Bytef[kOutBuffer]);
  int64_t inLeft = entry.PackedSize;
  int64_t outLeft = entry.UnpackedSize;
  int64_t written = 0;
  int64_t producedTotal = 0;
  uInt pending = 0;  // bytes in the output buffer, produced by the last step
  bool ended = false;
  z_stream zs{};
  TInflateGuard guard;

  try {
    for (bool first = true;; first = false) {
      if (first || (zs.avail_in == 0 && inLeft > 0)) {
        const uInt n = static_cast<uInt>(std::min<int64_t>(inLeft, kInChunk));
        if (FFile->Read(in.get(), n) != n) return false;
        inLeft -= n;
        zs.next_in = in.get();
        zs.avail_in = n;
      }
      if (first) {
        zs.next_out = out.get();
        zs.avail_out = kOutBuffer;
      } else if (pending > 0 && outLeft > 0) {
        dest.Write(out.get(), pending);
        written += pending;
        outLeft -= pending;
        zs.next_out = out.get();
        zs.avail_out = kOutBuffer;
      }
      if (first) {
        if (inflateInit(&zs) != Z_OK) return false;
        guard.zs = &zs;
      }

      const uInt availIn = zs.avail_in;
      const uInt availOut = zs.avail_out;
      const int ret = inflate(&zs, inLeft > 0 ? Z_SYNC_FLUSH : Z_FINISH);
      const uInt produced = availOut - zs.avail_out;
      pending = static_cast<uInt>(zs.next_out - out.get());
      producedTotal += produced;
      if (ret == Z_STREAM_END) {
        ended = true;
      } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
        return false;  // bad data, wrong Adler-32, preset dictionary, ...
      }
      if (producedTotal > static_cast<int64_t>(entry.UnpackedSize)) return false;
      if (ended && (producedTotal != static_cast<int64_t>(entry.UnpackedSize) || zs.avail_in != 0 ||
                    inLeft != 0))
        return false;  // ends early, or bytes follow the stream's end
      if (!ended && produced == 0 && zs.avail_in == availIn && !(zs.avail_in == 0 && inLeft > 0))
        return false;  // no progress possible: the stream is cut short

      if (OnProgress)
        OnProgress(this, static_cast<int32_t>(written), static_cast<int32_t>(entry.UnpackedSize));
      if (FCancelled) return true;
      if (ended && outLeft == 0) return true;
    }
  } catch (const EInOutError&) {
    return false;
  }
}

void TCompressionManager::ExtractToString(const std::string& EntryName, std::string& Data) {
  Data.clear();
  const int32_t index = FindEntry(EntryName);
  if (index < 0) return;
  const TPackageEntry& entry = FEntries[index];
  if (!SeekToData(entry)) RaiseCannotExtract();

  // The packed bytes are known to lie inside the file, so this buffer is
  // bounded by the file. The output grows with what the stream really
  // yields, never by what the header claims.
  std::string packed(entry.PackedSize, '\0');
  try {
    if (FFile->Read(packed.data(), packed.size()) != packed.size()) RaiseCannotExtract();
  } catch (const EInOutError&) {
    RaiseCannotExtract();
  }

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) RaiseCannotExtract();
  TInflateGuard guard{&zs};
  zs.next_in = reinterpret_cast<Bytef*>(packed.data());
  zs.avail_in = static_cast<uInt>(packed.size());

  const size_t limit = entry.UnpackedSize;
  std::string result(std::min<size_t>(limit, std::max<size_t>(packed.size() * 4, 1 << 16)), '\0');
  size_t have = 0;
  Bytef spare[1];
  for (;;) {
    if (have == result.size() && result.size() < limit)
      result.resize(std::min(limit, result.size() * 2));
    const bool full = have == result.size();
    // Once the content is complete, a one-byte spare catches any excess.
    zs.next_out = full ? spare : reinterpret_cast<Bytef*>(result.data() + have);
    zs.avail_out = full ? 1 : static_cast<uInt>(result.size() - have);
    const uInt availIn = zs.avail_in;
    const uInt availOut = zs.avail_out;
    const int ret = inflate(&zs, Z_FINISH);
    const uInt produced = availOut - zs.avail_out;
    if (full && produced > 0) RaiseCannotExtract();
    have += produced;
    if (ret == Z_STREAM_END) break;
    if (ret != Z_OK && ret != Z_BUF_ERROR) RaiseCannotExtract();
    if (produced == 0 && zs.avail_in == availIn) RaiseCannotExtract();
  }
  if (have != limit || zs.avail_in != 0) RaiseCannotExtract();
  result.resize(have);
  Data = std::move(result);
}

std::unique_ptr<TMemoryStream> TCompressionManager::ExtractToStream(const std::string& EntryName) {
  std::string data;
  ExtractToString(EntryName, data);
  return std::make_unique<TMemoryStream>(std::move(data));
}
