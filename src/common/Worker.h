#pragma once
// A second thread, for decoding the next block of a package while the
// current one is written. The installer starts it through the Win32 API
// (no threads library in the stub); elsewhere it is a std::thread.
#include <functional>
#include <memory>

class TWorker {
 public:
  virtual ~TWorker() = default;  // waits for the thread to end
};

// Runs Work on a new thread. Work must not throw.
std::unique_ptr<TWorker> StartWorker(std::function<void()> Work);
// Gives up the processor for about a millisecond, while waiting for a worker.
void PauseBriefly();
