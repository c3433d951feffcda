#include "common/PackageWriter.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#ifdef BW_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "common/Errors.h"
#include "platform/Platform.h"

namespace {

constexpr size_t kChunk = 256 * 1024;
// A compressed entry waits in memory up to this size, in a temporary file
// beyond it.
constexpr size_t kSpillAt = 4 * 1024 * 1024;
// Threads run ahead of the entry being written while less than this waits
// in memory.
constexpr uint64_t kHeldMax = 64ull << 20;

struct TJob {
  const TPackageItem* item = nullptr;
  uint64_t size = 0;      // of the content, as measured before packing
  std::string packed;     // compressed bytes, unless spilled
  std::string spillPath;  // temporary file holding them, when spilled
  uint64_t unpacked = 0;
  uint64_t packedSize = 0;
  std::string error;
  bool started = false;
  bool done = false;
};

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

int ZlibLevel(TPackLevel level) {
  return level == TPackLevel::Fast ? 1 : level == TPackLevel::Default ? 6 : 9;
}

void CheckUnpacked(uint64_t n) {
  if (n >= static_cast<uint64_t>(kEntrySizeLimit))
    throw Exception("its content is 2 GiB or more, more than a package entry can hold");
}

// Compressed output: kept in job.packed up to kSpillAt, then in a temporary file.
class TSink {
 public:
  TSink(TJob& job, std::string spillPath) : job_(job), spillPath_(std::move(spillPath)) {}
  void Put(const char* data, size_t n) {
    job_.packedSize += n;
    if (spill_) {
      spill_->Write(data, n);
      return;
    }
    job_.packed.append(data, n);
    if (job_.packed.size() > kSpillAt) {
      spill_ = Platform().OpenFile(spillPath_, TFileMode::Create);
      job_.spillPath = spillPath_;
      spill_->Write(job_.packed.data(), job_.packed.size());
      std::string().swap(job_.packed);
    }
  }
  void Close() {
    if (spill_) spill_->Close();
  }

