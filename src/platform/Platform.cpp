#include "platform/Platform.h"

#include "common/Errors.h"
#include "platform/Concat.h"
#include "platform/HostPlatform.h"
#include "platform/Raise.h"

namespace {
TPlatform* g_platform = nullptr;
}

TPlatform& Platform() { return g_platform ? *g_platform : DefaultPlatform(); }

void SetPlatform(TPlatform* p) { g_platform = p; }

void RaiseError(const char* message) { throw Exception(message); }

int TPlatform::MessageBox(const std::string& text, const char* caption, unsigned flags) {
  return MessageBox(text, std::string(caption), flags);
}

int TPlatform::MessageBox(const char* text, const char* caption, unsigned flags) {
  return MessageBox(std::string(text), std::string(caption), flags);
}

std::string TPlatform::FormatNumber(int64_t value, const std::string&) {
  return DecimalText(value);
}

#ifndef _WIN32
TPlatform& DefaultPlatform() {
  static THostPlatform host;
  return host;
}
#endif

// On Windows DefaultPlatform() is the Win32 platform, defined in
// win32/Win32Platform.cpp.
