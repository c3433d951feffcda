#include "uninstaller/RemovalGuard.h"

#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "shell/ShellInstallLib.h"

namespace {

// Letter case folded as Windows compares names, in any language.
std::string Folded(const std::string& s) { return FoldCase(s); }

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& root) {
  if (path.size() < root.size()) return false;
  for (size_t i = 0; i < root.size(); ++i)
    if (Folded(path[i]) != Folded(root[i])) return false;
  return true;
}

std::string Join(const std::vector<std::string>& parts, size_t count) {
  std::string s = parts[0];
  for (size_t i = 1; i < count; ++i) s += "\\" + parts[i];
  return count == 1 ? s + "\\" : s;
}

size_t ComponentCount(const std::string& part) {
  size_t n = 0;
  bool inPart = false;
  for (char c : part) {
    bool sep = c == '\\' || c == '/';
    if (!sep && !inPart) ++n;
    inPart = !sep;
  }
  return n;
}

bool IsShortcutName(const std::string& name) {
  std::string n = Folded(name);
  return n.size() > 4 && (n.ends_with(".LNK") || n.ends_with(".URL"));
}

}  // namespace

TRemovalGuard::TRemovalGuard(const std::string& installDir,
                             const std::vector<std::pair<std::string, std::string>>& records,
                             const std::string& programs, const std::string& desktop) {
  TParts install, programsParts, parts;
  if (SplitAbsolutePath(installDir, install) && install.size() > 1) FTrees.push_back(install);
  if (SplitAbsolutePath(desktop, parts) && parts.size() > 1) FShortcutFolders.push_back(parts);
  bool havePrograms = SplitAbsolutePath(programs, programsParts) && programsParts.size() > 1;

  for (const auto& [key, value] : records) {
    if (key != "Directory") continue;
    size_t semicolon = value.find(';');
    if (semicolon == std::string::npos) continue;
    std::string part = value.substr(0, semicolon);
    if (!SplitAbsolutePath(value.substr(semicolon + 1), parts)) continue;
    if (havePrograms && StartsWith(parts, programsParts)) {
      // The group's first level is its root: a group "Vendor\App" removes
      // both of its levels, never the programs folder itself.
      if (parts.size() > programsParts.size())
        FTrees.emplace_back(parts.begin(), parts.begin() + programsParts.size() + 1);
      else if (ComponentCount(part) == 0)
        FShortcutFolders.push_back(programsParts);
    } else if (!install.empty() && parts.size() == install.size() && StartsWith(parts, install)) {
      // The levels above the installation folder that the run created.
      for (size_t up = 1; up < ComponentCount(part) && install.size() - up > 1; ++up)
        FClaimedAbove.emplace_back(install.begin(), install.end() - static_cast<long>(up));
    }
  }
}

bool TRemovalGuard::NoReparsePointFrom(size_t rootSize, const TParts& path) const {
  for (size_t n = rootSize; n <= path.size(); ++n)
    if (Platform().IsReparsePoint(Join(path, n))) return false;
  return true;
}

bool TRemovalGuard::MayRemove(const std::string& path, bool directory) const {
  TParts parts;
  if (!SplitAbsolutePath(path, parts)) return false;
  for (const TParts& tree : FTrees)
    if (StartsWith(parts, tree)) return NoReparsePointFrom(tree.size(), parts);
  if (!directory && IsShortcutName(parts.back()))
    for (const TParts& folder : FShortcutFolders)
      if (parts.size() == folder.size() + 1 && StartsWith(parts, folder))
        return NoReparsePointFrom(folder.size(), parts);
  if (directory)
    for (const TParts& above : FClaimedAbove)
      if (parts.size() == above.size() && StartsWith(parts, above))
        return NoReparsePointFrom(parts.size(), parts);
  return false;
}
