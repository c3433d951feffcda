#include <sys/resource.h>

#include "PeakMemory.h"

uint64_t PeakMemoryBytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // KiB on Linux
}
