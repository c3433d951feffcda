#pragma once
// The uninstaller's small progress window: one label naming what is being
// removed and one progress bar. No close box: the removal runs to its end.
#include <string>

class TProgressWindow {
 public:
  TProgressWindow() = default;
  ~TProgressWindow();
  TProgressWindow(const TProgressWindow&) = delete;
  TProgressWindow& operator=(const TProgressWindow&) = delete;

  void Show(const std::string& caption);
  // Shows "Removing <what>..." (nothing for an empty what) and the bar at
  // done of total, then lets the window repaint.
  void Update(int done, int total, const std::string& what);
  void Hide();

 private:
  void* FWindow = nullptr;  // HWND, kept out of the header
  void* FLabel = nullptr;
  void* FBar = nullptr;
};
