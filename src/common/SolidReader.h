#pragma once
// Reads the files of a package's solid blocks. Each block is decoded whole
// on a worker thread into its own buffer; while the files of one block are
// written, the next block is decoded beside it, so at most two buffers (two
// dictionaries) are held. Files are cheapest in stream order, which is the
// order the packer lays them down; any other order works, by decoding a
// block again.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Lzma.h"
#include "common/PackageFormat.h"
#include "common/SolidIndex.h"

class TSolidReader {
 public:
  // FileName holds the package; Blocks are the headers of its block entries
  // in stream order (as many as the index has blocks), Start the package's
  // start in the file and End where its entries end.
  TSolidReader(std::string FileName, int64_t Start, int64_t End, TSolidIndex Index,
               std::vector<TPackageEntry> Blocks);
  ~TSolidReader();
  TSolidReader(const TSolidReader&) = delete;
  TSolidReader& operator=(const TSolidReader&) = delete;

  const TSolidIndex& Index() const { return FIndex; }
  // The last file of that name (ASCII letter case ignored), or -1.
  int32_t Find(std::string_view Name) const;

  enum class TResult { Done, Stopped, Damaged };
  class TSink {
   public:
    virtual ~TSink() = default;
    virtual bool Take(const uint8_t* Data, size_t Size) = 0;
    virtual bool Waiting() = 0;
  };
  // Hands the content of file number File to Sink.Take in pieces of up to
  // 128 KiB, and calls Sink.Waiting about every 32 ms while the decoder is
  // behind. Either returning false stops the extraction
  // (Stopped). Damaged: the block does not decode to its size, or the
  // file's CRC-32 does not match; what was handed out must be thrown away.
  TResult Extract(size_t File, TSink& Sink);
  // Ends the decoding in the background (after a cancel).
  void Stop();

 private:
  struct TJob;
  // The job of block B, started if need be, with the one after it.
  TJob* Prepare(size_t b);
  std::unique_ptr<TJob> Start(size_t b);
  // The next final bytes of the current block at the cursor, up to Max;
  // 0 when the decoder has not got that far yet.
  size_t Next(TJob& job, const uint8_t*& data, size_t max);
  // Puts the cursor at the start of block B, with the filter's state fresh.
  void ResetCursor(size_t b);

  std::string FFileName;
  int64_t FStart, FEnd;
  TSolidIndex FIndex;
  std::vector<TPackageEntry> FBlocks;
  std::vector<uint32_t> FByName;             // file numbers in the order of their names
  std::vector<std::unique_ptr<TJob>> FJobs;  // at most two, in block order

  // The cursor: block, raw content consumed, and for the x86 filter the
  // bytes taken but not handed out yet.
  size_t FCursorBlock = SIZE_MAX;
  uint32_t FRaw = 0;  // block bytes consumed (into the stage, for x86)
  uint32_t FOut = 0;  // block bytes handed out
  TBcjX86 FBcj;
  std::unique_ptr<uint8_t[]> FStage;
  uint32_t FStageBase = 0;  // block position of FStage[0]
  size_t FStageReady = 0, FStageEnd = 0, FStagePos = 0;
};
