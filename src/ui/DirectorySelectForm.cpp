#include "ui/DirectorySelectForm.h"

#include "lang/Texts.h"
#include "platform/Platform.h"

namespace {

bool IsDriveRoot(const std::string& dir) {
  return dir.size() == 3 && dir[1] == ':' && dir[2] == '\\';
}

char UpperDrive(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A path the file system can be asked about: "X:..." and "\\server" stand as
// they are, "\dir" is on the current drive, anything else is below the
// current directory.
std::string Resolve(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return path;
  std::string cwd = Platform().CurrentDir();
  if (!path.empty() && path[0] == '\\') return cwd.size() >= 2 ? cwd.substr(0, 2) + path : path;
  if (!cwd.empty() && cwd.back() != '\\') cwd += '\\';
  return cwd + path;
}

// The text up to and including its last "\" or ":"; empty when it has neither.
std::string ParentPart(const std::string& d) {
  size_t p = d.find_last_of("\\:");
  return p == std::string::npos ? std::string() : d.substr(0, p + 1);
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(const char* name) noexcept : TControl(name) {}
TDirectoryListBox::~TDirectoryListBox() = default;

void TDirectoryListBox::SetDirectory(const std::string& dir) {
  // The list always holds a full path, trailing "\" only on a drive root.
  std::string full = dir.empty() ? dir : Resolve(dir);
  while (full.size() > 1 && full.back() == '\\' && !IsDriveRoot(full) &&
         !(full.size() == 2 && full[0] == '\\'))
    full.pop_back();
  if (full.size() == 2 && full[1] == ':') full += '\\';
  if (full == directory_) return;
  Set(directory_, full);
  if (OnChange) OnChange();
}

TDirectorySelect::~TDirectorySelect() = default;

TDirectorySelect::TDirectorySelect() {
  Form.SetCaption(Tr(TText::SelectDirectoryCaption));
  btnOK.SetCaption(Tr(TText::OKButton));
  btnCancel.SetCaption(Tr(TText::CancelButton));
  btnOK.OnClick = [this] { btnOKClick(); };
  btnCancel.OnClick = [this] { btnCancelClick(); };
  DirectoryListBox.OnChange = [this] { DirectoryListBoxChange(); };
}

void TDirectorySelect::SetStartPath(const std::string& path) {
  ChosenPath = path;
  // Cut back to the nearest existing ancestor, keeping its trailing "\".
  while (!ChosenPath.empty() && !Platform().DirectoryExists(Resolve(ChosenPath))) {
    ChosenPath.pop_back();
    while (!ChosenPath.empty() && ChosenPath.back() != '\\') ChosenPath.pop_back();
  }
  // With no existing ancestor at all the dialog still opens: the list shows
  // nothing and ChosenPath stays empty until the user picks or types a path.
  DirectoryListBox.SetDirectory(ChosenPath);
  edtPath.SetText(path);
}

void TDirectorySelect::DirectoryListBoxChange() {
  ChosenPath = DirectoryListBox.Directory();
  edtPath.SetText(ChosenPath);
  const std::string& dir = DirectoryListBox.Directory();
  DriveComboBox.SetDrive(dir.size() >= 2 && dir[1] == ':' ? UpperDrive(dir[0]) : 0);
}

void TDirectorySelect::DriveComboBoxChange(char drive) {
  drive = UpperDrive(drive);
  std::string root = std::string(1, drive) + ":\\";
  // The drive's current directory: the process's own when it is on that
  // drive, its root otherwise. A drive that is not ready leaves the list alone.
  std::string cwd = Platform().CurrentDir();
  std::string target =
      (cwd.size() >= 2 && cwd[1] == ':' && UpperDrive(cwd[0]) == drive) ? cwd : root;
  if (!Platform().DirectoryExists(target)) return;
  DriveComboBox.SetDrive(drive);
  DirectoryListBox.SetDirectory(target);
}

void TDirectorySelect::btnOKClick() {
  ChosenPath = Trim(edtPath.Text());
  if (ChosenPath.empty()) {
    Platform().MessageBox(Tr(TText::NoDirectoryMessage), Tr(TText::NoDirectoryCaption),
                          mb::IconInformation);
    return;
  }
  if (MakeDirectoryPresent(ChosenPath, &MadeDirs)) {
    ModalResult = mb::IdOk;
    return;
  }
  Platform().MessageBox(Tr(TText::CannotCreatePathMessage), Tr(TText::CannotCreatePathCaption),
                        mb::IconInformation);
}

void TDirectorySelect::btnCancelClick() { ModalResult = mb::IdCancel; }

std::vector<TControl*> TDirectorySelect::Controls() {
  return {&Form, &edtPath, &DriveComboBox, &DirectoryListBox, &btnOK, &btnCancel};
}

bool MakeDirectoryPresent(const std::string& d, std::vector<std::string>* made) {
  std::string dir = d;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  std::string parent = ParentPart(dir);
  if (dir.size() < 3 || dir == parent || Platform().DirectoryExists(Resolve(dir))) return true;
  if (parent.empty()) return false;
  // Top down: the first level that cannot be made ends the attempt.
  if (!MakeDirectoryPresent(parent, made) || !Platform().CreateDir(Resolve(dir))) return false;
  if (made) made->push_back(Resolve(dir));
  return true;
}
