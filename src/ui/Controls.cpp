#include "ui/Controls.h"

void TControl::SetString(std::string& field, std::string_view value) {
  if (field == value) return;
  field.assign(value);
  Changed();
}

TControl::TControl(const char* name) noexcept : Name(name) {}
TControl::~TControl() = default;
TButton::TButton(const char* name) noexcept : TControl(name) {}
TButton::~TButton() = default;
TImage::TImage(const char* name) noexcept : TControl(name) {}
TImage::~TImage() = default;
TRichEdit::TRichEdit(const char* name) noexcept : TControl(name) {}
TRichEdit::~TRichEdit() = default;
TTimer::TTimer(const char* name, int interval) noexcept : TControl(name), Interval(interval) {
  SetEnabled(false);  // no observer yet: nothing can throw
}
TTimer::~TTimer() = default;
