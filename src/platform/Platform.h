#pragma once
// Everything the installer asks of the operating system goes through this one
// interface: a Win32 implementation for the real programs, a host
// implementation for native tools, and a test double for native tests.
// Paths are the system's own (Windows paths, "\" separators, drive letters).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileStream.h"
#include "platform/TextArg.h"

enum class TRegRoot { LocalMachine, CurrentUser };

// Message-box flags and answers, with their Win32 values.
namespace mb {
constexpr unsigned OK = 0x0;
constexpr unsigned YesNo = 0x4;
constexpr unsigned IconError = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned IconInformation = 0x40;
constexpr unsigned DefButton2 = 0x100;
constexpr unsigned TaskModal = 0x2000;
constexpr int IdOk = 1;
constexpr int IdCancel = 2;
constexpr int IdYes = 6;
constexpr int IdNo = 7;
}  // namespace mb

class TDirectorySelect;

// An application (or service) that uses files, as the Restart Manager names it.
struct TAppInUse {
  std::string Name;          // what the person knows it by
  std::string Program;       // its program file; empty when it cannot be told
  bool Restartable = false;  // it asked to be started again after such a close
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // Files and folders.
  virtual std::unique_ptr<TFileStream> OpenFile(const std::string& path, TFileMode mode) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual bool CreateDir(const std::string& path) = 0;         // one level
  virtual bool ForceDirectories(const std::string& path) = 0;  // with every missing parent
  virtual bool DeleteFileAt(const std::string& path) = 0;
  virtual bool RemoveDir(const std::string& path) = 0;  // only an empty directory
  // Renames a file within its volume (never a copy), replacing a file of the
  // new name; false when the file is in use or cannot be moved.
  virtual bool MoveFileTo(const std::string& from, const std::string& to) = 0;
  virtual bool FileReadOnly(const std::string& path) = 0;
  virtual std::string CurrentDir() = 0;
  // The path with the short (8.3) names of its existing levels spelt out in
  // full; the path as given when that cannot be told.
  virtual std::string LongPathName(const std::string& path) { return path; }
  // Free bytes of a drive: 0 is the current drive, 1 is A:, 3 is C:; -1 when
  // the drive cannot be queried.
  virtual int64_t DiskFree(int drive) = 0;
  // Full path of the running program.
  virtual std::string ExeName() = 0;

