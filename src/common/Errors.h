#pragma once
// The exceptions that carry the system's messages.
#include <exception>
#include <string>

// Base of every error the system raises on purpose. It keeps its own text
// rather than deriving from std::runtime_error, whose copy-on-write string
// pulls a second string library into the installer (a size budget).
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failure of the file system, carrying the operating system's error code.
class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, int code) : Exception(message), ErrorCode(code) {}
  int ErrorCode;
};

// An internal consistency check that failed; the message names module and line.
class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(const std::string& message, const std::string& module, int line)
      : Exception(message + " (" + module + ", line " + std::to_string(line) + ")"),
        Module(module),
        Line(line) {}
  std::string Module;
  int Line;
};

// A registry value that exists but cannot be read as asked.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};
