// Throughput of TCompressionManager::ExtractToFile against a plain zlib
// inflate-and-write loop over the same entry, and the peak memory of the
// process that runs both, for entries of several sizes.
//
//   bench_extract [--size-mib N]... [--runs R] [--level L] [--dir DIR]
//   bench_extract --limit SETUP_OR_PACKAGE DIR
//
// --limit is the reference for whole installers: the plain loop over every
// entry of a package (appended behind an installer, or stand-alone), each
// into DIR under its own name, folders made as needed. It prints the seconds
// it took.
//
// The entry is deflated at level 6 by default, which makes the 1 GiB package
// in about a minute; inflating speed hardly depends on the level.
//
// Without --size-mib it measures 1 MiB and 1024 MiB. Each size is measured in
// a child process of its own, so that its peak memory is its own.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PeakMemory.h"
#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/PackageFormat.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "bench_extract: %s\n", message.c_str());
  std::exit(1);
}

// Text-like data that compresses about 3:1: words, numbers and line ends
// drawn by a xorshift generator.
class TGenerator {
 public:
  void Fill(std::string& block, size_t size) {
    static const char* const words[] = {
        "install ", "package ", "entry ",  "stream ", "window ",   "header ",   "offset ",
        "folder ",  "program ", "wizard ", "cancel ", "shortcut ", "registry ", "licence ",
        "the ",     "of ",      "and ",    "to ",     "a ",        "in ",       "is ",
        "for ",     "with ",    "on ",     ", ",      ". ",        "\r\n",      "= "};
    block.clear();
    while (block.size() < size) {
      const uint64_t r = Next();
      block += words[r % (sizeof words / sizeof *words)];
      if ((r >> 8) % 5 == 0) block += std::to_string((r >> 16) % 1000000);
    }
    block.resize(size);
  }

 private:
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

// Writes a stand-alone package with one entry "data.bin" of size bytes.
void MakePackage(const std::string& path, uint64_t size, int level) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Die("cannot create " + path);
  uint8_t header[kEntryHeaderSize] = {};
  std::fwrite(header, 1, sizeof header, f);
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  TGenerator generator;
  std::string in, out(1 << 20, '\0');
  uint64_t left = size, packed = 0;
  do {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, 1 << 20));
    generator.Fill(in, n);
    left -= n;
    zs.next_in = reinterpret_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(n);
    do {
      zs.next_out = reinterpret_cast<Bytef*>(out.data());
      zs.avail_out = static_cast<uInt>(out.size());
      deflate(&zs, left ? Z_NO_FLUSH : Z_FINISH);
      const size_t have = out.size() - zs.avail_out;
      std::fwrite(out.data(), 1, have, f);
      packed += have;
    } while (zs.avail_out == 0);
  } while (left);
  deflateEnd(&zs);
  EncodeEntryHeader(MakeEntryHeader("data.bin", kEntryHeaderSize, static_cast<uint32_t>(size),
                                    static_cast<uint32_t>(packed)),
                    header);
  std::fseek(f, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, f);
  if (std::fclose(f) != 0) Die("cannot write " + path);
}

// The reference: the usual zlib loop with stdio, buffers of the same sizes.
void PlainInflateFrom(FILE* in, const TPackageEntry& entry, const std::string& dest) {
  FILE* out = std::fopen(dest.c_str(), "wb");
  if (!out) Die("cannot create " + dest);
  std::fseek(in, static_cast<long>(entry.DataOffset), SEEK_SET);
  std::vector<unsigned char> inBuf(65535), outBuf(131070);
  z_stream zs{};
  inflateInit(&zs);
  uint64_t left = entry.PackedSize;
  int ret = Z_OK;
  do {
    const size_t n = std::fread(inBuf.data(), 1, std::min<uint64_t>(left, inBuf.size()), in);
    if (n == 0) Die("plain loop: short read");
    left -= n;
    zs.next_in = inBuf.data();
    zs.avail_in = static_cast<uInt>(n);
    do {
      zs.next_out = outBuf.data();
      zs.avail_out = static_cast<uInt>(outBuf.size());
      ret = inflate(&zs, Z_NO_FLUSH);
      if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR) Die("plain loop: bad data");
      std::fwrite(outBuf.data(), 1, outBuf.size() - zs.avail_out, out);
    } while (zs.avail_out == 0);
  } while (ret != Z_STREAM_END);
  inflateEnd(&zs);
  if (std::fclose(out) != 0) Die("plain loop: write failed");
}

