#include "platform/Raise.h"
#include "platform/win32/Shortcut.h"
#include "platform/win32/WinHeader.h"
// After WinHeader.h, so that its macro clean-up applies first.
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

std::string SystemErrorText(HRESULT code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  std::string text = n && buf ? std::string(buf, n) : std::string();
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) {
    char hex[32];
    wsprintfA(hex, "OLE error %08X", static_cast<unsigned>(code));
    text = hex;
  }
  return text;
}

// The identifiers, spelled out here rather than taken from libuuid, which
// would pull every GUID it knows into the installer (about 40 KiB).

const CLSID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

template <class T>
void ReleaseRef(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

TShortcut::TShortcut() {
  HRESULT hr =
      CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                       kIidUnknown, reinterpret_cast<void**>(&ComObject));
  if (FAILED(hr)) {
    ComObject = nullptr;
    RaiseError(SystemErrorText(hr).c_str());
  }
  if (FAILED(ComObject->QueryInterface(kIidShellLinkA, reinterpret_cast<void**>(&ShellLink))) ||
      FAILED(ComObject->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&PersistFile)))) {
    ReleaseRef(PersistFile);
    ReleaseRef(ShellLink);
    ReleaseRef(ComObject);
    RaiseError("Interface not supported");
  }
}

TShortcut::~TShortcut() {
  ReleaseRef(PersistFile);
  ReleaseRef(ShellLink);
  ReleaseRef(ComObject);
}

void TShortcut::SetPath(const std::string& path) { ShellLink->SetPath(path.c_str()); }

void TShortcut::SetWorkingDirectory(const std::string& directory) {
  ShellLink->SetWorkingDirectory(directory.c_str());
}

void TShortcut::SetDescription(const std::string& description) {
  ShellLink->SetDescription(description.c_str());
}

void TShortcut::SetShowCmd(int showCmd) { ShellLink->SetShowCmd(showCmd); }

bool TShortcut::Save(const std::string& fileName) {
  int n = MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, wide.data(), n);
  return SUCCEEDED(PersistFile->Save(wide.c_str(), TRUE));
}
