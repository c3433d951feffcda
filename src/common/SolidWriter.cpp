#include "common/SolidWriter.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "common/Errors.h"
#include "platform/Platform.h"

namespace {

constexpr size_t kChunk = 1u << 20;
// lc 3, lp 0, pb 2: liblzma's defaults, good for code and text alike.
constexpr uint8_t kProps = (2 * 5 + 0) * 9 + 3;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Part of one file's content inside a block.
struct TPiece {
  size_t File = 0;
  uint64_t From = 0;
  uint32_t Size = 0;
  uint32_t Crc = 0;
};

struct TBlockPlan {
  uint8_t Filter = kSolidPlain;
  uint32_t Size = 0;
  std::vector<TPiece> Pieces;
  std::string Path;
  std::string Error;
};

// The first bytes of an item (its content, or its file).
std::string Head(const TPackageItem& item, size_t n) {
  if (item.Content) return item.Content->substr(0, n);
  std::string head(n, '\0');
  head.resize(Platform().OpenFile(item.SourcePath, TFileMode::OpenRead)->Read(head.data(), n));
  return head;
}

// A 32-bit x86 Windows program or library, told by its PE header. The x86
// filter is for them only: on x86-64 DLLs (Wine's) it made blocks 5 % larger,
// since with a large dictionary the same code in many files stops matching
// once its relative calls are made absolute.
bool IsX86Program(const TPackageItem& item) {
  const std::string h = Head(item, 4096);
  if (h.size() < 0x40 || h[0] != 'M' || h[1] != 'Z') return false;
  uint32_t pe = 0;
  std::memcpy(&pe, h.data() + 0x3C, 4);
  if (pe > h.size() - 6 || h.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
  const unsigned machine = static_cast<uint8_t>(h[pe + 4]) | static_cast<uint8_t>(h[pe + 5]) << 8;
  return machine == 0x14C;
}

// Data that LZMA would not shrink (already compressed: archives, media),
// told by deflating a few samples fast: such files go to stored blocks,
// which cost neither packing nor installing time.
bool LooksIncompressible(const TPackageItem& item, uint64_t size) {
  constexpr size_t kSample = 0x10000;
  if (size < 4 * kSample) return false;
  std::unique_ptr<TFileStream> source;
  if (!item.Content) source = Platform().OpenFile(item.SourcePath, TFileMode::OpenRead);
  std::string sample(kSample, '\0');
  std::string packed(compressBound(kSample), '\0');
  uint64_t in = 0, out = 0;
  for (uint64_t at : {uint64_t{0}, size / 3, size * 2 / 3, size - kSample}) {
    if (item.Content) {
      sample.assign(*item.Content, at, kSample);
    } else {
      source->Seek(static_cast<int64_t>(at));
      if (source->Read(sample.data(), kSample) != kSample) return false;
    }
    uLongf n = packed.size();
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &n,
                  reinterpret_cast<const Bytef*>(sample.data()), kSample, 1) != Z_OK)
      return false;
    in += kSample;
    out += n;
  }
  return out * 100 >= in * 98;
}

// The extension (upper case), the name without its folder, the whole name.
std::string SortKey(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  std::string key = dot == std::string::npos ? std::string() : base.substr(dot + 1);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key + '\0' + base + '\0' + name;
}

void EncodeBlock(TBlockPlan& block, const std::vector<TPackageItem>& files,
                 std::atomic<uint64_t>& progress) {
  lzma_options_lzma o;
  lzma_lzma_preset(&o, 9);
  o.dict_size = std::max<uint32_t>(block.Size, LZMA_DICT_SIZE_MIN);
  lzma_filter filters[3] = {
      {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream s = LZMA_STREAM_INIT;
  if (block.Filter != kSolidStored &&
      lzma_raw_encoder(&s, block.Filter == kSolidX86 ? filters : filters + 1) != LZMA_OK)
    throw Exception("liblzma cannot start (out of memory?)");
  struct TEnd {
    lzma_stream* s;
    ~TEnd() { lzma_end(s); }
  } end{&s};
  std::unique_ptr<TFileStream> out = Platform().OpenFile(block.Path, TFileMode::Create);
  std::string in(kChunk, '\0'), packed(kChunk, '\0');
  auto code = [&](lzma_action action) {
    for (;;) {
      s.next_out = reinterpret_cast<uint8_t*>(packed.data());
      s.avail_out = packed.size();
      const lzma_ret r = lzma_code(&s, action);
      out->Write(packed.data(), packed.size() - s.avail_out);
      if (r == LZMA_STREAM_END) return;
      if (r != LZMA_OK) throw Exception("liblzma failed (out of memory?)");
      if (s.avail_in == 0 && s.avail_out != 0) return;
    }
  };
  for (TPiece& piece : block.Pieces) {
    const TPackageItem& item = files[piece.File];
    std::unique_ptr<TFileStream> source;
    if (!item.Content) {
      source = Platform().OpenFile(item.SourcePath, TFileMode::OpenRead);
      source->Seek(static_cast<int64_t>(piece.From));
    }
    uLong crc = crc32(0, nullptr, 0);
    for (uint64_t done = 0; done < piece.Size;) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, piece.Size - done));
      size_t n = want;
      if (item.Content)
        std::memcpy(in.data(), item.Content->data() + piece.From + done, n);
      else
        n = source->Read(in.data(), want);
      if (n != want)
        throw Exception("Cannot pack " + Quoted(item.Name) + ": it changed while being packed");
      crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n));
      if (block.Filter == kSolidStored) {
        out->Write(in.data(), n);
      } else {
        s.next_in = reinterpret_cast<const uint8_t*>(in.data());
        s.avail_in = n;
        code(LZMA_RUN);
      }
      done += n;
      progress += n;
    }
    piece.Crc = static_cast<uint32_t>(crc);
  }
  if (block.Filter != kSolidStored) code(LZMA_FINISH);
  out->Close();
}

}  // namespace

