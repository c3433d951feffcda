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

#include "common/Errors.h"
#include "platform/Platform.h"

namespace {

constexpr size_t kChunk = 256 * 1024;
// A compressed entry waits in memory up to this size, in a temporary file
// beyond it; at most a few entries wait at once.
constexpr size_t kSpillAt = 4 * 1024 * 1024;

struct TJob {
  const TPackageItem* item = nullptr;
  std::string packed;     // compressed bytes, unless spilled
  std::string spillPath;  // temporary file holding them, when spilled
  uint64_t unpacked = 0;
  uint64_t packedSize = 0;
  std::string error;
  bool done = false;
};

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// Compresses one item into job; failures land in job.error.
void Compress(TJob& job, int level, const std::string& spillPath, std::atomic<uint64_t>& progress,
              const std::atomic<bool>& abort) {
  const TPackageItem& item = *job.item;
  std::unique_ptr<TFileStream> source, spill;
  z_stream zs{};
  bool init = false;
  try {
    if (!item.Content) source = Platform().OpenFile(item.SourcePath, TFileMode::OpenRead);
    if (deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw Exception("out of memory");
    init = true;
    std::string in(kChunk, '\0'), out(kChunk, '\0');
    size_t contentPos = 0;
    int flush = Z_NO_FLUSH;
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
      if (job.unpacked >= static_cast<uint64_t>(kEntrySizeLimit))
        throw Exception("its content is 2 GiB or more, more than a package entry can hold");
      if (n < kChunk) flush = Z_FINISH;
      zs.next_in = reinterpret_cast<Bytef*>(in.data());
      zs.avail_in = static_cast<uInt>(n);
      do {
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = static_cast<uInt>(out.size());
        deflate(&zs, flush);
        const size_t have = out.size() - zs.avail_out;
        job.packedSize += have;
        if (spill) {
          spill->Write(out.data(), have);
        } else {
          job.packed.append(out.data(), have);
          if (job.packed.size() > kSpillAt) {
            spill = Platform().OpenFile(spillPath, TFileMode::Create);
            job.spillPath = spillPath;
            spill->Write(job.packed.data(), job.packed.size());
            std::string().swap(job.packed);
          }
        }
      } while (zs.avail_out == 0);
      progress += n;
    }
    if (job.packedSize >= static_cast<uint64_t>(kEntrySizeLimit))
      throw Exception("its compressed data is 2 GiB or more, more than a package entry can hold");
    if (spill) spill->Close();
    if (source) source->Close();
  } catch (const std::exception& e) {
    job.error = e.what();
  }
  if (init) deflateEnd(&zs);
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
  for (const TPackageItem& item : Items) {
    if (item.Name.size() > kEntryNameMax)
      throw Exception("Entry name " + Quoted(item.Name) + " is longer than 255 characters");
    total += SourceSize(item);
  }

  std::unique_ptr<TFileStream> out = Platform().OpenFile(OutFile, TFileMode::Create);
  TPackageWriteResult result;
  if (!Options.HostPath.empty()) {
    CopyHost(*out, Options.HostPath);
    result.PackageStart = out->Position();
    if (result.PackageStart > static_cast<int64_t>(UINT32_MAX))
      throw Exception("Host image " + Options.HostPath + " is 4 GiB or more");
  }

  std::vector<TJob> jobs(Items.size());
  for (size_t i = 0; i < Items.size(); ++i) jobs[i].item = &Items[i];
  unsigned threads = Options.Threads ? Options.Threads : std::thread::hardware_concurrency();
  threads = static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(jobs.size(), 1)));
  // Workers run at most this far ahead of the entry being written, which
  // bounds the compressed data waiting in memory.
  const size_t window = 2 * static_cast<size_t>(threads);

  std::mutex mutex;
  std::condition_variable changed;
  size_t nextJob = 0;
  size_t nextToWrite = 0;
  std::atomic<uint64_t> progress{0};
  std::atomic<bool> abort{false};

  auto worker = [&] {
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] {
          return abort || nextJob >= jobs.size() || nextJob < nextToWrite + window;
        });
        if (abort || nextJob >= jobs.size()) return;
        index = nextJob++;
      }
      Compress(jobs[index], Options.Level, OutFile + ".part" + std::to_string(index), progress,
               abort);
      {
        std::lock_guard<std::mutex> lock(mutex);
        jobs[index].done = true;
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
