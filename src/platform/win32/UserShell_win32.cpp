// Launching through the desktop shell: the program then starts as the
// signed-in user, unelevated, whoever entered the credentials for setup.
// The route is the shell's own automation object behind the desktop window.
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Platform.h"
// After WinHeader.h (through Win32Platform.h), so that its clean-up applies first.
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// The identifiers, spelled out rather than taken from libuuid, whose one
// object of every GUID it knows would add about 45 KiB to the installer.
const CLSID kClsidShellWindows = {
    0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
const IID kIidShellWindows = {
    0x85cb6900, 0x4d95, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
const IID kIidServiceProvider = {
    0x6d5140c1, 0x7436, 0x11ce, {0x80, 0x34, 0x00, 0xaa, 0x00, 0x60, 0x09, 0xfa}};
const GUID kSidTopLevelBrowser = {
    0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};
const IID kIidShellBrowser = {0x000214e2, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidDispatch = {0x00020400, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellFolderViewDual = {
    0xe7a1af80, 0x4d96, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
const IID kIidShellDispatch2 = {
    0xa4c6892c, 0x3ba9, 0x11d2, {0x9d, 0xea, 0x00, 0xc0, 0x4f, 0xb1, 0x61, 0x62}};

// The interfaces met on the way to the desktop's shell, each in a slot of its
// own, released together (the last first) when the walk is over.
class TComChain {
 public:
  TComChain() = default;
  ~TComChain() {
    for (int i = kSlots - 1; i >= 0; --i)
      if (P[i]) static_cast<IUnknown*>(P[i])->Release();
  }
  TComChain(const TComChain&) = delete;
  TComChain& operator=(const TComChain&) = delete;
  template <class T>
  T* At(int slot) const {
    return static_cast<T*>(P[slot]);
  }
  template <class T>
  T** Out(int slot) {
    return reinterpret_cast<T**>(&P[slot]);
  }
  void** OutVoid(int slot) { return &P[slot]; }

  static constexpr int kSlots = 9;

 private:
  void* P[kSlots] = {};
};

// The text as a BSTR (owned by the caller); nullptr for an empty text.
BSTR ToBstr(std::string_view s) {
  if (s.empty()) return nullptr;
  const TWide wide = Wide(s);
  return SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
}

class TVariant {
 public:
  TVariant() { VariantInit(&V); }
  // An empty text stays an empty variant: "not given".
  explicit TVariant(std::string_view s) : TVariant() {
    if (s.empty()) return;
    V.vt = VT_BSTR;
    V.bstrVal = ToBstr(s);
  }
  explicit TVariant(int i) : TVariant() {
    V.vt = VT_I4;
    V.lVal = i;
  }
  ~TVariant() { VariantClear(&V); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT V;
};

// The desktop's IShellDispatch2 (in the chain's last slot), through the shell
// windows, the desktop's browser, its view and the view's automation object;
// nullptr when the way is closed.
IShellDispatch2* DesktopShell(TComChain& c, HWND& desktop) noexcept {
  if (FAILED(CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_LOCAL_SERVER, kIidShellWindows,
                              c.OutVoid(0))))
    return nullptr;
  TVariant location(CSIDL_DESKTOP), empty;
  long window = 0;
  if (c.At<IShellWindows>(0)->FindWindowSW(&location.V, &empty.V, SWC_DESKTOP, &window,
                                           SWFO_NEEDDISPATCH, c.Out<IDispatch>(1)) != S_OK ||
      !c.At<IDispatch>(1))
    return nullptr;
  desktop = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
  if (FAILED(c.At<IDispatch>(1)->QueryInterface(kIidServiceProvider, c.OutVoid(2)))) return nullptr;
  if (FAILED(c.At<IServiceProvider>(2)->QueryService(kSidTopLevelBrowser, kIidShellBrowser,
                                                     c.OutVoid(3))))
    return nullptr;
  if (FAILED(c.At<IShellBrowser>(3)->QueryActiveShellView(c.Out<IShellView>(4))) ||
      !c.At<IShellView>(4))
    return nullptr;
  if (FAILED(c.At<IShellView>(4)->GetItemObject(SVGIO_BACKGROUND, kIidDispatch, c.OutVoid(5))))
    return nullptr;
  if (FAILED(c.At<IDispatch>(5)->QueryInterface(kIidShellFolderViewDual, c.OutVoid(6))))
    return nullptr;
  if (FAILED(c.At<IShellFolderViewDual>(6)->get_Application(c.Out<IDispatch>(7))) ||
      !c.At<IDispatch>(7))
    return nullptr;
  if (FAILED(c.At<IDispatch>(7)->QueryInterface(kIidShellDispatch2, c.OutVoid(8)))) return nullptr;
  return c.At<IShellDispatch2>(8);
}

// Nothing on the way raises: the COM calls report by their results.
bool OpenAsUser(const std::string& file, const std::string& parameters,
                const std::string& directory, int showCmd) noexcept {
  TComChain chain;
  HWND desktop = nullptr;
  IShellDispatch2* shell = DesktopShell(chain, desktop);
  if (!shell) return false;
  // The shell starts the program; let it bring the program's window forward.
  DWORD shellProcess = 0;
  if (desktop && GetWindowThreadProcessId(desktop, &shellProcess))
    AllowSetForegroundWindow(shellProcess);
  BSTR name = ToBstr(file);
  if (!name) return false;
  TVariant args(parameters), dir(directory), verb("open"), show(showCmd);
  HRESULT hr = shell->ShellExecute(name, args.V, dir.V, verb.V, show.V);
  SysFreeString(name);
  return SUCCEEDED(hr);
}

}  // namespace

bool TWin32Platform::ShellOpenAsUser(const std::string& file, const std::string& parameters,
                                     const std::string& directory, int showCmd) {
  return OpenAsUser(file, parameters, directory, showCmd);
}
