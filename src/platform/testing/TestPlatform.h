#pragma once
// The platform test double. Windows paths ("C:\Apps\x", "c:/apps", "D:\",
// relative ones against CurrentDir) are mapped onto a temporary folder per
// drive letter below a root that lives as long as the object; everything
// else the engine asks of the system is recorded, and its answers scripted.
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/HostPlatform.h"

class TTestPlatform : public THostPlatform {
 public:
  enum class TRegType { String, ExpandString, DWord, Binary };
  struct TRegValue {
    TRegType Type;
    std::string Data;
  };
  struct TShellLinkRecord {
    std::string File, Target, WorkingDirectory, Description;
    int ShowCmd;
  };
  struct TShellOpenRecord {
    std::string File, Parameters, Directory;
    int ShowCmd;
  };
  struct TSystemProgramRecord {
    std::string Program, Parameters;
    int ShowCmd;
  };
  struct TMessageBoxRecord {
    std::string Text, Caption;
    unsigned Flags;
  };
  struct TPrintJob {
    std::string DocumentName, Text;
  };

  // Drive C: exists; other drives only after AddDrive.
  TTestPlatform();
  ~TTestPlatform() override;
  TTestPlatform(const TTestPlatform&) = delete;
  TTestPlatform& operator=(const TTestPlatform&) = delete;

  // --- Paths
  // The host path a Windows path stands for. Paths on a drive that does not
  // exist, and empty paths, map to places that never exist.
  std::string HostPath(const std::string& winPath) const;
  const std::filesystem::path& Root() const { return FRoot; }
  void AddDrive(char letter);
  void SetCurrentDir(const std::string& winPath) { FCurrentDir = winPath; }
  // Writes a file (creating its folders) and reads one back, by Windows path.
  void WriteFileText(const std::string& winPath, const std::string& content);
  std::string ReadFileText(const std::string& winPath) const;

  // --- Scripted answers and records
  void SetFreeSpace(char drive, int64_t bytes) { FFreeSpace[Upper(drive)] = bytes; }
  std::string ExeNameValue = "C:\\setup.exe";

  void SetRegValue(TRegRoot root, const std::string& key, const std::string& name, TRegType type,
                   const std::string& data);
  // The stored value, or nullptr when there is none.
  const TRegValue* RegValue(TRegRoot root, const std::string& key, const std::string& name) const;
  bool RegKeyExists(TRegRoot root, const std::string& key) const;
  bool RegWriteFails = false;  // every RegWriteString and RegWriteDWord returns false

  std::vector<TShellLinkRecord> ShellLinks;
  bool ShellLinkCreationFails = false;  // SaveShellLink raises as a missing COM class would

  std::vector<std::string> ProgramsRun;
  std::deque<int> RunExitCodes;  // taken in turn; 0 when none is left
  std::vector<TShellOpenRecord> ShellOpens;
  bool UserShellAvailable = false;  // else ShellOpenAsUser answers false
  std::vector<TShellOpenRecord> UserShellOpens;
  std::vector<TSystemProgramRecord> SystemPrograms;

  // Reparse points are real symbolic links below Root(), and the paths listed
  // in ReparsePoints (where the host has no links). Paths listed in
  // WritableByOthers (any letter case) are writable by others; ProtectFolder
  // records its path and takes it off that list.
  std::vector<std::string> ReparsePoints;
  std::vector<std::string> WritableByOthers;
  std::vector<std::string> ProtectedFolders;
  bool ProtectFolderFails = false;

  std::vector<TMessageBoxRecord> MessageBoxes;
  std::deque<int> MessageBoxAnswers;  // taken in turn, then the defaults below
  int DefaultOkAnswer = mb::IdOk;
  int DefaultYesNoAnswer = mb::IdNo;

  int ProcessMessagesCount = 0;
  std::function<void()> OnProcessMessages;  // e.g. a click in the middle of a run
  int BringToFrontCount = 0;
  std::function<bool(TDirectorySelect&)> OnShowDirectorySelect;

  // Files another program holds open: they cannot be moved, deleted or
  // created over (Windows paths, letter case ignored).
  void SetFileInUse(const std::string& winPath, bool inUse = true);
  bool FileInUse(const std::string& path) const;
  // Named locks this process holds, and those that "another process" holds.
  std::set<std::string> HeldLocks;
  std::set<std::string> LocksHeldElsewhere;

