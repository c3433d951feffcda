#include "common/SolidReader.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "common/Worker.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"

namespace {

constexpr size_t kPiece = 0x20000;
constexpr size_t kStageSize = kPiece + 8;

// Names ordered by their text with letter case folded as Windows folds it,
// so that a look-up finds a file whatever the case it is asked for in.
int CompareNames(std::string_view a, std::string_view b) {
  return FoldCase(a).compare(FoldCase(b));
}

enum TJobState { kRunning, kEnded, kFailed };

}  // namespace

// One block being decoded (or decoded) on its own thread into its buffer.
struct TSolidReader::TJob : TLzmaStreams {
  size_t Block = 0;
  uint32_t Size = 0;
  std::unique_ptr<uint8_t[]> Buffer;
  std::unique_ptr<TFileStream> File;
  uint64_t PackedLeft = 0;
  uint8_t Props = 0;
  uint8_t Filter = kSolidPlain;
  std::atomic<size_t> Decoded{0};
  std::atomic<int> State{kRunning};
  std::atomic<bool> StopRequested{false};
  std::unique_ptr<TWorker> Thread;  // last: joined before the rest goes

  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, PackedLeft));
    if (n == 0) return 0;
    try {
      if (File->Read(buffer, n) != n) return PackedLeft = 0;  // cut short: damaged
    } catch (...) {
      return PackedLeft = 0;
    }
    PackedLeft -= n;
    return n;
  }
  bool Progress(size_t decoded) override {
    Decoded.store(decoded, std::memory_order_release);
    WakeWaiter();
    return !StopRequested.load(std::memory_order_relaxed);
  }
  // A stored block: its entry holds exactly the content.
  TLzmaResult Copy(size_t& done) {
    if (PackedLeft != Size) return TLzmaResult::Damaged;
    while (done < Size) {
      const size_t n = Read(Buffer.get() + done, std::min(kLzmaProgressStep, Size - done));
      if (n == 0) return TLzmaResult::Damaged;
      done += n;
      if (!Progress(done)) return TLzmaResult::Stopped;
    }
    return TLzmaResult::Ended;
  }
  void Run() {
    size_t decoded = 0;
    TLzmaResult r = TLzmaResult::Damaged;
    try {
      r = Filter == kSolidStored ? Copy(decoded)
                                 : DecodeLzma(*this, Props, Buffer.get(), Size, decoded);
    } catch (...) {
    }
    State.store(r == TLzmaResult::Ended && decoded == Size ? kEnded : kFailed,
                std::memory_order_release);
    WakeWaiter();
  }
  void Stop() {
    StopRequested = true;
    Thread.reset();
  }
};

TSolidReader::TSolidReader(std::string FileName, int64_t Start, int64_t End, TSolidIndex Index,
                           std::vector<TPackageEntry> Blocks)
    : FFileName(std::move(FileName)),
      FStart(Start),
      FEnd(End),
      FIndex(std::move(Index)),
      FBlocks(std::move(Blocks)) {
  FByName.resize(FIndex.Files.size());
  for (size_t i = 0; i < FByName.size(); ++i) FByName[i] = static_cast<uint32_t>(i);
  // Equal names in file order, so that the last of them is found.
  std::sort(FByName.begin(), FByName.end(), [this](uint32_t a, uint32_t b) {
    const int c = CompareNames(FIndex.Files[a].Name, FIndex.Files[b].Name);
    return c < 0 || (c == 0 && a < b);
  });
}

TSolidReader::~TSolidReader() { Stop(); }

void TSolidReader::Stop() {
  for (auto& job : FJobs) job->Stop();
  FJobs.clear();
  FCursorBlock = SIZE_MAX;
}

