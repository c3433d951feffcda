#include "platform/Raise.h"
#include "platform/win32/Shortcut.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
// After WinHeader.h, so that its macro clean-up applies first.
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

std::string SystemErrorText(HRESULT code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = n && buf ? Narrow(buf, n) : std::string();
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) {
    static const char kDigits[] = "0123456789ABCDEF";
    text = "OLE error ";
    for (int shift = 28; shift >= 0; shift -= 4)
      text += kDigits[(static_cast<unsigned>(code) >> shift) & 0xF];
  }
  return text;
}

// The identifiers, spelled out here rather than taken from libuuid, which
// would pull every GUID it knows into the installer (about 40 KiB).

const CLSID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
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
  if (FAILED(ComObject->QueryInterface(kIidShellLinkW, reinterpret_cast<void**>(&ShellLink))) ||
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

void TShortcut::SetPath(const std::string& path) { ShellLink->SetPath(Wide(path).c_str()); }

void TShortcut::SetWorkingDirectory(const std::string& directory) {
  ShellLink->SetWorkingDirectory(Wide(directory).c_str());
}

void TShortcut::SetDescription(const std::string& description) {
  ShellLink->SetDescription(Wide(description).c_str());
}

void TShortcut::SetShowCmd(int showCmd) { ShellLink->SetShowCmd(showCmd); }

bool TShortcut::Save(const std::string& fileName) {
  const TWide wide = Wide(fileName);
  if (wide.empty()) return false;
  return SUCCEEDED(PersistFile->Save(wide.c_str(), TRUE));
}
