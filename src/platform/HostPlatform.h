#pragma once
// The platform of the machine the program runs on, addressed by its own
// paths. Files and folders are real; everything that needs a desktop session
// (registry, shell, message boxes, printing) gets a neutral answer. Native
// tools use it as is; the Win32 platform and the test double derive from it.
#include "platform/Platform.h"

class THostPlatform : public TPlatform {
 public:
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
  int64_t DiskFree(int drive) override;
  std::string ExeName() override;

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

  // Symbolic links (and on Windows junctions) are reparse points. Nobody else
  // writes a host tool's files as far as it can tell, and folders keep the
  // permissions they have.
  bool IsReparsePoint(const std::string& path) override;
  bool OthersCanWrite(const std::string& path) override;
  bool ProtectFolder(const std::string& path) override;

  // Prints the text to stderr and answers as a user who declines: OK for an
  // OK box, No for a Yes/No box.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void ProcessMessages() override;
  void Terminate() override;
  bool Terminated() override;
  void BringToFront() override;
  bool ShowDirectorySelect(TDirectorySelect& dialog) override;
  // Native tools never run twice against one installation: always granted.
  bool HoldNamedLock(const std::string& name) override;

  bool HasDefaultPrinter() override;
  bool PrinterSetupDialog() override;
  void PrintRichText(const std::string& documentName, const std::string& richText) override;

 protected:
  bool terminated_ = false;
};

// The platform used when no other has been set: a THostPlatform natively, the
// Win32 platform in the Windows programs.
TPlatform& DefaultPlatform();