int32_t TSolidReader::Find(std::string_view Name) const {
  // The last of equal names: just before the first greater one.
  size_t lo = 0, hi = FByName.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (CompareNames(Name, FIndex.Files[FByName[mid]].Name) < 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  if (lo == 0 || CompareNames(Name, FIndex.Files[FByName[lo - 1]].Name) != 0) return -1;
  return static_cast<int32_t>(FByName[lo - 1]);
}

std::unique_ptr<TSolidReader::TJob> TSolidReader::Start(size_t b) {
  auto job = std::make_unique<TJob>();
  job->Block = b;
  job->Size = FIndex.Blocks[b].Size;
  job->Props = FIndex.Blocks[b].Props;
  job->Filter = FIndex.Blocks[b].Filter;
  const TPackageEntry& entry = FBlocks[b];
  const int64_t at = FStart + entry.DataOffset;
  // A block whose data is not where its header says fails like a damaged one.
  if (entry.PackedSize < kEntrySizeLimit && at + entry.PackedSize <= FEnd) {
    job->PackedLeft = entry.PackedSize;
    job->Buffer.reset(new (std::nothrow) uint8_t[job->Size ? job->Size : 1]);
    try {
      job->File = Platform().OpenFile(FFileName, TFileMode::OpenRead);
      job->File->Seek(at);
    } catch (const std::exception&) {
      job->File.reset();
    }
  }
  if (!job->Buffer || !job->File) {
    job->State = kFailed;
    return job;
  }
  job->Thread = StartWorker([](void* j) { static_cast<TJob*>(j)->Run(); }, job.get());
  return job;
}

TSolidReader::TJob* TSolidReader::Prepare(size_t b) {
  // Jobs of earlier blocks are done with; one of a block far ahead is of no use.
  while (!FJobs.empty() && FJobs.front()->Block != b) {
    FJobs.front()->Stop();
    FJobs.erase(FJobs.begin());
  }
  if (FJobs.empty()) FJobs.push_back(Start(b));
  if (FJobs.size() == 1 && b + 1 < FIndex.Blocks.size()) FJobs.push_back(Start(b + 1));
  return FJobs.front().get();
}

void TSolidReader::ResetCursor(size_t b) {
  FCursorBlock = b;
  FRaw = FOut = 0;
  FBcj = TBcjX86();
  FStageBase = 0;
  FStageReady = FStageEnd = FStagePos = 0;
}

size_t TSolidReader::Next(TJob& job, const uint8_t*& data, size_t max) {
  const bool ended = job.State.load(std::memory_order_acquire) == kEnded;
  // The last byte of a block only once its stream has been checked to the end.
  const size_t decoded = ended ? job.Size : std::min<size_t>(job.Decoded.load(), job.Size - 1);
  if (job.Filter != kSolidX86) {
    const size_t n = std::min(max, decoded - FOut);
    data = job.Buffer.get() + FOut;
    FOut += static_cast<uint32_t>(n);
    return n;
  }
  if (FStagePos == FStageReady) {
    // Keep what the filter could not finish, then take more of the block.
    const size_t carry = FStageEnd - FStageReady;
    if (!FStage) FStage.reset(new uint8_t[kStageSize]);
    std::copy(FStage.get() + FStageReady, FStage.get() + FStageEnd, FStage.get());
    FStageBase += static_cast<uint32_t>(FStageReady);
    const size_t n = std::min(kStageSize - carry, decoded - FRaw);
    std::copy(job.Buffer.get() + FRaw, job.Buffer.get() + FRaw + n, FStage.get() + carry);
    FRaw += static_cast<uint32_t>(n);
    FStageEnd = carry + n;
    FStageReady = FBcj.Convert(FStage.get(), FStageEnd, FStageBase);
    if (ended && FRaw == job.Size) FStageReady = FStageEnd;  // the last bytes stay as they are
    FStagePos = 0;
  }
  const size_t n = std::min(max, FStageReady - FStagePos);
  data = FStage.get() + FStagePos;
  FStagePos += n;
  FOut += static_cast<uint32_t>(n);
  return n;
}

TSolidReader::TResult TSolidReader::Extract(size_t File, TSink& Sink) {
  const TSolidFile& file = FIndex.Files[File];
  uint64_t pos = file.Offset;
  uint64_t left = file.Size;
  uint32_t crc = 0;
  unsigned wakes = 0;
  while (left > 0) {
    // The block holding pos: the last one starting at or before it (none
    // is empty).
    const size_t b = static_cast<size_t>(
        std::upper_bound(FIndex.Blocks.begin(), FIndex.Blocks.end(), pos,
                         [](uint64_t p, const TSolidBlock& blk) { return p < blk.Offset; }) -
        FIndex.Blocks.begin() - 1);
    const uint64_t inBlock = pos - FIndex.Blocks[b].Offset;
    TJob* job = Prepare(b);
    if (FCursorBlock != b || FOut > inBlock) ResetCursor(b);
    const uint8_t* data = nullptr;
    const bool skipping = FOut < inBlock;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(
        kPiece, skipping ? inBlock - FOut : std::min<uint64_t>(left, job->Size - inBlock)));
    const size_t n = Next(*job, data, want);
    if (n == 0) {
      if (job->State.load(std::memory_order_acquire) == kFailed) return TResult::Damaged;
      // The decoders wake us on progress; the sink hears from us after 32 ms
      // without any, or after many wakes that brought nothing for this file.
      if ((!WaitForWorker(32) || ++wakes % 32 == 0) && !Sink.Waiting()) return TResult::Stopped;
      continue;
    }
    if (skipping) continue;
    crc = Crc32(crc, data, n);
    pos += n;
    left -= n;
    if (!Sink.Take(data, n)) return TResult::Stopped;
    wakes = 0;
  }
  // A block read to its end is done with: its buffer goes now, not when
  // the next block is asked for (or never, after the last).
  if (FCursorBlock < FIndex.Blocks.size() && FOut == FIndex.Blocks[FCursorBlock].Size) {
    while (!FJobs.empty() && FJobs.front()->Block <= FCursorBlock) {
      FJobs.front()->Stop();
      FJobs.erase(FJobs.begin());
    }
    FCursorBlock = SIZE_MAX;
  }
  return crc == file.Crc ? TResult::Done : TResult::Damaged;
}