bool SolidPackingAvailable() { return true; }

std::vector<TPackageItem> PackSolid(const std::vector<TPackageItem>& Files,
                                    const TSolidPackOptions& Options,
                                    std::vector<std::string>& TempFiles) {
  // Programs first, for the x86 filter, data LZMA cannot shrink last; alike
  // files together: by extension, then by the name without its folder (the
  // same icon in several sizes), then by the whole name.
  struct TFile {
    size_t Item;
    uint8_t Filter;
    std::string Key;
    uint64_t Size;
  };
  std::vector<TFile> order;
  uint64_t total = 0;
  for (size_t i = 0; i < Files.size(); ++i) {
    const TPackageItem& item = Files[i];
    uint64_t size;
    try {
      size = item.Content ? item.Content->size()
                          : static_cast<uint64_t>(
                                Platform().OpenFile(item.SourcePath, TFileMode::OpenRead)->Size());
      const uint8_t filter = size > 0 && IsX86Program(item)    ? kSolidX86
                             : LooksIncompressible(item, size) ? kSolidStored
                                                               : kSolidPlain;
      order.push_back({i, filter, SortKey(item.Name), size});
    } catch (const std::exception& e) {
      throw Exception("Cannot pack entry " + Quoted(item.Name) + ": " + e.what());
    }
    if (size >= static_cast<uint64_t>(kEntrySizeLimit))
      throw Exception("Cannot pack entry " + Quoted(item.Name) +
                      ": its content is 2 GiB or more, more than a file in a package can hold");
    total += size;
  }
  auto rank = [](uint8_t filter) {
    return filter == kSolidX86 ? 0 : filter == kSolidPlain ? 1 : 2;
  };
  std::stable_sort(order.begin(), order.end(), [&](const TFile& a, const TFile& b) {
    if (a.Filter != b.Filter) return rank(a.Filter) < rank(b.Filter);
    return a.Key < b.Key;
  });

  // Cut the stream into blocks; a change of filter starts a new one. The
  // compressed blocks share their bytes evenly, so that the threads finish
  // together instead of one waiting on a last large block.
  uint64_t compressed = 0;
  for (const TFile& f : order) compressed += f.Filter == kSolidStored ? 0 : f.Size;
  const uint64_t count =
      std::max<uint64_t>(1, (compressed + Options.BlockSize - 1) / Options.BlockSize);
  const uint32_t even = static_cast<uint32_t>((compressed + count - 1) / count);
  std::vector<TBlockPlan> blocks;
  for (const TFile& f : order) {
    const uint8_t filter = f.Filter;
    const uint32_t limit = filter == kSolidStored ? Options.BlockSize : std::max<uint32_t>(even, 1);
    for (uint64_t from = 0; from < f.Size;) {
      if (blocks.empty() || blocks.back().Filter != filter || blocks.back().Size == limit) {
        blocks.emplace_back();
        blocks.back().Filter = filter;
      }
      TBlockPlan& b = blocks.back();
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(f.Size - from, limit - b.Size));
      b.Pieces.push_back({f.Item, from, n, 0});
      b.Size += n;
      from += n;
    }
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    blocks[i].Path = Options.TempBase + ".block" + std::to_string(i + 1);
    TempFiles.push_back(blocks[i].Path);
  }

  std::atomic<size_t> next{0};
  std::atomic<size_t> finished{0};
  std::atomic<uint64_t> progress{0};
  std::atomic<bool> failed{false};
  auto worker = [&] {
    for (size_t i; !failed && (i = next++) < blocks.size();) {
      try {
        EncodeBlock(blocks[i], Files, progress);
      } catch (const std::exception& e) {
        blocks[i].Error = e.what();
        failed = true;
      }
    }
    ++finished;
  };
  unsigned threads = Options.Threads ? Options.Threads : std::thread::hardware_concurrency();
  threads =
      static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(blocks.size(), 1)));
  std::vector<std::thread> pool;
  for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker);
  while (finished < threads) {
    if (Options.OnProgress) Options.OnProgress(progress, total);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (std::thread& t : pool) t.join();
  for (const TBlockPlan& b : blocks)
    if (!b.Error.empty()) throw Exception(b.Error);

  // The index, in stream order, with each file's CRC-32 from its pieces.
  TSolidIndex index;
  std::vector<uint32_t> crcs(Files.size(), 0);
  for (const TBlockPlan& b : blocks) {
    index.Blocks.push_back({b.Filter, kProps, b.Size, 0});
    for (const TPiece& p : b.Pieces)
      crcs[p.File] =
          static_cast<uint32_t>(crc32_combine(crcs[p.File], p.Crc, static_cast<z_off_t>(p.Size)));
  }
  for (const TFile& f : order) {
    index.Files.push_back({Files[f.Item].Name, static_cast<uint32_t>(f.Size), crcs[f.Item], 0});
  }
  std::vector<TPackageItem> items;
  items.push_back({kSolidIndexName, std::string(), WriteSolidIndex(index), std::nullopt});
  for (const TBlockPlan& b : blocks)
    items.push_back({kSolidBlockName, b.Path, std::nullopt, b.Size});
  return items;
}
