#pragma once
// The boundary between the programs' UTF-8 text and the system's UTF-16.
// Invalid UTF-8 and unpaired surrogates become U+FFFD (the system's own
// conversion does that), so that odd text never stops a run.
#include <cstddef>
#include <string>
#include <string_view>

// UTF-16 text for one call, or a buffer the system fills. Deliberately not
// std::wstring, whose second string implementation would cost the installer
// stub more than all of its conversions.
class TWide {
 public:
  TWide() = default;
  // n characters (zeros) and the terminating NUL.
  explicit TWide(size_t n);
  ~TWide();
  TWide(TWide&& other) noexcept : p_(other.p_), n_(other.n_) {
    other.p_ = nullptr;
    other.n_ = 0;
  }
  TWide& operator=(TWide&& other) noexcept;
  TWide(const TWide&) = delete;
  TWide& operator=(const TWide&) = delete;

  const wchar_t* c_str() const { return p_ ? p_ : L""; }
  wchar_t* data() { return p_; }
  size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  // Cuts the text to its first n characters (n <= size()).
  void Truncate(size_t n);

 private:
  wchar_t* p_ = nullptr;
  size_t n_ = 0;
};

TWide Wide(std::string_view utf8);
std::string Narrow(const wchar_t* utf16, size_t n);
// NUL-terminated, as the system hands it out; nullptr gives empty text.
std::string Narrow(const wchar_t* utf16);
inline std::string Narrow(const TWide& utf16) { return Narrow(utf16.c_str(), utf16.size()); }

// A path for the file calls: long ones (near MAX_PATH or over it) in their
// full "\\?\" form, which Windows takes up to 32,767 characters long without
// any system setting; short ones as they are, read exactly as before.
TWide WidePath(std::string_view path);
