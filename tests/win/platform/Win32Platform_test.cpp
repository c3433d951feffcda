// The Win32 platform's own logic under Wine: free space by drive number, the
// message pump and the terminate request, and printing without a printer.
#include "platform/win32/Win32Platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "platform/HostPlatform.h"
#include "uninstall_log/UninstallLog.h"

namespace {

// A drive letter that this system does not have, as a drive number.
int UnmappedDrive() {
  DWORD drives = GetLogicalDrives();
  for (int i = 25; i >= 0; --i)
    if (!(drives & (1u << i))) return i + 1;
  return 0;
}

TEST(Win32Platform, DiskFreeByDriveNumber) {
  TWin32Platform p;
  EXPECT_GT(p.DiskFree(3), 0);  // C:
  EXPECT_GT(p.DiskFree(0), 0);  // the current drive
  int unmapped = UnmappedDrive();
  ASSERT_NE(unmapped, 0);
  EXPECT_EQ(p.DiskFree(unmapped), -1);
  EXPECT_EQ(p.DiskFree(-1), -1);
  EXPECT_EQ(p.DiskFree(27), -1);
}

TEST(Win32Platform, QuitMessageEndsThePumpAndSetsTerminated) {
  TWin32Platform p;
  EXPECT_FALSE(p.Terminated());
  p.ProcessMessages();
  EXPECT_FALSE(p.Terminated());
  PostQuitMessage(0);
  p.ProcessMessages();
  EXPECT_TRUE(p.Terminated());
  // The quit message was taken, not put back.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

  TWin32Platform q;
  q.Terminate();
  EXPECT_TRUE(q.Terminated());
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(Win32Platform, NoPrinterUnderWine) {
  TWin32Platform p;
  if (p.HasDefaultPrinter()) GTEST_SKIP() << "this system has a printer";
  EXPECT_THROW(p.PrintRichText("Licence", "{\\rtf1 text}"), Exception);
}

// The share modes: the package is opened so that others may go on reading and
// writing it; the uninstall log is read only while nobody else writes it.
TEST(Win32Platform, ShareModesOfReadingOpens) {
  char dir[MAX_PATH + 1];
  ASSERT_GT(GetTempPathA(sizeof dir, dir), 0u);
  const std::string file = std::string(dir) + "bw-share-test.log";
  {
    auto log = OpenHostFile(file, TFileMode::Create);
    for (const std::string& line : LogBanner()) log->Write((line + "\r\n").data(), line.size() + 2);
    log->Write("Title: T\r\n", 10);
    log->Close();
  }
  HANDLE writer =
      CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_NO_THROW(OpenHostFile(file, TFileMode::OpenRead)->Close());
  EXPECT_THROW(OpenHostFile(file, TFileMode::OpenReadDenyWrite), EInOutError);
  try {
    TLogFile reader(file, false);
    ADD_FAILURE() << "the log was read while another had it open for writing";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + file);
  }
  CloseHandle(writer);
  TLogFile reader(file, false);
  EXPECT_EQ(reader.Title(), "T");
  DeleteFileA(file.c_str());
}

// The system's list of moves for its next start, as one text.
std::wstring PendingMoves() {
  wchar_t data[8192] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data,
                   &size) != ERROR_SUCCESS)
    return {};
  std::wstring text(data, size / sizeof(wchar_t));
  for (wchar_t& c : text)
    if (c == L'\0') c = L'|';
  return text;
}

// A replacement and a deletion are scheduled; taking one back leaves the
// other, and the Restart Manager answers (or is missing) without harm.
TEST(Win32Platform, MovesAtRestartAreScheduledAndTakenBack) {
  char dir[MAX_PATH + 1];
  ASSERT_GT(GetTempPathA(sizeof dir, dir), 0u);
  const std::string a = std::string(dir) + "bw-restart-a.txt",
                    b = std::string(dir) + "bw-restart-b.txt";
  for (const std::string& f : {a, b}) OpenHostFile(f, TFileMode::Create)->Close();
  TWin32Platform p;
  ASSERT_TRUE(p.MoveAtRestart(a, b));
  ASSERT_TRUE(p.MoveAtRestart(b, {}));
  std::wstring wa(a.begin(), a.end()), wb(b.begin(), b.end());
  EXPECT_NE(PendingMoves().find(L"\\??\\" + wa + L"|!\\??\\" + wb + L"|"), std::wstring::npos);
  p.CancelMoveAtRestart(a);
  EXPECT_EQ(PendingMoves().find(wa), std::wstring::npos);
  EXPECT_NE(PendingMoves().find(L"\\??\\" + wb + L"||"), std::wstring::npos);
  p.CancelMoveAtRestart(b);
  EXPECT_EQ(PendingMoves().find(wb), std::wstring::npos);

  std::vector<TAppInUse> apps;
  if (p.ListAppsUsing({a}, apps)) {
    EXPECT_TRUE(apps.empty());  // nothing holds it
  }
  p.EndAppsSession();
  DeleteFileA(a.c_str());
  DeleteFileA(b.c_str());
}

TEST(Win32Platform, DefaultPlatformIsWin32) {
  // No RTTI in the Windows build: the default is the one Win32Platform.cpp
  // defines, and it answers with a Windows path.
  EXPECT_EQ(&Platform(), &DefaultPlatform());
  EXPECT_EQ(Platform().ExeName().substr(1, 2), ":\\");
}

}  // namespace
