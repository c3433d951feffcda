#pragma once
// The real platform of the Windows programs: host files (those of the host
// platform, win32/HostFiles.h), and the registry, shell links, processes,
// message boxes, the message queue and printing through the Win32 API.
// Everything runs in the one UI thread.
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/WinHeader.h"

class TWin32Platform : public TPlatform {
 public:
  TWin32Platform() = default;
  ~TWin32Platform() override;
  TWin32Platform(const TWin32Platform&) = delete;
  TWin32Platform& operator=(const TWin32Platform&) = delete;

  std::unique_ptr<TFileStream> OpenFile(const std::string& path, TFileMode mode) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool DeleteFileAt(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  bool MoveFileTo(const std::string& from, const std::string& to) override;
  bool FileReadOnly(const std::string& path) override;
  std::string CurrentDir() override;
  std::string LongPathName(const std::string& path) override;
  std::string ExeName() override;
  bool IsReparsePoint(const std::string& path) override;

  int64_t DiskFree(int drive) override;

  std::string RegReadString(TRegRoot root, TTextArg key, TTextArg name) override;
  bool RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                      const std::string& value) override;
  bool RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) override;
  bool RegDeleteTree(TRegRoot root, TTextArg key) override;

  bool SaveShellLink(const std::string& file, const std::string& target,
                     const std::string& workingDirectory, const std::string& description,
                     int showCmd) override;
  int RunAndWait(const std::string& commandLine) override;
  void ShellOpen(const std::string& file, const std::string& parameters,
                 const std::string& directory, int showCmd) override;
  bool ShellOpenAsUser(const std::string& file, const std::string& parameters,
                       const std::string& directory, int showCmd) override;
  void StartSystemProgram(const std::string& program, const std::string& parameters,
                          int showCmd) override;

  bool OthersCanWrite(const std::string& path) override;
  bool ProtectFolder(const std::string& path) override;

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void ProcessMessages() override;
  void ProcessMessagesAtFrameRate() override;
  void Terminate() override;
  bool Terminated() override;
  void BringToFront() override;
  // The setup program's UI overrides this with the real chooser.
  bool ShowDirectorySelect(TDirectorySelect& dialog) override;
  bool HoldNamedLock(const std::string& name) override;
  void ReleaseNamedLock(const std::string& name) override;

  // Elevation_win32.cpp.
  bool IsElevated() override;
  bool IsAdministrator() override;
  int RunElevated(const std::string& parameters, bool& declined) override;
  std::string UserProgramFilesDir() override;

  // RestartManager_win32.cpp.
  bool ListAppsUsing(const std::vector<std::string>& files, std::vector<TAppInUse>& apps) override;
  bool CloseAppsInUse(bool force) override;
  bool RestartClosedApps() override;
  void EndAppsSession() override;
  bool MoveAtRestart(const std::string& from, const std::string& to) override;
  void CancelMoveAtRestart(const std::string& from) override;

  bool HasDefaultPrinter() override;
  std::vector<std::string> UserLanguages() override;
  std::string FormatNumber(int64_t value, const std::string& tag) override;
  bool PrinterSetupDialog() override;
  void PrintRichText(const std::string& documentName, const std::string& richText) override;

  // Modeless dialogs whose keyboard navigation (Tab, Enter, Escape) the
  // message pumps must route through IsDialogMessage.
  static void AddDialogWindow(HWND dialog);
  static void RemoveDialogWindow(HWND dialog);
  // True when msg belonged to one of those dialogs and has been handled; a
  // program's own message loop calls it before TranslateMessage.
  static bool HandleDialogMessage(MSG& msg);

 private:
  HDC CreatePrinterDC();

  // The printer chosen in the setup dialog, for later print jobs.
  HGLOBAL FDevMode = nullptr;
  HGLOBAL FDevNames = nullptr;
  DWORD FLastPump = 0;  // tick of the last frame-rate pump
  bool terminated_ = false;
  DWORD FRmSession = 0;
  bool FRmOpen = false;
  std::vector<std::pair<std::string, HANDLE>> FLocks;  // held until released or the end
  static std::vector<HWND> FDialogs;
};

// Initialises the component model (single-threaded apartment) for the
// program's lifetime; the programs create one first thing in main.
class TComInit {
 public:
  TComInit();
  ~TComInit();
  TComInit(const TComInit&) = delete;
  TComInit& operator=(const TComInit&) = delete;
  bool Succeeded() const { return FSucceeded; }

 private:
  bool FSucceeded;
};
