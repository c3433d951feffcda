#include "common/Worker.h"
#include "platform/win32/WinHeader.h"

namespace {

class TWinWorker final : public TWorker {
 public:
  explicit TWinWorker(std::function<void()> work) : FWork(std::move(work)) {
    FThread = CreateThread(nullptr, 0, &TWinWorker::Main, this, 0, nullptr);
    // Without a thread the work runs here: slower, never lost.
    if (!FThread) FWork();
  }
  ~TWinWorker() override {
    if (!FThread) return;
    WaitForSingleObject(FThread, INFINITE);
    CloseHandle(FThread);
  }

 private:
  static DWORD WINAPI Main(void* self) {
    static_cast<TWinWorker*>(self)->FWork();
    return 0;
  }
  std::function<void()> FWork;
  HANDLE FThread = nullptr;
};

}  // namespace

std::unique_ptr<TWorker> StartWorker(std::function<void()> Work) {
  return std::make_unique<TWinWorker>(std::move(Work));
}

void PauseBriefly() { Sleep(1); }
