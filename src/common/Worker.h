#pragma once
// A second thread, for decoding the next block of a package while the
// current one is written. The installer starts it through the Win32 API
// (no threads library in the stub); elsewhere it is a std::thread.
#include <memory>

class TWorker {
 public:
  virtual ~TWorker() = default;  // waits for the thread to end
};

// Runs Work(Arg) on a new thread. Work must not throw. A plain function and
// its argument, not a std::function: the installer carries every byte.
std::unique_ptr<TWorker> StartWorker(void (*Work)(void*), void* Arg);
// Wakes the thread waiting in WaitForWorker (a worker calls it on progress).
// A wake given while nobody waits is kept for the next wait.
void WakeWaiter();
// Waits for a worker's wake, at most about Ms milliseconds; false when the
// time ran out.
bool WaitForWorker(unsigned Ms);
