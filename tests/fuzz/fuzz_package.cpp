// Reads arbitrary bytes as a package file, both stand-alone and behind a
// host, and unpacks every entry by every path. Whatever the bytes, nothing
// may crash, hang or allocate beyond what the input can yield, and a
// successful extraction must give exactly the header's size.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/SolidIndex.h"

namespace {

class TCountingStream final : public TFileStream {
 public:
  int64_t Size() override { return size; }
  int64_t Position() override { return size; }
  void Seek(int64_t) override {}
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void*, size_t count) override { size += static_cast<int64_t>(count); }
  void Close() override {}
  int64_t size = 0;
};

std::string TempPath(const char* suffix) {
  return (std::filesystem::temp_directory_path() /
          ("fuzz_package_" + std::to_string(getpid()) + suffix))
      .string();
}

const std::string& InputPath() {
  static const std::string path = TempPath(".bin");
  return path;
}

const std::string& OutputPath() {
  static const std::string path = TempPath(".out");
  return path;
}

void RemoveTempFiles() {
  std::error_code ec;
  std::filesystem::remove(InputPath(), ec);
  std::filesystem::remove(OutputPath(), ec);
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& input = InputPath();
  const std::string& output = OutputPath();
  // Registered after the paths exist, so it runs before they are destroyed.
  static const bool cleanup = std::atexit(RemoveTempFiles) == 0;
  (void)cleanup;
  std::ofstream(input, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  for (bool appended : {false, true}) {
    std::unique_ptr<TCompressionManager> opened;
    try {
      opened = std::make_unique<TCompressionManager>(input, false, true, appended);
    } catch (const Exception& e) {
      // Only a signed file that cannot be read raises, or a damaged index
      // of solid blocks.
      Check(appended || std::string(e.what()) == kSolidIndexDamaged);
      continue;
    }
    TCompressionManager& m = *opened;
    const auto& entries = m.Entries();
    // The entries, then the files of solid blocks.
    std::vector<std::string> names;
    for (const TPackageEntry& e : entries) names.push_back(e.GetName());
    if (const TSolidIndex* index = m.SolidIndex())
      for (const TSolidFile& f : index->Files) names.push_back(f.Name);
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string& name = names[i];
      TCountingStream sink;
      try {
        m.ExtractEntry(static_cast<int32_t>(i), sink);
        Check(m.Cancelled() ||
              (i < entries.size() ? sink.size == entries[i].UnpackedSize
                                  : sink.size == m.SolidIndex()->Files[i - entries.size()].Size));
      } catch (const Exception&) {
      }
      std::string content;
      try {
        m.ExtractToString(name, content);
        Check(static_cast<int64_t>(content.size()) == m.GetEntrySize(name));
      } catch (const Exception&) {
      }
      int32_t last = 0;
      m.OnProgress = [&](TCompressionManager*, int32_t position, int32_t total) {
        Check(position >= last && position <= total);
        last = position;
      };
      try {
        m.ExtractToFile(name, output);
        Check(last == m.GetEntrySize(name));
      } catch (const Exception&) {
      }
      m.OnProgress = nullptr;
    }
  }
  return 0;
}
