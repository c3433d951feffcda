#pragma once
// A text argument taken by pointer: a literal or a std::string passes as the
// address of its NUL-terminated characters. Functions that are mostly called
// with literals take it instead of const std::string&, so that no caller has
// to build (and clean up) a std::string for the call. It must not outlive the
// call: a temporary std::string it was made from ends with the statement.
#include <string>
#include <string_view>

class TTextArg {
 public:
  TTextArg(const char* text) : text_(text) {}
  TTextArg(const std::string& text) : text_(text.c_str()) {}

  const char* c_str() const { return text_; }
  operator std::string_view() const { return text_; }
  std::string str() const { return text_; }

 private:
  const char* text_;
};
