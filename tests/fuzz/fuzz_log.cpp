// Reads arbitrary bytes as an uninstall log: every record comes back, newest
// first, trimmed, and an append to a reader is refused without changing it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Errors.h"
#include "uninstall_log/UninstallLog.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Trimmed(const std::string& s) {
  return s.empty() ||
         (static_cast<unsigned char>(s.front()) > 32 && static_cast<unsigned char>(s.back()) > 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/bw-fuzz-log-" + std::to_string(getpid()) + ".log";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  TLogFile log(path, false);
  const int lines = log.LineCount();
  Check(lines >= 0 && static_cast<size_t>(lines) <= size + 1);
  Check(Trimmed(log.Title()) && Trimmed(log.Source()));
  std::string key, value;
  int records = 0;
  while (log.ReadPrevious(key, value)) {
    Check(Trimmed(key) && Trimmed(value));
    Check(++records <= lines);
  }
  Check(key.empty() && value.empty());
  try {
    log.AddFile("x");
    Check(false);
  } catch (const Exception&) {
  }
  Check(log.LineCount() == lines);
  std::remove(path.c_str());
  return 0;
}
