#include "common/SolidWriter.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#ifdef BW_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

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

// How a file's content is best put into blocks, told by a few samples:
// data that does not compress (archives, media) is stored, which costs
// neither packing nor installing time; data where LZMA gains less than 5 %
// over deflate (as a sample shows, with LZMA's window as small as the
// sample) is deflated, since LZMA would cost several times the CPU to
// install for those few per cent. Smaller files are judged together, below.
constexpr size_t kSample = 0x10000;
constexpr uint64_t kSampledMin = 4 * kSample;

TSolidFilter SampledFilter(const TPackageItem& item, uint64_t size) {
  if (size < kSampledMin) return kSolidPlain;
  std::unique_ptr<TFileStream> source;
  if (!item.Content) source = Platform().OpenFile(item.SourcePath, TFileMode::OpenRead);
  std::string samples;
  for (uint64_t at : {uint64_t{0}, size / 3, size * 2 / 3, size - kSample}) {
    if (item.Content) {
      samples.append(*item.Content, at, kSample);
    } else {
      std::string sample(kSample, '\0');
      source->Seek(static_cast<int64_t>(at));
      if (source->Read(sample.data(), kSample) != kSample) return kSolidPlain;
      samples += sample;
    }
  }
  std::string packed(compressBound(kSample) + kSample, '\0');
  auto* out = reinterpret_cast<Bytef*>(packed.data());
  // The samples' packed sizes summed, each packed by Pack; 0 if one fails.
  auto sum = [&](auto pack) {
    uint64_t total = 0;
    for (size_t at = 0; at < samples.size(); at += kSample) {
      const size_t n = pack(reinterpret_cast<const Bytef*>(samples.data() + at));
      if (n == 0) return uint64_t{0};
      total += n;
    }
    return total;
  };
  auto deflated = [&](int level) {
    return sum([&](const Bytef* data) -> size_t {
      uLongf n = packed.size();
      return compress2(out, &n, data, kSample, level) == Z_OK ? n : 0;
    });
  };
  const uint64_t fast = deflated(1);
  if (fast == 0 || fast * 100 >= samples.size() * 98) return fast ? kSolidStored : kSolidPlain;
  lzma_options_lzma o;
  lzma_lzma_preset(&o, 6);
  o.dict_size = kSample;
  const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  const uint64_t lzma = sum([&](const Bytef* data) -> size_t {
    size_t n = 0;
    return lzma_raw_buffer_encode(filters, nullptr, data, kSample, out, &n, packed.size()) ==
                   LZMA_OK
               ? n
               : 0;
  });
  const uint64_t best = deflated(9);
  // Data that deflates to under a quarter (zeros, padding) stays with LZMA:
  // it decodes fast, and LZMA's gain on it lies in repeats beyond a sample.
  if (lzma == 0 || best == 0 || best * 4 < samples.size()) return kSolidPlain;
  return lzma * 100 >= best * 95 ? kSolidDeflate : kSolidPlain;
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

#ifdef BW_HAVE_LIBDEFLATE
// libdeflate's highest level makes a few per cent smaller zlib streams than
// zlib's, from the block's content whole.
constexpr bool kDeflateWhole = true;

void DeflateWhole(const std::string& content, TFileStream& out) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(12);
  if (!c) throw Exception("libdeflate cannot start (out of memory?)");
  struct TFree {
    libdeflate_compressor* c;
    ~TFree() { libdeflate_free_compressor(c); }
  } free{c};
  std::string packed(libdeflate_zlib_compress_bound(c, content.size()), '\0');
  const size_t n =
      libdeflate_zlib_compress(c, content.data(), content.size(), packed.data(), packed.size());
  if (n == 0) throw Exception("libdeflate failed");
  out.Write(packed.data(), n);
}
#else
constexpr bool kDeflateWhole = false;
void DeflateWhole(const std::string&, TFileStream&) {}
#endif

