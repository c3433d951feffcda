#pragma once
// TShortcut: owner of one instance of the system's shell-link object, through
// IShellLinkW and IPersistFile. Windows only. The component model must be
// initialised on the calling thread (TComInit).
#include <string>

struct IUnknown;
struct IShellLinkW;
struct IPersistFile;

class TShortcut {
 public:
  // Creates the shell-link object; raises Exception with the system's text
  // when it cannot be made, "Interface not supported" when it lacks either
  // interface.
  TShortcut();
  ~TShortcut();
  TShortcut(const TShortcut&) = delete;
  TShortcut& operator=(const TShortcut&) = delete;

  // The setters' results are of no interest: a property that cannot be set
  // stays at its default and the link is saved all the same.
  void SetPath(const std::string& path);
  void SetWorkingDirectory(const std::string& directory);
  void SetDescription(const std::string& description);
  void SetShowCmd(int showCmd);
  // Saves the link under the name; false on failure.
  bool Save(const std::string& fileName);

 private:
  IUnknown* ComObject = nullptr;
  IShellLinkW* ShellLink = nullptr;
  IPersistFile* PersistFile = nullptr;
};
