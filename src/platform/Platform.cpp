#include "platform/Platform.h"

#include "platform/HostPlatform.h"

namespace {
TPlatform* g_platform = nullptr;
}

TPlatform& Platform() { return g_platform ? *g_platform : DefaultPlatform(); }

void SetPlatform(TPlatform* p) { g_platform = p; }

int TPlatform::MessageBox(const std::string& text, const char* caption, unsigned flags) {
  return MessageBox(text, std::string(caption), flags);
}

int TPlatform::MessageBox(const char* text, const char* caption, unsigned flags) {
  return MessageBox(std::string(text), std::string(caption), flags);
}

#ifndef _WIN32
TPlatform& DefaultPlatform() {
  static THostPlatform host;
  return host;
}
#endif

// On Windows DefaultPlatform() is the Win32 platform, defined in
// win32/Win32Platform.cpp.