  // Registry. A missing key or value reads as empty text; a value of another
  // type than a string raises ERegistryException naming the value.
  virtual std::string RegReadString(TRegRoot root, TTextArg key, TTextArg name) = 0;
  // Creates the key with its parents and writes a REG_SZ value (with its NUL).
  virtual bool RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                              const std::string& value) = 0;
  // The same for a REG_DWORD value.
  virtual bool RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) = 0;
  // Deletes a key and everything below it; false when it could not.
  virtual bool RegDeleteTree(TRegRoot root, TTextArg key) = 0;

  // Shell. SaveShellLink raises when the shell-link object cannot be made and
  // returns false when saving fails.
  virtual bool SaveShellLink(const std::string& file, const std::string& target,
                             const std::string& workingDirectory, const std::string& description,
                             int showCmd) = 0;
  virtual int RunAndWait(const std::string& commandLine) = 0;  // 259 when it cannot run
  virtual void ShellOpen(const std::string& file, const std::string& parameters,
                         const std::string& directory, int showCmd) = 0;
  // Opens file through the signed-in user's desktop shell, so that it runs as
  // that user and without this program's elevation; false when that shell
  // cannot be reached (then nothing was started).
  virtual bool ShellOpenAsUser(const std::string& file, const std::string& parameters,
                               const std::string& directory, int showCmd) = 0;
  // Starts program, a file name in the system folder, by its full path and
  // without waiting: a file of that name beside the installer never runs.
  virtual void StartSystemProgram(const std::string& program, const std::string& parameters,
                                  int showCmd) = 0;

  // Security of the elevated programs.
  // True when path is a reparse point (a junction or a symbolic link).
  virtual bool IsReparsePoint(const std::string& path) = 0;
  // True when someone other than the administrators and the system may
  // change, delete or re-permission path, and when that cannot be told.
  virtual bool OthersCanWrite(const std::string& path) = 0;
  // Gives a folder the protection Program Files has: administrators and the
  // system full control, users read and execute, nothing inherited from
  // above; false when that failed.
  virtual bool ProtectFolder(const std::string& path) = 0;

  // The user.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The same for a literal caption (and text): the texts are built here, once,
  // rather than at every call.
  int MessageBox(const std::string& text, const char* caption, unsigned flags);
  int MessageBox(const char* text, const char* caption, unsigned flags);
  virtual void ProcessMessages() = 0;  // lets pending messages through
  // The same for loops that call it at every step: it lets messages through
  // at most about once per frame (30 ms), so that a fast loop does not spend
  // its time repainting, while a click still answers within a frame.
  virtual void ProcessMessagesAtFrameRate() { ProcessMessages(); }
  virtual void Terminate() = 0;  // asks the application to end
  virtual bool Terminated() = 0;
  virtual void BringToFront() = 0;  // the application's windows, after external programs
  // Shows the directory chooser modally; true when it ended with OK.
  virtual bool ShowDirectorySelect(TDirectorySelect& dialog) = 0;

  // A machine-wide lock held until the process ends; false when another
  // process holds one of that name.
  virtual bool HoldNamedLock(const std::string& name) = 0;
  // Lets go of a lock taken above, so that a process started now can take it.
  virtual void ReleaseNamedLock(const std::string& /*name*/) {}

  // Rights. Native tools run as if elevated, so that nothing asks for more.
  // True when the process runs with an administrator's full rights.
  virtual bool IsElevated() { return true; }
  // True when it does, or when its user is an administrator whose rights the
  // system holds back until asked (a split token).
  virtual bool IsAdministrator() { return IsElevated(); }
  // Starts this program again with parameters, asking the system for an
  // administrator's rights (the elevation prompt), waits for it and returns
  // its exit code. declined is true (and the result meaningless) when the
  // person said no or the program could not be started.
  virtual int RunElevated(const std::string& /*parameters*/, bool& declined) {
    declined = true;
    return -1;
  }
  // The current user's own program folder (%LOCALAPPDATA%\Programs); empty
  // when the system cannot name one.
  virtual std::string UserProgramFilesDir() { return {}; }

  // The Restart Manager, one session at a time: it starts (ending an earlier
  // one) over files and lists the applications that use them; false when the
  // Restart Manager cannot be used, and there is no session then.
  virtual bool ListAppsUsing(const std::vector<std::string>& /*files*/,
                             std::vector<TAppInUse>& /*apps*/) {
    return false;
  }
  // Closes the session's applications (politely unless force); false when
  // some stay.
  virtual bool CloseAppsInUse(bool /*force*/) { return false; }
  // Starts again, as this process, those that asked for it; ends the session.
  virtual bool RestartClosedApps() { return false; }
  virtual void EndAppsSession() {}

  // Work left for the next start of the system, which needs an
  // administrator's rights: from replaces to, or is deleted when to is empty.
  virtual bool MoveAtRestart(const std::string& /*from*/, const std::string& /*to*/) {
    return false;
  }
  // Takes back whatever was scheduled for from.
  virtual void CancelMoveAtRestart(const std::string& /*from*/) {}
  // Language. The user's interface languages, most preferred first (BCP 47
  // tags); none when they cannot be told.
  virtual std::vector<std::string> UserLanguages() { return {}; }
  // A whole number with the digit grouping of the language tag's locale.
  virtual std::string FormatNumber(int64_t value, const std::string& tag);

  // Printing.
  virtual bool HasDefaultPrinter() = 0;
  virtual bool PrinterSetupDialog() = 0;  // false when the user cancels
  virtual void PrintRichText(const std::string& documentName, const std::string& richText) = 0;
};

// The platform in force: the real one unless a test has set another.
TPlatform& Platform();
// Makes p the platform in force; nullptr restores the real one. Not owned.
void SetPlatform(TPlatform* p);
