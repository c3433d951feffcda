#pragma once
// The wizard's controls as plain state. The engine and the forms' handlers set
// them; a Win32 view, when there is one, mirrors every change into a real
// window through the observer. Tests read the same state.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TControl;

class TControlObserver {
 public:
  virtual ~TControlObserver() = default;
  virtual void ControlChanged(TControl& control) = 0;
};

class TControl {
 public:
  // Out of line and without exceptions: a form constructs dozens of controls.
  explicit TControl(const char* name) noexcept;
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const char* const Name;  // a literal
  TControlObserver* Observer = nullptr;

  // Caption of a form, button, label or check box; the text of an edit box.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view s) { SetString(caption_, s); }
  const std::string& Text() const { return caption_; }
  void SetText(std::string_view s) { SetString(caption_, s); }

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
  // Text changes are out of line: they are set from many places.
  void SetString(std::string& field, std::string_view value);
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
  explicit TButton(const char* name) noexcept;
  ~TButton() override;
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

// A radio button: a click checks it and tells the form, which unchecks the
// others of its group.
class TRadioButton : public TCheckBox {
 public:
  using TCheckBox::TCheckBox;
  std::function<void()> OnClick;
  void Click() {
    if (!Visible() || !Enabled()) return;
    SetChecked(true);
    if (OnClick) OnClick();
  }
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
  explicit TImage(const char* name) noexcept;
  ~TImage() override;
  const std::string& Bitmap() const { return bitmap_; }
  void SetBitmap(std::string_view bytes) { SetString(bitmap_, bytes); }

 private:
  std::string bitmap_;
};

// The read-only licence viewer; holds the text as loaded (rich text or plain).
class TRichEdit : public TControl {
 public:
  explicit TRichEdit(const char* name) noexcept;
  ~TRichEdit() override;
  const std::string& Lines() const { return lines_; }
  void SetLines(std::string_view text) { SetString(lines_, text); }

 private:
  std::string lines_;
};

// Pages switched by index only; their tabs are hidden.
class TPageControl : public TControl {
 public:
  TPageControl(const char* name, int pageCount) : TControl(name), PageCount(pageCount) {}
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
  TTimer(const char* name, int interval) noexcept;
  ~TTimer() override;
  const int Interval;
  std::function<void()> OnTimer;
};