// The settings of xz -9, with the whole block as the dictionary.
lzma_options_lzma BlockOptions(uint32_t Size) {
  lzma_options_lzma o;
  lzma_lzma_preset(&o, 9);
  o.dict_size = std::max<uint32_t>(Size, LZMA_DICT_SIZE_MIN);
  return o;
}

// What one LZMA encoder of a block of Size bytes needs, or 0 if unknown.
uint64_t EncoderMemory(uint32_t Size) {
  lzma_options_lzma o = BlockOptions(Size);
  const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  const uint64_t n = lzma_raw_encoder_memusage(filters);
  return n == UINT64_MAX ? 0 : n;
}

void EncodeBlock(TBlockPlan& block, const std::vector<TPackageItem>& files,
                 std::atomic<uint64_t>& progress) {
  lzma_options_lzma o = BlockOptions(block.Size);
  lzma_filter filters[3] = {
      {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  const bool lzma = block.Filter == kSolidPlain || block.Filter == kSolidX86;
  const bool whole = block.Filter == kSolidDeflate && kDeflateWhole;
  const bool deflate = block.Filter == kSolidDeflate && !whole;
  lzma_stream s = LZMA_STREAM_INIT;
  if (lzma && lzma_raw_encoder(&s, block.Filter == kSolidX86 ? filters : filters + 1) != LZMA_OK)
    throw Exception("liblzma cannot start (out of memory?)");
  z_stream z{};
  if (deflate && deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("zlib cannot start (out of memory?)");
  struct TEnd {
    lzma_stream* s;
    z_stream* z;
    ~TEnd() {
      lzma_end(s);
      if (z) deflateEnd(z);
    }
  } end{&s, deflate ? &z : nullptr};
  std::unique_ptr<TFileStream> out = Platform().OpenFile(block.Path, TFileMode::Create);
  std::string in(kChunk, '\0'), packed(kChunk, '\0'), content;
  if (whole) content.reserve(block.Size);
  // Compresses s's (or z's) input; Last finishes the stream.
  auto code = [&](bool last) {
    for (;;) {
      bool ended;
      size_t left;
      if (deflate) {
        z.next_out = reinterpret_cast<Bytef*>(packed.data());
        z.avail_out = static_cast<uInt>(packed.size());
        const int r = ::deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) throw Exception("zlib failed");
        ended = r == Z_STREAM_END;
        left = z.avail_out;
      } else {
        s.next_out = reinterpret_cast<uint8_t*>(packed.data());
        s.avail_out = packed.size();
        const lzma_ret r = lzma_code(&s, last ? LZMA_FINISH : LZMA_RUN);
        if (r != LZMA_OK && r != LZMA_STREAM_END)
          throw Exception("liblzma failed (out of memory?)");
        ended = r == LZMA_STREAM_END;
        left = s.avail_out;
      }
      out->Write(packed.data(), packed.size() - left);
      if (ended) return;
      if (!last && (deflate ? z.avail_in : s.avail_in) == 0 && left != 0) return;
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
      } else if (whole) {
        content.append(in.data(), n);
      } else if (deflate) {
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(n);
        code(false);
      } else {
        s.next_in = reinterpret_cast<const uint8_t*>(in.data());
        s.avail_in = n;
        code(false);
      }
      done += n;
      progress += n;
    }
    piece.Crc = static_cast<uint32_t>(crc);
  }
  if (whole)
    DeflateWhole(content, *out);
  else if (block.Filter != kSolidStored)
    code(true);
  out->Close();
}

// A file to pack, with its place in the order of the stream.
struct TFile {
  size_t Item;
  uint8_t Filter;
  std::string Key;
  uint64_t Size;
};

// Files too small to be sampled alone are judged by extension, from the
// contents of files spread over the group laid end to end, as they will lie
// in a block: what LZMA gains on them comes from one another.
void JudgeSmallFiles(const std::vector<TPackageItem>& files, std::vector<TFile>& order) {
  std::map<std::string, std::vector<size_t>> groups;
  std::map<std::string, uint64_t> bytes;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i].Filter != kSolidPlain || order[i].Size >= kSampledMin) continue;
    const std::string ext = order[i].Key.substr(0, order[i].Key.find('\0'));
    groups[ext].push_back(i);
    bytes[ext] += order[i].Size;
  }
  for (const auto& [ext, members] : groups) {
    if (bytes[ext] < kSampledMin) continue;
    const size_t step = static_cast<size_t>(std::max<uint64_t>(1, bytes[ext] / kSampledMin / 2));
    std::string content;
    for (size_t k = 0; k < members.size() && content.size() < kSampledMin; k += step) {
      const TFile& f = order[members[k]];
      content += Head(files[f.Item], static_cast<size_t>(f.Size));
    }
    if (content.size() < kSampledMin) continue;
    const TPackageItem together{ext, std::string(), std::move(content)};
    const TSolidFilter filter = SampledFilter(together, together.Content->size());
    for (size_t i : members) order[i].Filter = filter;
  }
}

}  // namespace

