#include "PeakMemory.h"
#include "platform/win32/WinHeader.h"
// psapi after windows.h
#include <psapi.h>

uint64_t PeakMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}
