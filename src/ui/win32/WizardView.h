#pragma once
// The wizard dialog's window: builds every control of the layout, mirrors
// each change of the TWizardForm model into it, and turns clicks, keys, the
// timer and the close box into calls of the model's handlers.
#include <string>
#include <vector>

#include "platform/win32/WinHeader.h"
#include "ui/Controls.h"
#include "ui/win32/ViewKit.h"
#include "ui/win32/WizardLayout.h"

class TWizardForm;

class TWizardView : public TControlObserver {
 public:
  // Creates the window hidden, centred over owner, and mirrors the model;
  // it shows itself when the model's form is visible.
  TWizardView(TWizardForm& form, HWND owner);
  ~TWizardView() override;
  TWizardView(const TWizardView&) = delete;
  TWizardView& operator=(const TWizardView&) = delete;

  HWND Handle() const { return hwnd_; }
  void ControlChanged(TControl& control) override;

 private:
  struct TItem {
    const view::TLayoutItem* Layout;
    TControl* Model;
    HWND Window;
    HBITMAP Bitmap = nullptr;
    std::string Loaded;  // rich text as last streamed in
    RECT Placed{};       // where Layout last put the window
    DWORD Mirrored = 0;  // tick of the last mirror
    bool Pending = false;
  };

  friend LRESULT CALLBACK view::ViewProc<TWizardView>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void CreateControls();
  void Layout();
  void Mirror(TItem& item);
  void MirrorPending();
  void MirrorForm();
  void ShowActivePage();
  void FixFocus();
  void OnCommand(int id, int code, HWND control);
  TItem* Find(const char* name);
  TItem* FindId(int id);

  TWizardForm& form_;
  HWND hwnd_ = nullptr;
  HWND lastFocus_ = nullptr;
  bool timerOn_ = false;
  bool frameTimerOn_ = false;
  std::vector<TItem> items_;
};
