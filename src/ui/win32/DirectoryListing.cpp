#include "ui/win32/DirectoryListing.h"

#include <algorithm>
#include <cwchar>

#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

namespace view {

std::vector<char> LogicalDrives() {
  std::vector<char> drives;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) drives.push_back(static_cast<char>('A' + i));
  return drives;
}

std::string DriveCaption(char drive) {
  const wchar_t root[] = {static_cast<wchar_t>(drive), L':', L'\\', L'\0'};
  std::string caption = {static_cast<char>(drive - 'A' + 'a'), ':'};
  // Only fixed drives are asked for a label: asking a removable drive can
  // wait for the medium.
  if (GetDriveTypeW(root) == DRIVE_FIXED) {
    wchar_t label[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
        label[0])
      caption += " [" + Narrow(label) + "]";
  }
  return caption;
}

namespace {
std::vector<std::string> Subdirectories(const std::string& dir) {
  std::vector<std::string> names;
  std::string pattern = dir + (dir.back() == '\\' ? "*" : "\\*");
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(WidePath(pattern).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const wchar_t* n = fd.cFileName;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !wcscmp(n, L".") || !wcscmp(n, L".."))
      continue;
    if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    names.push_back(Narrow(n));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  // In the user's language order, as Explorer lists them.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, Wide(a).c_str(), -1,
                           Wide(b).c_str(), -1, nullptr, nullptr, 0) == CSTR_LESS_THAN;
  });
  return names;
}

std::string Indent(size_t level) { return std::string(level * 3, ' '); }
}  // namespace

std::vector<TDirEntry> DirectoryItems(const std::string& dir) {
  std::vector<TDirEntry> items;
  if (dir.empty()) return items;
  // The root: "C:\" (or "\\server\share\" for a network path).
  size_t start = dir.find('\\');
  if (dir.compare(0, 2, "\\\\") == 0) start = dir.find('\\', dir.find('\\', 2) + 1);
  std::string path = start == std::string::npos ? dir + "\\" : dir.substr(0, start + 1);
  std::string shown = path;
  if (shown.size() >= 2 && shown[1] == ':') shown[0] = static_cast<char>(tolower(shown[0]));
  items.push_back({path, shown});
  size_t pos = path.size();
  while (pos < dir.size()) {
    size_t end = dir.find('\\', pos);
    if (end == std::string::npos) end = dir.size();
    if (end > pos) {
      std::string name = dir.substr(pos, end - pos);
      path += (path.back() == '\\' ? "" : "\\") + name;
      items.push_back({path, Indent(items.size()) + name});
    }
    pos = end + 1;
  }
  size_t level = items.size();
  for (const std::string& name : Subdirectories(path))
    items.push_back({path + (path.back() == '\\' ? "" : "\\") + name, Indent(level) + name});
  return items;
}

}  // namespace view
