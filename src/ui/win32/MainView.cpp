#include "ui/win32/MainView.h"

#include "engine/MainFormUnit.h"
#include "platform/win32/Wide.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/ViewKit.h"

namespace {
// Draws on a window's device context during WM_PAINT.
class TGdiCanvas : public TCanvas {
 public:
  explicit TGdiCanvas(HDC dc) : dc_(dc) {}
  ~TGdiCanvas() override {
    if (font_) {
      SelectObject(dc_, oldFont_);
      DeleteObject(font_);
    }
  }
  TGdiCanvas(const TGdiCanvas&) = delete;
  TGdiCanvas& operator=(const TGdiCanvas&) = delete;

  void FillRect(int left, int top, int right, int bottom, uint32_t color) override {
    if (right <= left || bottom <= top) return;
    RECT r{left, top, right, bottom};
    SetDCBrushColor(dc_, color & 0xFFFFFF);
    ::FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }

  void TextOut(int x, int y, const std::string& text, uint32_t color) override {
    if (!font_) {
      font_ = CreateFontW(-MulDiv(32, view::ScreenDpi(), 72), 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, L"Arial");
      oldFont_ = SelectObject(dc_, font_);
      SetBkMode(dc_, TRANSPARENT);
    }
    SetTextColor(dc_, color & 0xFFFFFF);
    // Through the font linking of the system, so that any script's title shows.
    const TWide wide = Wide(text);
    ::TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
  }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
};

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}  // namespace

TMainView::TMainView(TMainForm& form) : form_(form) {
  view::RegisterViewClass(kMainFormClass, &view::ViewProc<TMainView>, CS_HREDRAW | CS_VREDRAW,
                          true);
  // The layout's restored size and place, behind the maximised state.
  CreateWindowExW(0, Wide(kMainFormClass).c_str(), Wide(form_.Form.Caption()).c_str(), kStyle,
                  view::Scale(192), view::Scale(107), view::Scale(870), view::Scale(640), nullptr,
                  nullptr, GetModuleHandleW(nullptr), this);
  form_.Form.Observer = this;
  ControlChanged(form_.Form);
}

TMainView::~TMainView() {
  if (form_.Form.Observer == this) form_.Form.Observer = nullptr;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

void TMainView::Show() {
  ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
  UpdateWindow(hwnd_);
}

void TMainView::ControlChanged(TControl& c) {
  view::SetWindowTextIfChanged(hwnd_, c.Caption());
  bool shown = IsWindowVisible(hwnd_) != FALSE;
  if (c.Visible() && !shown) Show();
  if (!c.Visible() && shown) ShowWindow(hwnd_, SW_HIDE);
}

void TMainView::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT r;
  GetClientRect(hwnd_, &r);
  {
    TGdiCanvas canvas(dc);
    form_.FormPaint(canvas, r.right - r.left, r.bottom - r.top);
  }
  EndPaint(hwnd_, &ps);
}

LRESULT TMainView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_CLOSE:
      form_.Close();
      return 0;
    case WM_QUERYENDSESSION: {
      bool canClose = true;
      form_.FormCloseQuery(canClose);
      return canClose;
    }
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}
