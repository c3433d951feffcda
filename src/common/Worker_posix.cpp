#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/Worker.h"

namespace {

class TStdWorker final : public TWorker {
 public:
  TStdWorker(void (*work)(void*), void* arg) : FThread(work, arg) {}
  ~TStdWorker() override { FThread.join(); }

 private:
  std::thread FThread;
};

// One wake flag for every worker: a spurious wake only costs a look.
std::mutex gWakeLock;
std::condition_variable gWake;
bool gWoken = false;

}  // namespace

std::unique_ptr<TWorker> StartWorker(void (*Work)(void*), void* Arg) {
  return std::make_unique<TStdWorker>(Work, Arg);
}

void WakeWaiter() {
  {
    std::lock_guard<std::mutex> lock(gWakeLock);
    gWoken = true;
  }
  gWake.notify_one();
}

bool WaitForWorker(unsigned Ms) {
  std::unique_lock<std::mutex> lock(gWakeLock);
  const bool woken = gWake.wait_for(lock, std::chrono::milliseconds(Ms), [] { return gWoken; });
  gWoken = false;
  return woken;
}
