#include "platform/Platform.h"

#include "platform/HostPlatform.h"

namespace {
TPlatform* g_platform = nullptr;
}

TPlatform& Platform() { return g_platform ? *g_platform : DefaultPlatform(); }

void SetPlatform(TPlatform* p) { g_platform = p; }

#ifndef _WIN32
TPlatform& DefaultPlatform() {
  static THostPlatform host;
  return host;
}
#endif

#ifdef _WIN32
// Windows default, for now the host platform. MOVE to the Win32 platform
// (src/platform/win32) once it exists, and delete this definition.
TPlatform& DefaultPlatform() {
  static THostPlatform host;
  return host;
}
#endif
