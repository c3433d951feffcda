#pragma once
// The directory chooser that Browse opens: a path box, a drive box and a
// directory list. On OK it makes the chosen directory present.
#include <string>
#include <vector>

#include "ui/Controls.h"

// The directory list: its current directory, whose chain from the drive root
// and subdirectories a view shows. Setting another directory reports a change.
class TDirectoryListBox : public TControl {
 public:
  explicit TDirectoryListBox(const char* name) noexcept;
  ~TDirectoryListBox() override;
  // Full path, without a trailing "\" except for a drive root.
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& dir);
  std::function<void()> OnChange;

 private:
  std::string directory_;
};

// The drive box follows the list's drive; choosing a drive moves the list.
class TDriveComboBox : public TControl {
 public:
  using TControl::TControl;
  char Drive() const { return drive_; }  // upper-case letter, or 0
  void SetDrive(char d) { Set(drive_, d); }

 private:
  char drive_ = 0;
};

class TDirectorySelect {
 public:
  TDirectorySelect();
  ~TDirectorySelect();
  TDirectorySelect(const TDirectorySelect&) = delete;
  TDirectorySelect& operator=(const TDirectorySelect&) = delete;

  TControl Form{"DirectorySelect"};  // caption "Select Install Directory"
  TEdit edtPath{"edtPath"};
  TDriveComboBox DriveComboBox{"DriveComboBox"};
  TDirectoryListBox DirectoryListBox{"DirectoryListBox"};
  TButton btnOK{"btnOK"};
  TButton btnCancel{"btnCancel"};

  std::string ChosenPath;
  // The folders OK made to have ChosenPath present, top level first.
  std::vector<std::string> MadeDirs;

  void SetStartPath(const std::string& path);
  void DirectoryListBoxChange();
  void btnOKClick();
  void btnCancelClick();
  // The user picked a drive in the drive box.
  void DriveComboBoxChange(char drive);

  // 0 while the dialog runs; mb::IdOk or mb::IdCancel once it has ended.
  int ModalResult = 0;

  std::vector<TControl*> Controls();
};

// Makes the directory D present, creating missing levels from the top down;
// each level made is appended to made when given.
bool MakeDirectoryPresent(const std::string& d, std::vector<std::string>* made = nullptr);
