#pragma once
// The background window: a maximised, sizeable window painted by the
// model's FormPaint through a GDI canvas.
#include "platform/win32/WinHeader.h"
#include "ui/Controls.h"
#include "ui/win32/ViewKit.h"

class TMainForm;

class TMainView : public TControlObserver {
 public:
  // Creates the window; it shows itself maximised while the model's form is
  // visible.
  explicit TMainView(TMainForm& form);
  ~TMainView() override;
  TMainView(const TMainView&) = delete;
  TMainView& operator=(const TMainView&) = delete;

  HWND Handle() const { return hwnd_; }
  void Show();
  void ControlChanged(TControl& control) override;

 private:
  friend LRESULT CALLBACK view::ViewProc<TMainView>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Paint();

  TMainForm& form_;
  HWND hwnd_ = nullptr;
};
