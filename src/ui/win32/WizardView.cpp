#include "ui/win32/WizardView.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Wide.h"
#include "ui/WizardFormUnit.h"
#include "ui/win32/BitmapBytes.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/RichTextLoad.h"
#include "ui/win32/ViewKit.h"

using namespace view;

namespace {
constexpr UINT_PTR kSpaceTimerId = 1;
constexpr UINT_PTR kFrameTimerId = 2;
// Bars and labels that change faster than this (a file loop) are redrawn
// at this pace: every change costs window-system round trips and paints.
constexpr DWORD kFrameMs = 40;

bool ChangesOften(TKind k) { return k == TKind::Progress || k == TKind::AutoLabel; }
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

const char* WindowClassFor(TKind k) {
  switch (k) {
    case TKind::Panel:
    case TKind::Page:
    case TKind::TextPanel:
    case TKind::ImagePanel:
      return PanelClass();
    case TKind::Button:
    case TKind::Check:
      return "Button";
    case TKind::Edit:
      return "Edit";
    case TKind::Rich:
      return RichEditClass();
    case TKind::Progress:
      return PROGRESS_CLASSA;
    default:
      return "Static";
  }
}

bool IsContainer(TKind k) {
  return k == TKind::Panel || k == TKind::Page || k == TKind::TextPanel || k == TKind::ImagePanel;
}

int TextWidth(HWND h, const std::string& text) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  SIZE s{};
  const TWide wide = Wide(text);
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &s);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return s.cx;
}

// The height text needs wrapped at width, in the dialog's font.
int TextHeight(HWND h, const std::string& text, int width) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  RECT r{0, 0, width, 0};
  const TWide wide = Wide(text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return r.bottom - r.top;
}

bool RightOnly(const TLayoutItem& l) { return (l.Anchors & (akLeft | akRight)) == akRight; }
}  // namespace

TWizardView::TWizardView(TWizardForm& form, HWND owner) : form_(form) {
  SIZE size = WindowSizeForClient(484, 371, kStyle, kExStyle);
  POINT at = CentreOver(owner, size);
  view::RegisterViewClass(kWizardFormClass, &view::ViewProc<TWizardView>);
  CreateWindowExW(kExStyle, Wide(kWizardFormClass).c_str(), Wide(form_.Form.Caption()).c_str(),
                  kStyle, at.x, at.y, size.cx, size.cy, owner, nullptr, GetModuleHandleW(nullptr),
                  this);
  view::KeepMoveAndCloseOnly(hwnd_);

  CreateControls();
  for (TControl* c : form_.Controls()) c->Observer = this;
  for (TControl* c : {&form_.Form, static_cast<TControl*>(&form_.WizardPages),
                      static_cast<TControl*>(&form_.SpaceTimer)})
    c->Observer = this;
  for (TItem& item : items_) Mirror(item);
  Layout();
  ShowActivePage();
  ControlChanged(form_.SpaceTimer);
  MirrorForm();
}

