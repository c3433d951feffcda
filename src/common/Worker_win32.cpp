#include "common/Worker.h"
#include "platform/win32/WinHeader.h"

namespace {

// One auto-reset event for every worker: a spurious wake only costs a look.
// Made by the first StartWorker, before any worker can set it; should that
// fail, waits end at once and the caller polls.
HANDLE gWake = nullptr;

struct TStart {
  void (*Work)(void*);
  void* Arg;
};

class TWinWorker final : public TWorker {
 public:
  explicit TWinWorker(TStart start) : FStart(start) {
    FThread = CreateThread(nullptr, 0, &TWinWorker::Main, &FStart, 0, nullptr);
    // Without a thread the work runs here: slower, never lost.
    if (!FThread) Main(&FStart);
  }
  ~TWinWorker() override {
    if (!FThread) return;
    WaitForSingleObject(FThread, INFINITE);
    CloseHandle(FThread);
  }

 private:
  static DWORD WINAPI Main(void* start) {
    static_cast<TStart*>(start)->Work(static_cast<TStart*>(start)->Arg);
    return 0;
  }
  TStart FStart;
  HANDLE FThread = nullptr;
};

}  // namespace

std::unique_ptr<TWorker> StartWorker(void (*Work)(void*), void* Arg) {
  if (!gWake) gWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return std::make_unique<TWinWorker>(TStart{Work, Arg});
}

void WakeWaiter() { SetEvent(gWake); }

bool WaitForWorker(unsigned Ms) { return WaitForSingleObject(gWake, Ms) == WAIT_OBJECT_0; }
