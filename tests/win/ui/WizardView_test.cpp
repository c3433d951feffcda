// The wizard's window against its model: every change shows in the real
// controls, the text panels widen without the side image, and clicks, keys,
// the timer and the close box reach the model's handlers.
#include "ui/win32/WizardView.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/HostPlatform.h"
#include "ui/WizardFormUnit.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/ViewKit.h"

namespace {

class WizardViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&host_);  // answers No to every question
    view_ = std::make_unique<TWizardView>(form_, nullptr);
    if (!view_->Handle()) GTEST_SKIP() << "no display";
    form_.Form.Show();
  }
  void TearDown() override { SetPlatform(nullptr); }

  HWND Item(const char* name) {
    struct TFind {
      int id;
      HWND found;
    } f{ControlIdOf(name), nullptr};
    EnumChildWindows(
        view_->Handle(),
        [](HWND h, LPARAM lp) -> BOOL {
          auto* f = reinterpret_cast<TFind*>(lp);
          if (GetDlgCtrlID(h) == f->id) f->found = h;
          return f->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
  }
  static bool Shown(HWND h) { return (GetWindowLongPtrA(h, GWL_STYLE) & WS_VISIBLE) != 0; }
  RECT InParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  void Key(HWND focus, WPARAM vk) {
    MSG msg{focus, WM_KEYDOWN, vk, 1, 0, {}};
    if (!IsDialogMessageA(view_->Handle(), &msg)) DispatchMessageA(&msg);
  }

  THostPlatform host_;
  TWizardForm form_;
  std::unique_ptr<TWizardView> view_;
};

// A file loop changes the bars and the label far faster than a frame; the
// window follows at the frame rate and ends in the last state.
TEST_F(WizardViewTest, FastChangesEndInTheLastState) {
  form_.prgFile.SetMax(1000);
  for (int i = 0; i <= 1000; ++i) {
    form_.prgFile.SetPosition(i);
    form_.lblInstallingFile.SetCaption("Extracting file" + std::to_string(i) + "...");
  }
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 300) {
    Pump();
    Sleep(5);
  }
  EXPECT_EQ(SendMessageA(Item("prgFile"), PBM_GETRANGE, FALSE, 0), 1000);
  EXPECT_EQ(SendMessageA(Item("prgFile"), PBM_GETPOS, 0, 0), 1000);
  EXPECT_EQ(view::WindowText(Item("lblInstallingFile")), "Extracting file1000...");
}

TEST_F(WizardViewTest, MirrorsEveryKindOfChange) {
  form_.Form.SetCaption("Title");
  form_.lblInfo.SetCaption("Welcome\r\rText");
  form_.btnNext.SetCaption("&Yes");
  form_.btnPrevious.Hide();
  form_.btnPrint.SetEnabled(false);
  form_.chkLaunchNow.SetChecked(true);
  form_.prgTotal.SetMax(3);
  form_.prgTotal.SetPosition(2);
  form_.WizardPages.SetActivePageIndex(2);

  EXPECT_EQ(view::WindowText(view_->Handle()), "Title");
  EXPECT_EQ(view::WindowText(Item("lblInfo")), "Welcome\r\rText");
  EXPECT_EQ(view::WindowText(Item("btnNext")), "&Yes");
  EXPECT_FALSE(Shown(Item("btnPrevious")));
  EXPECT_FALSE(IsWindowEnabled(Item("btnPrint")));
  EXPECT_EQ(SendMessageA(Item("chkLaunchNow"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(Item("prgTotal"), PBM_GETRANGE, FALSE, 0), 3);
  EXPECT_EQ(SendMessageA(Item("prgTotal"), PBM_GETPOS, 0, 0), 2);
  EXPECT_TRUE(Shown(Item("tabLocation")));
  EXPECT_FALSE(Shown(Item("tabInfo")));
  EXPECT_EQ(GetDlgCtrlID(Item("btnCancel")), IDCANCEL);
}

TEST_F(WizardViewTest, TextPanelTakesTheWholeWidthWithoutTheImage) {
  RECT browse = InParent(Item("btnBrowse"));
  RECT edit = InParent(Item("edtLocation"));
  form_.pnlImgLocation.Hide();
  RECT panel = InParent(Item("Panel4"));
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.right - panel.left, view::Scale(476));
  // Anchored right: moved; anchored left and right: widened.
  EXPECT_EQ(InParent(Item("btnBrowse")).left, browse.left + view::Scale(161));
  EXPECT_EQ(InParent(Item("edtLocation")).right, edit.right + view::Scale(161));
  EXPECT_EQ(InParent(Item("edtLocation")).left, edit.left);
  form_.pnlImgLocation.Show();
  EXPECT_EQ(InParent(Item("Panel4")).left, view::Scale(161));
  EXPECT_EQ(InParent(Item("btnBrowse")).left, browse.left);
}

TEST_F(WizardViewTest, EscapeIsCancelOnlyWhileCancelCanBePressed) {
  int cancels = 0, nexts = 0;
  form_.btnCancel.OnClick = [&] { ++cancels; };
  form_.btnNext.OnClick = [&] { ++nexts; };
  Key(Item("btnNext"), VK_ESCAPE);
  EXPECT_EQ(cancels, 1);
  form_.btnCancel.SetEnabled(false);
  Key(Item("btnNext"), VK_ESCAPE);
  form_.btnCancel.SetEnabled(true);
  form_.btnCancel.Hide();
  Key(Item("btnNext"), VK_ESCAPE);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(nexts, 0);
}

TEST_F(WizardViewTest, EnterPressesNoButton) {
  int clicks = 0;
  form_.btnNext.OnClick = form_.btnCancel.OnClick = [&] { ++clicks; };
  form_.WizardPages.SetActivePageIndex(5);
  form_.chkDesktopIcon.Show();
  SetFocus(Item("chkDesktopIcon"));
  Key(Item("chkDesktopIcon"), VK_RETURN);
  EXPECT_EQ(clicks, 0);
}

TEST_F(WizardViewTest, ClicksReachTheModel) {
  int nexts = 0;
  form_.btnNext.OnClick = [&] { ++nexts; };
  SendMessageA(Item("btnNext"), BM_CLICK, 0, 0);
  EXPECT_EQ(nexts, 1);
  form_.WizardPages.SetActivePageIndex(5);
  form_.chkDesktopIcon.SetChecked(true);
  SendMessageA(Item("chkDesktopIcon"), BM_CLICK, 0, 0);
  EXPECT_FALSE(form_.chkDesktopIcon.Checked());
}

TEST_F(WizardViewTest, TimerFiresWhileEnabled) {
  int ticks = 0;
  form_.SpaceTimer.OnTimer = [&] { ++ticks; };
  form_.SpaceTimer.SetEnabled(true);
  DWORD end = GetTickCount() + 1500;
  while (GetTickCount() < end && ticks == 0) {
    Pump();
    Sleep(20);
  }
  EXPECT_GE(ticks, 1);
  form_.SpaceTimer.SetEnabled(false);
  int before = ticks;
  end = GetTickCount() + 1200;
  while (GetTickCount() < end) {
    Pump();
    Sleep(20);
  }
  EXPECT_EQ(ticks, before);
}

TEST_F(WizardViewTest, CloseBoxAsksTheModel) {
  SendMessageA(view_->Handle(), WM_CLOSE, 0, 0);  // the question is answered No
  EXPECT_FALSE(form_.Closed());
  EXPECT_TRUE(IsWindow(view_->Handle()));
  EXPECT_TRUE(IsWindowVisible(view_->Handle()));
}

}  // namespace
