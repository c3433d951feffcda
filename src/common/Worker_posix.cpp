#include <chrono>
#include <thread>

#include "common/Worker.h"

namespace {

class TStdWorker final : public TWorker {
 public:
  explicit TStdWorker(std::function<void()> work) : FThread(std::move(work)) {}
  ~TStdWorker() override { FThread.join(); }

 private:
  std::thread FThread;
};

}  // namespace

std::unique_ptr<TWorker> StartWorker(std::function<void()> Work) {
  return std::make_unique<TStdWorker>(std::move(Work));
}

void PauseBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