 private:
  TJob& job_;
  std::string spillPath_;
  std::unique_ptr<TFileStream> spill_;
};

// Streams one item through zlib in bounded chunks, from the start of source
// (or of the item's content).
void CompressStreaming(TJob& job, int level, TFileStream* source, TSink& sink,
                       std::atomic<uint64_t>& progress, const std::atomic<bool>& abort) {
  const TPackageItem& item = *job.item;
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("out of memory");
  struct TEnd {
    z_stream* zs;
    ~TEnd() { deflateEnd(zs); }
  } end{&zs};
  std::string in(kChunk, '\0'), out(kChunk, '\0');
  size_t contentPos = 0;
  int flush = Z_NO_FLUSH;
  job.unpacked = 0;
  while (flush != Z_FINISH) {
    if (abort) throw Exception("cancelled");
    size_t n;
    if (item.Content) {
      n = std::min(kChunk, item.Content->size() - contentPos);
      std::memcpy(in.data(), item.Content->data() + contentPos, n);
      contentPos += n;
    } else {
      n = source->Read(in.data(), kChunk);
    }
    job.unpacked += n;
    CheckUnpacked(job.unpacked);
    if (n < kChunk) flush = Z_FINISH;
    zs.next_in = reinterpret_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(n);
    do {
      zs.next_out = reinterpret_cast<Bytef*>(out.data());
      zs.avail_out = static_cast<uInt>(out.size());
      deflate(&zs, flush);
      sink.Put(out.data(), out.size() - zs.avail_out);
    } while (zs.avail_out == 0);
    progress += n;
  }
}

// An item compressed already: its bytes as they are.
void CopyStored(TJob& job, TFileStream* source, TSink& sink, std::atomic<uint64_t>& progress) {
  std::string in(kChunk, '\0');
  for (size_t pos = 0;;) {
    size_t n;
    if (job.item->Content) {
      n = std::min(kChunk, job.item->Content->size() - pos);
      std::memcpy(in.data(), job.item->Content->data() + pos, n);
      pos += n;
    } else {
      n = source->Read(in.data(), kChunk);
    }
    if (n == 0) break;
    sink.Put(in.data(), n);
    progress += n;
  }
  job.unpacked = *job.item->StoredSize;
}

#ifdef BW_HAVE_LIBDEFLATE
int LibdeflateLevel(TPackLevel level) {
  return level == TPackLevel::Fast ? 1 : level == TPackLevel::Default ? 6 : 12;
}

// Reads the whole source when it holds at most kWholeEntryMax bytes; false
// (the source rewound) when it holds more. expected sizes the buffer.
bool ReadWhole(TFileStream& source, uint64_t expected, uint64_t max, std::string& data) {
  data.resize(static_cast<size_t>(std::min(expected, max)) + 1);
  size_t have = 0;
  for (;;) {
    if (have == data.size()) {
      if (have > max) break;
      data.resize(std::min<size_t>(have * 2, static_cast<size_t>(max) + 1));
    }
    const size_t n = source.Read(data.data() + have, data.size() - have);
    if (n == 0) break;
    have += n;
  }
  if (have > max) {
    std::string().swap(data);
    source.Seek(0);
    return false;
  }
  data.resize(have);
  return true;
}

// One entry in one piece, at libdeflate's level; false when it is too large.
bool CompressWhole(TJob& job, TPackLevel level, uint64_t max, TFileStream* source, TSink& sink,
                   std::atomic<uint64_t>& progress) {
  std::string read;
  const std::string* data = job.item->Content ? &*job.item->Content : &read;
  if (!job.item->Content && !ReadWhole(*source, job.size, max, read)) return false;
  if (data->size() > max) return false;
  job.unpacked = data->size();
  CheckUnpacked(job.unpacked);
  libdeflate_compressor* c = libdeflate_alloc_compressor(LibdeflateLevel(level));
  if (!c) throw Exception("out of memory");
  struct TFree {
    libdeflate_compressor* c;
    ~TFree() { libdeflate_free_compressor(c); }
  } free{c};
  std::string out(libdeflate_zlib_compress_bound(c, data->size()), '\0');
  const size_t n = libdeflate_zlib_compress(c, data->data(), data->size(), out.data(), out.size());
  if (n == 0) throw Exception("libdeflate could not compress it");
  sink.Put(out.data(), n);
  progress += data->size();
  return true;
}
#endif

// Compresses one item into job; failures land in job.error.
void Compress(TJob& job, TPackLevel level, uint64_t wholeMax, const std::string& spillPath,
              std::atomic<uint64_t>& progress, const std::atomic<bool>& abort) {
  const TPackageItem& item = *job.item;
  std::unique_ptr<TFileStream> source;
  TSink sink(job, spillPath);
  try {
    if (!item.Content) source = Platform().OpenFile(item.SourcePath, TFileMode::OpenRead);
    bool whole = false;
    if (item.StoredSize) {
      CopyStored(job, source.get(), sink, progress);
      whole = true;
    }
#ifdef BW_HAVE_LIBDEFLATE
    if (!whole) whole = CompressWhole(job, level, wholeMax, source.get(), sink, progress);
#else
    (void)wholeMax;
#endif
    if (!whole) CompressStreaming(job, ZlibLevel(level), source.get(), sink, progress, abort);
    if (job.packedSize >= static_cast<uint64_t>(kEntrySizeLimit))
      throw Exception("its compressed data is 2 GiB or more, more than a package entry can hold");
    sink.Close();
    if (source) source->Close();
  } catch (const std::exception& e) {
    job.error = e.what();
  }
}

void CopyHost(TFileStream& out, const std::string& hostPath) {
  std::unique_ptr<TFileStream> host = Platform().OpenFile(hostPath, TFileMode::OpenRead);
  std::string buf(1 << 20, '\0');
  for (;;) {
    size_t n = host->Read(buf.data(), buf.size());
    if (n == 0) break;
    out.Write(buf.data(), n);
  }
  host->Close();
}

void CopySpill(TFileStream& out, const std::string& path, uint64_t size) {
  std::unique_ptr<TFileStream> in = Platform().OpenFile(path, TFileMode::OpenRead);
  std::string buf(1 << 20, '\0');
  uint64_t left = size;
  while (left > 0) {
    size_t n = in->Read(buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
    if (n == 0) throw Exception("temporary file " + path + " ended early");
    out.Write(buf.data(), n);
    left -= n;
  }
  in->Close();
}

// Moves the bytes from start to the end of out forward by gap bytes and
// zeroes the gap, working from the end so that nothing is overwritten early.
void InsertZerosAt(TFileStream& out, int64_t start, int64_t gap) {
  const int64_t end = out.Position();
  std::string buf(1 << 20, '\0');
  for (int64_t pos = end; pos > start;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(pos - start, buf.size()));
    pos -= static_cast<int64_t>(n);
    out.Seek(pos);
    if (out.Read(buf.data(), n) != n)
      throw Exception("cannot read back " + std::to_string(n) +
                      " bytes of the package being written");
    out.Seek(pos + gap);
    out.Write(buf.data(), n);
  }
  out.Seek(start);
  out.Write(std::string(static_cast<size_t>(gap), '\0').data(), static_cast<size_t>(gap));
  out.Seek(end + gap);
}

uint64_t SourceSize(const TPackageItem& item) {
  if (item.Content) return item.Content->size();
  try {
    return static_cast<uint64_t>(Platform().OpenFile(item.SourcePath, TFileMode::OpenRead)->Size());
  } catch (const std::exception& e) {
    throw Exception("Cannot read entry " + Quoted(item.Name) + ": " + e.what());
  }
}

}  // namespace

