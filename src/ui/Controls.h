#pragma once
// The wizard's controls as plain state. The engine and the forms' handlers set
// them; a Win32 view, when there is one, mirrors every change into a real
// window through the observer. Tests read the same state.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

class TControl;

class TControlObserver {
 public:
  virtual ~TControlObserver() = default;
  virtual void ControlChanged(TControl& control) = 0;
};

class TControl {
 public:
  explicit TControl(std::string name) : Name(std::move(name)) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string Name;
  TControlObserver* Observer = nullptr;

  // Caption of a form, button, label or check box; the text of an edit box.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s) { Set(caption_, s); }
  const std::string& Text() const { return caption_; }
  void SetText(const std::string& s) { Set(caption_, s); }

  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) { Set(enabled_, e); }

 protected:
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed() {
    if (Observer) Observer->ControlChanged(*this);
  }

 private:
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
};

using TLabel = TControl;
using TPanel = TControl;
using TEdit = TControl;

class TButton : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnClick;
  // A user's click: only a visible, enabled button reacts.
  void Click() {
    if (Visible() && Enabled() && OnClick) OnClick();
  }
};

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  bool Checked() const { return checked_; }
  void SetChecked(bool c) { Set(checked_, c); }

 private:
  bool checked_ = false;
};

// A progress bar holds its position inside its range, as the real bar does.
class TProgressBar : public TControl {
 public:
  using TControl::TControl;
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v) {
    Set(min_, v);
    Clamp();
  }
  void SetMax(int v) {
    Set(max_, v);
    Clamp();
  }
  void SetPosition(int v) { Set(position_, std::clamp(v, min_, std::max(min_, max_))); }

 private:
  void Clamp() { SetPosition(position_); }
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

// A picture; holds the bitmap file's bytes as loaded.
class TImage : public TControl {
 public:
  using TControl::TControl;
  const std::string& Bitmap() const { return bitmap_; }
  void SetBitmap(const std::string& bytes) { Set(bitmap_, bytes); }

 private:
  std::string bitmap_;
};

// The read-only licence viewer; holds the text as loaded (rich text or plain).
class TRichEdit : public TControl {
 public:
  using TControl::TControl;
  const std::string& Lines() const { return lines_; }
  void SetLines(const std::string& text) { Set(lines_, text); }

 private:
  std::string lines_;
};

// Pages switched by index only; their tabs are hidden.
class TPageControl : public TControl {
 public:
  TPageControl(std::string name, int pageCount) : TControl(std::move(name)), PageCount(pageCount) {}
  const int PageCount;
  int ActivePageIndex() const { return active_; }
  void SetActivePageIndex(int i) { Set(active_, i); }
  bool TabsVisible() const { return tabsVisible_; }
  void SetTabsVisible(bool v) { Set(tabsVisible_, v); }

 private:
  int active_ = 0;
  bool tabsVisible_ = true;
};

// A timer: Enabled() says whether it runs; the view fires OnTimer every Interval ms.
class TTimer : public TControl {
 public:
  TTimer(std::string name, int interval) : TControl(std::move(name)), Interval(interval) {
    SetEnabled(false);
  }
  const int Interval;
  std::function<void()> OnTimer;
};
