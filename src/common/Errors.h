#pragma once
// The exceptions that carry the system's messages.
#include <stdexcept>
#include <string>

// Base of every error the system raises on purpose.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
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