TPackageWriteResult WritePackage(const std::string& OutFile, const std::vector<TPackageItem>& Items,
                                 const TPackageWriterOptions& Options) {
  uint64_t total = 0;
  std::vector<TJob> jobs(Items.size());
  for (size_t i = 0; i < Items.size(); ++i) {
    const TPackageItem& item = Items[i];
    if (item.Name.size() > kEntryNameMax)
      throw Exception("Entry name " + Quoted(item.Name) + " is longer than 255 characters");
    jobs[i].item = &item;
    jobs[i].size = SourceSize(item);
    total += jobs[i].size;
  }

  std::unique_ptr<TFileStream> out = Platform().OpenFile(OutFile, TFileMode::Create);
  TPackageWriteResult result;
  if (!Options.HostPath.empty()) {
    CopyHost(*out, Options.HostPath);
    result.PackageStart = out->Position();
    if (result.PackageStart > static_cast<int64_t>(UINT32_MAX))
      throw Exception("Host image " + Options.HostPath + " is 4 GiB or more");
  }

  unsigned threads = Options.Threads ? Options.Threads : std::thread::hardware_concurrency();
  threads = static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(jobs.size(), 1)));
  // Largest first: a big entry started last would finish alone.
  std::vector<size_t> order(jobs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return jobs[a].size > jobs[b].size; });

  std::mutex mutex;
  std::condition_variable changed;
  size_t nextInOrder = 0;  // order[] before it has been started
  size_t nextToWrite = 0;
  uint64_t held = 0;  // compressed bytes done, waiting in memory to be written
  std::atomic<uint64_t> progress{0};
  std::atomic<bool> abort{false};

  // The next job to start: the next in order while the waiting output fits
  // kHeldMax, else only the one the writer waits for; none when all started.
  auto pick = [&](size_t& index) -> bool {
    while (nextInOrder < order.size() && jobs[order[nextInOrder]].started) ++nextInOrder;
    if (nextInOrder >= order.size()) return true;
    if (held < kHeldMax) {
      index = order[nextInOrder];
      return true;
    }
    if (nextToWrite < jobs.size() && !jobs[nextToWrite].started) {
      index = nextToWrite;
      return true;
    }
    return false;
  };

  auto worker = [&] {
    for (;;) {
      size_t index = SIZE_MAX;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return abort || pick(index); });
        if (abort || index == SIZE_MAX) return;
        jobs[index].started = true;
      }
      Compress(jobs[index], Options.Level, Options.WholeEntryMax,
               OutFile + ".part" + std::to_string(index), progress, abort);
      {
        std::lock_guard<std::mutex> lock(mutex);
        jobs[index].done = true;
        held += jobs[index].packed.size();
      }
      changed.notify_all();
    }
  };

  std::vector<std::thread> pool;
  auto stop = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      abort = true;
    }
    changed.notify_all();
    for (std::thread& t : pool) t.join();
    pool.clear();
    for (TJob& job : jobs)
      if (!job.spillPath.empty()) Platform().DeleteFileAt(job.spillPath);
  };

  try {
    for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker);
    for (size_t i = 0; i < jobs.size(); ++i) {
      TJob& job = jobs[i];
      {
        std::unique_lock<std::mutex> lock(mutex);
        while (!changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return job.done; })) {
          if (Options.OnProgress) {
            lock.unlock();
            Options.OnProgress(progress, total);
            lock.lock();
          }
        }
      }
      if (!job.error.empty())
        throw Exception("Cannot pack entry " + Quoted(job.item->Name) + ": " + job.error);

      const int64_t headerPos = out->Position() - result.PackageStart;
      const int64_t dataOffset = headerPos + static_cast<int64_t>(kEntryHeaderSize);
      if (dataOffset > static_cast<int64_t>(UINT32_MAX))
        throw Exception("Cannot pack entry " + Quoted(job.item->Name) +
                        ": the package would be 4 GiB or more");
      TPackageEntry header = MakeEntryHeader(job.item->Name, static_cast<uint32_t>(dataOffset),
                                             static_cast<uint32_t>(job.unpacked),
                                             static_cast<uint32_t>(job.packedSize));
      uint8_t bytes[kEntryHeaderSize];
      EncodeEntryHeader(header, bytes);
      out->Write(bytes, sizeof bytes);
      if (job.spillPath.empty()) {
        out->Write(job.packed.data(), job.packed.size());
        std::lock_guard<std::mutex> lock(mutex);
        held -= job.packed.size();
        std::string().swap(job.packed);
      } else {
        CopySpill(*out, job.spillPath, job.packedSize);
        Platform().DeleteFileAt(job.spillPath);
        job.spillPath.clear();
      }
      result.Entries.push_back(header);
      {
        std::lock_guard<std::mutex> lock(mutex);
        nextToWrite = i + 1;
      }
      changed.notify_all();
    }
    stop();
    if (!Options.HostPath.empty()) {
      // Zeros between the host image and the package make the file end on a
      // multiple of 8 bytes, so that a signer appends its certificate table
      // right behind the trailer. Only the end tells how many are needed.
      const int64_t gap = (8 - (out->Position() + static_cast<int64_t>(kTrailerSize)) % 8) % 8;
      if (gap > 0) {
        InsertZerosAt(*out, result.PackageStart, gap);
        result.PackageStart += gap;
      }
      if (result.PackageStart > static_cast<int64_t>(UINT32_MAX))
        throw Exception("Host image " + Options.HostPath + " is 4 GiB or more");
      uint8_t trailer[kTrailerSize];
      PutU32(trailer, static_cast<uint32_t>(result.PackageStart));
      out->Write(trailer, sizeof trailer);
    }
    out->Close();
  } catch (...) {
    stop();
    throw;
  }
  if (Options.OnProgress) Options.OnProgress(total, total);
  return result;
}