void PlainInflate(const std::string& package, const TPackageEntry& entry, const std::string& dest) {
  FILE* in = std::fopen(package.c_str(), "rb");
  if (!in) Die("cannot open " + package);
  PlainInflateFrom(in, entry, dest);
  std::fclose(in);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Every entry with the plain loop; "\\" in a name is a folder.
int Limit(const std::string& package, const std::string& dir) {
  const auto start = Clock::now();
  TCompressionManager appended(package, false, true, true);
  const bool isAppended = !appended.Entries().empty();
  TCompressionManager manager(package, false, true, isAppended);
  FILE* in = std::fopen(package.c_str(), "rb");
  if (!in) Die("cannot open " + package);
  fs::path lastFolder;
  uint64_t bytes = 0;
  for (const TPackageEntry& e : manager.Entries()) {
    std::string name(e.Name, e.NameLength);
    for (char& c : name)
      if (c == '\\') c = '/';
    const fs::path dest = fs::path(dir) / name;
    if (dest.parent_path() != lastFolder) {
      lastFolder = dest.parent_path();
      fs::create_directories(lastFolder);
    }
    TPackageEntry at = e;
    at.DataOffset += static_cast<uint32_t>(manager.PackageStart());
    PlainInflateFrom(in, at, dest.string());
    bytes += e.UnpackedSize;
  }
  std::fclose(in);
  const double t = Seconds(Clock::now() - start);
  std::printf("limit %.3f s  %zu entries  %.1f MB  %.1f MB/s\n", t, manager.Entries().size(),
              bytes / 1e6, bytes / 1e6 / t);
  return 0;
}

// Child: times both loops alternately, best of runs, and reports.
int Measure(const std::string& package, const std::string& dir, int runs) {
  TCompressionManager manager(package, false, true, false);
  if (manager.Entries().size() != 1) Die("unexpected package " + package);
  const TPackageEntry entry = manager.Entries()[0];
  const std::string dest = (fs::path(dir) / "out.bin").string();
  double plainBest = 1e30, extractBest = 1e30;
  int progressCalls = 0;
  manager.OnProgress = [&](TCompressionManager*, int32_t, int32_t) { ++progressCalls; };
  for (int run = 0; run < runs; ++run) {
    for (int which = 0; which < 2; ++which) {
      const bool plainFirst = run % 2 == 0;
      const bool plain = (which == 0) == plainFirst;
      fs::remove(dest);
      const auto start = Clock::now();
      if (plain) {
        PlainInflate(package, entry, dest);
      } else {
        manager.ExtractToFile("data.bin", dest);
      }
      const double t = Seconds(Clock::now() - start);
      if (fs::file_size(dest) != entry.UnpackedSize) Die("wrong output size");
      (plain ? plainBest : extractBest) = std::min(plain ? plainBest : extractBest, t);
    }
  }
  fs::remove(dest);
  const double mib = entry.UnpackedSize / 1048576.0;
  std::printf(
      "%8.0f MiB  packed %7.1f MiB  plain %7.1f MiB/s  ExtractToFile %7.1f MiB/s  ratio %.3f  "
      "peak memory %.1f MiB\n",
      mib, entry.PackedSize / 1048576.0, mib / plainBest, mib / extractBest,
      plainBest / extractBest, PeakMemoryBytes() / 1048576.0);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint64_t> sizes;
  int runs = 3, level = 6;
  std::string dir, measure;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Die("missing value for " + a);
      return argv[++i];
    };
    if (a == "--size-mib")
      sizes.push_back(std::stoull(value()));
    else if (a == "--runs")
      runs = std::max(1, std::stoi(value()));
    else if (a == "--level")
      level = std::stoi(value());
    else if (a == "--dir")
      dir = value();
    else if (a == "--limit") {
      const std::string package = value();
      try {
        return Limit(package, value());
      } catch (const std::exception& e) {
        Die(e.what());
      }
    } else if (a == "--measure")
      measure = value();
    else
      Die("usage: bench_extract [--size-mib N]... [--runs R] [--level L] [--dir DIR]");
  }
  if (dir.empty()) dir = fs::temp_directory_path().string();
  try {
    if (!measure.empty()) return Measure(measure, dir, runs);
  } catch (const std::exception& e) {
    Die(e.what());
  }
  if (sizes.empty()) sizes = {1, 1024};
  for (uint64_t mib : sizes) {
    if (mib == 0 || mib >= 2048) Die("sizes must be 1 to 2047 MiB");
    const std::string package =
        (fs::path(dir) / ("bench-" + std::to_string(mib) + ".bwp")).string();
    const auto start = Clock::now();
    MakePackage(package, mib << 20, level);
    std::fprintf(stderr, "(made %llu MiB package at level %d in %.1f s)\n",
                 static_cast<unsigned long long>(mib), level, Seconds(Clock::now() - start));
    const std::string command = "\"\"" + std::string(argv[0]) + "\" --measure \"" + package +
                                "\" --dir \"" + dir + "\" --runs " + std::to_string(runs) + "\"";
#ifdef _WIN32
    const int rc = std::system(command.c_str());  // cmd strips the outer quotes
#else
    const int rc = std::system(command.substr(1, command.size() - 2).c_str());
#endif
    fs::remove(package);
    if (rc != 0) Die("measurement failed");
  }
  return 0;
}
