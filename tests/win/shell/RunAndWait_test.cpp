// RunAndWait with a real child process under Wine.
#include <gtest/gtest.h>

#include "WinTestUtil.h"
#include "platform/win32/WinHeader.h"
#include "shell/RunAndWaitUnit.h"

namespace {

class RunAndWaitTest : public ::testing::Test {
 protected:
  std::string Child() const { return ExeDir() + "\\bw_test_child.exe"; }
  std::string Report() const { return Dir.Path() + "\\report.txt"; }
  TTempDir Dir;
};

TEST_F(RunAndWaitTest, ExitCodeAndArguments) {
  EXPECT_EQ(RunAndWait(Child() + " 42 " + Report() + " alpha /S -x"), 42);
  std::string report = ReadWholeFile(Report());
  EXPECT_NE(report.find("arg=alpha\narg=/S\narg=-x\n"), std::string::npos) << report;
  EXPECT_EQ(RunAndWait(Child() + " 0 " + Report()), 0);
  EXPECT_EQ(RunAndWait(Child() + " 259 " + Report()), 259);
}

TEST_F(RunAndWaitTest, MissingProgramGives259) {
  EXPECT_EQ(RunAndWait(Dir.Path() + "\\no-such-program.exe /x"), 259);
  EXPECT_EQ(RunAndWait(""), 259);
}

TEST_F(RunAndWaitTest, ChildRunsInTheCallersCurrentDirectory) {
  char old[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir.Path().c_str()));
  int code = RunAndWait(Child() + " 0 report.txt");
  SetCurrentDirectoryA(old);
  ASSERT_EQ(code, 0);
  std::string report = ReadWholeFile(Report());
  std::string expected = "cwd=" + Dir.Path() + "\n";
  EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, report.c_str(),
                           static_cast<int>(expected.size()), expected.c_str(),
                           static_cast<int>(expected.size())),
            CSTR_EQUAL)
      << report;
}

// The windows keep painting while the program runs, and what the user does
// meanwhile is dropped rather than acted on afterwards.
int gPaints = 0, gTimers = 0, gClicks = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      EndPaint(h, &ps);
      ++gPaints;
      return 0;
    }
    case WM_TIMER:
      ++gTimers;
      InvalidateRect(h, nullptr, FALSE);
      if (gTimers == 1) PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, 0);  // early in the wait
      return 0;
    case WM_LBUTTONDOWN:
      ++gClicks;
      return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

TEST_F(RunAndWaitTest, WindowsPaintWhileTheProgramRunsAndInputIsDropped) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BwPaintCounter";
  RegisterClassA(&wc);
  HWND h = CreateWindowA("BwPaintCounter", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                         nullptr, wc.hInstance, nullptr);
  ASSERT_NE(h, nullptr);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  gPaints = gTimers = gClicks = 0;
  SetTimer(h, 1, 50, nullptr);
  EXPECT_EQ(RunAndWait(Child() + " 7 " + Report() + " sleep=1500"), 7);
  KillTimer(h, 1);
  EXPECT_GE(gTimers, 3);
  EXPECT_GE(gPaints, 3);
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(gClicks, 0);
  DestroyWindow(h);
}

}  // namespace