TWizardView::~TWizardView() {
  for (TControl* c : form_.Controls())
    if (c->Observer == this) c->Observer = nullptr;
  for (TControl* c : {&form_.Form, static_cast<TControl*>(&form_.WizardPages),
                      static_cast<TControl*>(&form_.SpaceTimer)})
    if (c->Observer == this) c->Observer = nullptr;
  if (hwnd_) {
    if (frameTimerOn_) KillTimer(hwnd_, kFrameTimerId);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (TItem& item : items_)
    if (item.Bitmap) DeleteObject(item.Bitmap);
}

void TWizardView::CreateControls() {
  std::vector<TControl*> models = form_.Controls();
  items_.reserve(std::size(kWizardLayout));
  for (const TLayoutItem& l : kWizardLayout) {
    TControl* model = nullptr;
    for (TControl* c : models)
      if (std::strcmp(c->Name, l.Name) == 0) model = c;
    TItem* parent = l.Parent ? Find(l.Parent) : nullptr;
    DWORD style = l.Style | WS_CLIPSIBLINGS | (l.Kind == TKind::Page ? 0 : WS_VISIBLE);
    DWORD ex = 0;
    if (IsContainer(l.Kind)) {
      style |= WS_CLIPCHILDREN;
      ex |= WS_EX_CONTROLPARENT;
    }
    if (l.Kind == TKind::Edit || l.Kind == TKind::Rich) ex |= WS_EX_CLIENTEDGE;
    HWND w = CreateChild(parent ? parent->Window : hwnd_, WindowClassFor(l.Kind), "", style, ex,
                         l.X, l.Y, l.W, l.H, ControlIdOf(l.Name));
    items_.push_back(TItem{&l, model, w, nullptr, {}});
  }
}

// Places every control; a text panel whose image panel is hidden takes the
// page's whole width, and its controls follow their anchors.
// Buttons grow to their captions (in another language, say): a right-anchored
// one to the left, pushing the right-anchored buttons left of it along, so
// that the button bar stays in order. A label held at the bottom grows
// upwards over the rich text above it.
void TWizardView::Layout() {
  std::vector<int> widened(items_.size());  // extra 96-dpi width per panel
  std::vector<int> extra(items_.size());    // pixels a button needs beyond its width
  int rise = 0;                             // pixels the bottom label needs beyond its height
  const char* riseParent = nullptr;
  for (size_t i = 0; i < items_.size(); ++i) {
    const TLayoutItem& l = *items_[i].Layout;
    if (l.Kind == TKind::Button) {
      std::string caption = WindowText(items_[i].Window);
      size_t amp = caption.find('&');
      if (amp != std::string::npos) caption.erase(amp, 1);  // the access key's mark takes no room
      int need = TextWidth(items_[i].Window, caption) + Scale(12);
      extra[i] = std::max(0, need - Scale(l.W));
    } else if (l.Kind == TKind::Label && (l.Anchors & (akTop | akBottom)) == akBottom) {
      int need = TextHeight(items_[i].Window, WindowText(items_[i].Window), Scale(l.W));
      rise = std::max(0, need - Scale(l.H));
      riseParent = l.Parent;
    }
  }
  for (TItem& item : items_) {
    const TLayoutItem& l = *item.Layout;
    int dw = 0;
    if (l.Parent)
      for (size_t p = 0; p < items_.size(); ++p)
        if (std::strcmp(items_[p].Layout->Name, l.Parent) == 0) dw = widened[p];
    int x = l.X, w = l.W, grow = 0;
    if (l.Kind == TKind::TextPanel) {
      for (TItem& other : items_)
        if (other.Layout->Kind == TKind::ImagePanel &&
            std::strcmp(other.Layout->Parent, l.Parent) == 0 && other.Model &&
            !other.Model->Visible())
          grow = kImagePanelWidth;
      x -= grow;
      w += grow;
    } else if (l.Anchors & akRight) {
      if (l.Anchors & akLeft) {
        w += dw;
        grow = dw;
      } else {
        x += dw;
      }
    }
    widened[&item - items_.data()] = grow;
    int xpx = Scale(x), wpx = Scale(w), ypx = Scale(l.Y), hpx = Scale(l.H);
    const size_t self = static_cast<size_t>(&item - items_.data());
    if (l.Kind == TKind::Button) {
      wpx += extra[self];
      if (RightOnly(l)) {
        xpx -= extra[self];
        for (size_t j = 0; j < items_.size(); ++j) {
          const TLayoutItem& o = *items_[j].Layout;
          if (o.Kind == TKind::Button && RightOnly(o) && o.X > l.X && l.Parent && o.Parent &&
              std::strcmp(o.Parent, l.Parent) == 0)
            xpx -= extra[j];
        }
      }
    }
    if (rise && l.Parent && riseParent && std::strcmp(l.Parent, riseParent) == 0) {
      if (l.Kind == TKind::Rich) hpx -= rise;
      if (l.Kind == TKind::Label) {
        ypx -= rise;
        hpx += rise;
      }
    }
    if (l.Kind == TKind::AutoLabel)
      wpx = std::max(wpx, TextWidth(item.Window, WindowText(item.Window)) + 1);
    if (l.Kind == TKind::RightLabel) {
      int text = TextWidth(item.Window, WindowText(item.Window)) + 1;
      if (text > wpx) {
        xpx -= text - wpx;
        wpx = text;
      }
    }
    const RECT r{xpx, ypx, xpx + wpx, ypx + hpx};
    if (EqualRect(&r, &item.Placed)) continue;
    item.Placed = r;
    SetWindowPos(item.Window, nullptr, xpx, ypx, wpx, hpx, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TWizardView::Mirror(TItem& item) {
  TControl* m = item.Model;
  if (!m) return;
  HWND w = item.Window;
  switch (item.Layout->Kind) {
    case TKind::Page:
      return;  // shown by the page index
    case TKind::ImagePanel: {
      bool was = (GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) != 0;
      ShowIfChanged(w, m->Visible());
      if (was != m->Visible()) Layout();
      return;
    }
    case TKind::Panel:
    case TKind::TextPanel:
    case TKind::Bevel:
      ShowIfChanged(w, m->Visible());
      return;
    case TKind::AutoLabel:
    case TKind::RightLabel:
      MirrorCommon(*m, w);
      Layout();
      return;
    case TKind::Check: {
      MirrorCommon(*m, w);
      auto* c = static_cast<TCheckBox*>(m);
      WPARAM want = c->Checked() ? BST_CHECKED : BST_UNCHECKED;
      if (static_cast<WPARAM>(SendMessageW(w, BM_GETCHECK, 0, 0)) != want)
        SendMessageW(w, BM_SETCHECK, want, 0);
      return;
    }
    case TKind::Progress: {
      auto* p = static_cast<TProgressBar*>(m);
      SendMessageW(w, PBM_SETRANGE32, static_cast<WPARAM>(p->Min()), p->Max());
      SendMessageW(w, PBM_SETPOS, static_cast<WPARAM>(p->Position()), 0);
      EnableIfChanged(w, m->Enabled());
      ShowIfChanged(w, m->Visible());
      return;
    }
    case TKind::Rich: {
      auto* r = static_cast<TRichEdit*>(m);
      if (r->Lines() != item.Loaded) {
        item.Loaded = r->Lines();
        LoadRichText(w, item.Loaded);
      }
      EnableIfChanged(w, m->Enabled());
      ShowIfChanged(w, m->Visible());
      return;
    }
    case TKind::Image: {
      auto* img = static_cast<TImage*>(m);
      if (img->Bitmap() != item.Loaded) {
        item.Loaded = img->Bitmap();
        HBITMAP old = item.Bitmap;
        item.Bitmap = BitmapFromBmpBytes(item.Loaded);
        SendMessageW(w, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(item.Bitmap));
        if (old) DeleteObject(old);
        // The static sizes itself to the bitmap; the picture keeps its frame.
        SetWindowPos(w, nullptr, 0, 0, Scale(item.Layout->W), Scale(item.Layout->H),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ShowIfChanged(w, m->Visible());
      return;
    }
    case TKind::Button:
    case TKind::Label: {
      // A new caption may need more room (Next becomes Yes on the licence page).
      std::string before = WindowText(w);
      MirrorCommon(*m, w);
      if (WindowText(w) != before) Layout();
      return;
    }
    default:
      MirrorCommon(*m, w);
      return;
  }
}

void TWizardView::MirrorForm() {
  SetWindowTextIfChanged(hwnd_, form_.Form.Caption());
  bool shown = IsWindowVisible(hwnd_) != FALSE;
  if (form_.Form.Visible() && !shown) {
    ShowWindow(hwnd_, SW_SHOW);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    FixFocus();
  } else if (!form_.Form.Visible() && shown) {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

void TWizardView::ShowActivePage() {
  int active = form_.WizardPages.ActivePageIndex();
  int i = 0;
  std::vector<HWND> hide;
  for (TItem& item : items_) {
    if (item.Layout->Kind != TKind::Page) continue;
    if (i++ == active)
      ShowIfChanged(item.Window, true);
    else
      hide.push_back(item.Window);
  }
  for (HWND h : hide) ShowIfChanged(h, false);
}

// Keeps the keyboard focus on a control that can take it, after the control
// that had it was hidden or disabled.
void TWizardView::FixFocus() {
  HWND f = GetFocus();
  if (!f || (f != hwnd_ && !IsChild(hwnd_, f))) return;
  if (f != hwnd_ && IsWindowVisible(f) && IsWindowEnabled(f)) return;
  HWND next = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (next && IsWindowVisible(next) && IsWindowEnabled(next)) SetFocus(next);
}

// Changes that come faster than the frame wait for the frame timer; any
// other change first brings them up to date, so the window never shows a
// mix of old and new state.
void TWizardView::ControlChanged(TControl& c) {
  TItem* mirrored = nullptr;
  for (TItem& item : items_)
    if (item.Model == &c) mirrored = &item;
  if (mirrored) {
    TItem& item = *mirrored;
    if (ChangesOften(item.Layout->Kind) && GetTickCount() - item.Mirrored < kFrameMs) {
      item.Pending = true;
      if (!frameTimerOn_) frameTimerOn_ = SetTimer(hwnd_, kFrameTimerId, kFrameMs, nullptr) != 0;
      if (frameTimerOn_) return;
    }
  }
  MirrorPending();
  if (&c == &form_.Form) {
    MirrorForm();
  } else if (&c == &form_.WizardPages) {
    ShowActivePage();
  } else if (&c == &form_.SpaceTimer) {
    bool on = form_.SpaceTimer.Enabled();
    if (on && !timerOn_)
      SetTimer(hwnd_, kSpaceTimerId, static_cast<UINT>(form_.SpaceTimer.Interval), nullptr);
    if (!on && timerOn_) KillTimer(hwnd_, kSpaceTimerId);
    timerOn_ = on;
    return;
  } else if (mirrored) {
    mirrored->Pending = true;
    MirrorPending();
  }
  FixFocus();
}

void TWizardView::MirrorPending() {
  for (TItem& item : items_) {
    if (!item.Pending) continue;
    item.Pending = false;
    Mirror(item);
    item.Mirrored = GetTickCount();
  }
}

TWizardView::TItem* TWizardView::Find(const char* name) {
  for (TItem& item : items_)
    if (std::strcmp(item.Layout->Name, name) == 0) return &item;
  return nullptr;
}

TWizardView::TItem* TWizardView::FindId(int id) {
  for (TItem& item : items_)
    if (GetDlgCtrlID(item.Window) == id) return &item;
  return nullptr;
}

void TWizardView::OnCommand(int id, int code, HWND control) {
  if (id == IDCANCEL) {  // the Cancel button, or Escape through the dialog manager
    if (code == BN_CLICKED) form_.btnCancel.Click();
    return;
  }
  TItem* item = FindId(id);
  if (!item || !item->Model || (control && control != item->Window)) return;
  switch (item->Layout->Kind) {
    case TKind::Button:
      if (code == BN_CLICKED) static_cast<TButton*>(item->Model)->Click();
      break;
    case TKind::Check:
      if (code != BN_CLICKED) break;
      if ((item->Layout->Style & BS_TYPEMASK) == BS_RADIOBUTTON)
        static_cast<TRadioButton*>(item->Model)->Click();
      else
        static_cast<TCheckBox*>(item->Model)
            ->SetChecked(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
      break;
    case TKind::Edit:
      if (code == EN_CHANGE) item->Model->SetText(WindowText(control));
      break;
    default:
      break;
  }
}

LRESULT TWizardView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_CTLCOLORSTATIC: {
      TItem* warn = Find("lblInsufficientDiskSpace");
      if (warn && reinterpret_cast<HWND>(lp) == warn->Window) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, RGB(128, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_TIMER:
      if (wp == kFrameTimerId) {
        KillTimer(hwnd_, kFrameTimerId);
        frameTimerOn_ = false;
        MirrorPending();
        FixFocus();
        return 0;
      }
      if (wp == kSpaceTimerId && form_.SpaceTimer.Enabled()) {
        if (form_.SpaceTimer.OnTimer)
          form_.SpaceTimer.OnTimer();
        else
          form_.SpaceTimerTimer();
      }
      return 0;
    case WM_CLOSE:
      form_.Close();
      return 0;
    case WM_QUERYENDSESSION: {
      bool canClose = true;
      form_.FormCloseQuery(canClose);
      return canClose;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd_, f)) lastFocus_ = f;
        return 0;
      }
      [[fallthrough]];
    case WM_SETFOCUS:
      if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
          IsWindowEnabled(lastFocus_))
        SetFocus(lastFocus_);
      else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE))
        SetFocus(first);
      return 0;
    case WM_NEXTDLGCTL:
      view::MoveDialogFocus(hwnd_, wp, lp);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}