  // Rights: elevated by default, as every earlier test assumed. RunElevated
  // records its parameters and the locks held at that moment, and answers
  // with ElevatedExitCode, or as declined.
  bool Elevated = true;
  bool Administrator = true;
  bool ElevationDeclined = false;
  int ElevatedExitCode = 0;
  std::vector<std::string> ElevatedRuns;
  std::set<std::string> LocksAtElevation;
  std::string UserProgramFiles = "C:\\Users\\me\\AppData\\Local\\Programs";

  // The Restart Manager: which application holds which file (held files are
  // also in use), whether it works at all, and what it was asked: "list N",
  // "close", "force", "restart", "end".
  struct THolder {
    std::string File;
    TAppInUse App;
    bool ClosesPolitely = true;  // else only a forced close ends it
  };
  std::vector<THolder> Holders;
  bool RestartManagerWorks = true;
  std::vector<std::string> RmCalls;
  std::vector<std::string> AppsRestarted;
  // Moves scheduled for the next start (from, to); RestartComputer carries
  // them out in order, as the system does.
  std::vector<std::pair<std::string, std::string>> PendingMoves;
  bool ScheduleFails = false;
  void RestartComputer();

  bool PrinterPresent = false;
  bool PrinterSetupAnswer = true;
  bool PrintFails = false;
  // The user's interface languages UserLanguages() reports.
  std::vector<std::string> UserLanguagesValue;
  int PrinterSetupCount = 0;
  std::vector<TPrintJob> PrintJobs;

  // --- TPlatform
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, TFileMode mode) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool DeleteFileAt(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  bool MoveFileTo(const std::string& from, const std::string& to) override;
  bool FileReadOnly(const std::string& path) override;
  std::string CurrentDir() override { return FCurrentDir; }
  // Short names the system would spell out: "C:\\PROGRA~1" -> "C:\\Program Files".
  std::map<std::string, std::string> ShortNames;
  std::string LongPathName(const std::string& path) override;
  int64_t DiskFree(int drive) override;
  std::string ExeName() override { return ExeNameValue; }

  std::string RegReadString(TRegRoot root, TTextArg key, TTextArg name) override;
  bool RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                      const std::string& value) override;
  bool RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) override;
  bool RegDeleteTree(TRegRoot root, TTextArg key) override;

  // Records the link and leaves a small marker file where the link would be,
  // so that existence checks see it; false when that file cannot be written.
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

  bool IsReparsePoint(const std::string& path) override;
  bool OthersCanWrite(const std::string& path) override;
  bool ProtectFolder(const std::string& path) override;

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void ProcessMessages() override;
  void Terminate() override { terminated_ = true; }
  bool Terminated() override { return terminated_; }
  void BringToFront() override { ++BringToFrontCount; }
  bool ShowDirectorySelect(TDirectorySelect& dialog) override;
  bool HoldNamedLock(const std::string& name) override;
  void ReleaseNamedLock(const std::string& name) override { HeldLocks.erase(name); }
  bool IsElevated() override { return Elevated; }
  bool IsAdministrator() override { return Administrator || Elevated; }
  int RunElevated(const std::string& parameters, bool& declined) override;
  std::string UserProgramFilesDir() override { return UserProgramFiles; }

  bool ListAppsUsing(const std::vector<std::string>& files, std::vector<TAppInUse>& apps) override;
  bool CloseAppsInUse(bool force) override;
  bool RestartClosedApps() override;
  void EndAppsSession() override { RmCalls.push_back("end"); }
  bool MoveAtRestart(const std::string& from, const std::string& to) override;
  void CancelMoveAtRestart(const std::string& from) override;

  bool HasDefaultPrinter() override { return PrinterPresent; }
  std::vector<std::string> UserLanguages() override { return UserLanguagesValue; }
  bool PrinterSetupDialog() override;
  void PrintRichText(const std::string& documentName, const std::string& richText) override;

 private:
  static char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
  // Registry keys compare without regard to case, as Windows does.
  static std::string KeyOf(const std::string& key);
  static std::string Lower(std::string s);

  std::filesystem::path FRoot;
  std::set<char> FDrives;
  std::string FCurrentDir = "C:\\";
  std::map<char, int64_t> FFreeSpace;
  std::set<std::string> FInUse;   // host paths
  std::vector<THolder> FSession;  // the holders listed, until closed
  // (root, lower-case key) -> lower-case value name -> value
  std::map<std::pair<TRegRoot, std::string>, std::map<std::string, TRegValue>> FRegistry;
};
