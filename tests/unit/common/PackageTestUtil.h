#pragma once
// Helpers for package tests: temporary folders, hand-made packages (so that
// damaged ones can be built byte by byte) and content that compresses.
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/PackageFormat.h"

namespace testutil {

class TTempDir {
 public:
  TTempDir() {
    static std::atomic<int> counter{0};
    path_ =
        std::filesystem::temp_directory_path() /
        ("bw-pkg-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A zlib stream of content (level 9, 32 KiB window), optionally with a
// preset dictionary.
inline std::string Zlib(const std::string& content, const std::string& dictionary = {}) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  if (!dictionary.empty())
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  std::string out(deflateBound(&zs, static_cast<uLong>(content.size())) + 64, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  zs.avail_in = static_cast<uInt>(content.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(out.size() - zs.avail_out);
  deflateEnd(&zs);
  return out;
}

struct TRawEntry {
  std::string name;
  std::string stream;
  uint32_t unpacked;
};

inline TRawEntry Entry(const std::string& name, const std::string& content) {
  return {name, Zlib(content), static_cast<uint32_t>(content.size())};
}

// Host bytes, then the entries with consistent headers, then with a host a
// trailer holding the host's size.
inline std::string MakePackage(const std::vector<TRawEntry>& entries, const std::string& host = {},
                               bool trailer = false) {
  std::string out = host;
  for (const TRawEntry& e : entries) {
    const uint32_t offset = static_cast<uint32_t>(out.size() - host.size() + kEntryHeaderSize);
    uint8_t header[kEntryHeaderSize];
    EncodeEntryHeader(
        MakeEntryHeader(e.name, offset, e.unpacked, static_cast<uint32_t>(e.stream.size())),
        header);
    out.append(reinterpret_cast<char*>(header), sizeof header);
    out += e.stream;
  }
  if (trailer) {
    uint8_t t[4];
    PutU32(t, static_cast<uint32_t>(host.size()));
    out.append(reinterpret_cast<char*>(t), 4);
  }
  return out;
}

// Text-like content that compresses about 3:1, deterministic.
inline std::string TextContent(size_t size, uint32_t seed = 1) {
  static const char* words[] = {"alpha ", "bravo ", "charlie ", "delta ", "echo\r\n",
                                "fox ",   "golf, ", "hotel ",   "india ", "juliet. "};
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(size + 16);
  while (s.size() < size) {
    s += words[rng() % 10];
    if (rng() % 7 == 0) s += std::to_string(rng() % 100000);
  }
  s.resize(size);
  return s;
}

// Content that does not compress, so its stream is as long as it is.
inline std::string RandomContent(size_t size, uint32_t seed = 2) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

}  // namespace testutil