bool SolidPackingAvailable() { return true; }

std::vector<TPackageItem> PackSolid(const std::vector<TPackageItem>& Files,
                                    const TSolidPackOptions& Options,
                                    std::vector<std::string>& TempFiles) {
  // Programs first, for the x86 filter, then the rest, then data where LZMA
  // gains little, data LZMA cannot shrink last; alike files together: by
  // extension, then by the name without its folder (the same icon in several
  // sizes), then by the whole name.
  // Sampling costs time on large files: every core takes part.
  const unsigned cores =
      std::max(Options.Threads ? Options.Threads : std::thread::hardware_concurrency(), 1u);
  std::vector<TFile> order(Files.size());
  std::vector<std::string> errors(Files.size());
  std::atomic<size_t> nextFile{0};
  auto classify = [&] {
    for (size_t i; (i = nextFile++) < Files.size();) {
      const TPackageItem& item = Files[i];
      try {
        const uint64_t size =
            item.Content ? item.Content->size()
                         : static_cast<uint64_t>(
                               Platform().OpenFile(item.SourcePath, TFileMode::OpenRead)->Size());
        if (size >= static_cast<uint64_t>(kEntrySizeLimit)) {
          errors[i] = "its content is 2 GiB or more, more than a file in a package can hold";
          continue;
        }
        const uint8_t filter =
            size > 0 && IsX86Program(item) ? kSolidX86 : SampledFilter(item, size);
        order[i] = {i, filter, SortKey(item.Name), size};
      } catch (const std::exception& e) {
        errors[i] = e.what();
      }
    }
  };
  {
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < cores; ++t) pool.emplace_back(classify);
    classify();
    for (std::thread& t : pool) t.join();
  }
  uint64_t total = 0;
  for (size_t i = 0; i < Files.size(); ++i) {
    if (!errors[i].empty())
      throw Exception("Cannot pack entry " + Quoted(Files[i].Name) + ": " + errors[i]);
    total += order[i].Size;
  }
  JudgeSmallFiles(Files, order);
  auto rank = [](uint8_t filter) {
    return filter == kSolidX86 ? 0 : filter == kSolidPlain ? 1 : filter == kSolidDeflate ? 2 : 3;
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
  unsigned threads =
      static_cast<unsigned>(std::min<size_t>(cores, std::max<size_t>(blocks.size(), 1)));
  // An encoder takes about ten times its dictionary (the block): no more of
  // them at once than half the machine's memory holds, so that a small
  // machine packs more slowly rather than swapping or failing.
  if (const uint64_t each = EncoderMemory(even), memory = lzma_physmem(); each && memory)
    threads = static_cast<unsigned>(std::clamp<uint64_t>(memory / 2 / each, 1, threads));
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
