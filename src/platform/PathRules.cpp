#include "platform/PathRules.h"

#include <vector>

#include "platform/Concat.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view s, std::string_view upper) {
  if (s.size() != upper.size()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (Upper(s[i]) != upper[i]) return false;
  return true;
}

bool IsBadNameChar(unsigned char c) {
  return c < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' ||
         c == ':' || c == '/';
}

}  // namespace

bool IsDeviceName(std::string_view level) {
  // The system looks at the name before the first dot, without trailing blanks.
  std::string_view stem = level.substr(0, level.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (EqualsUpper(stem, name)) return true;
  if (stem.size() < 4) return false;
  std::string_view base = stem.substr(0, 3), digit = stem.substr(3);
  if (!EqualsUpper(base, "COM") && !EqualsUpper(base, "LPT")) return false;
  // A digit, or one of the superscripts 1, 2, 3 (in UTF-8 or in code page 1252).
  if (digit.size() == 1) return (digit[0] >= '0' && digit[0] <= '9') || digit == "\xB9" ||
                                digit == "\xB2" || digit == "\xB3";
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

bool HasTrailingDotOrBlank(std::string_view level) {
  return !level.empty() && (level.back() == '.' || level.back() == ' ');
}

std::string CanonicalFolder(const std::string& typed, std::string& canonical) {
  canonical.clear();
  std::string p = typed;
  while (!p.empty() && static_cast<unsigned char>(p.back()) <= ' ') p.pop_back();
  while (!p.empty() && p.front() == ' ') p.erase(0, 1);
  for (char& c : p)
    if (c == '/') c = '\\';
  const char* full = "it is not a full path (such as C:\\Programs\\Product)";
  std::string root;
  size_t start;
  if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    if (p.size() < 3 || p[2] != '\\') return full;  // "C:x" is relative to C:'s current folder
    root = p.substr(0, 3);
    start = 3;
  } else if (p.starts_with("\\\\")) {
    if (p.starts_with("\\\\?\\") || p.starts_with("\\\\.\\"))
      return "device paths (\\\\?\\ and \\\\.\\) are not accepted; give the folder as C:\\... or "
             "\\\\server\\share\\...";
    size_t server = p.find('\\', 2);
    size_t share = server == std::string::npos ? server : p.find('\\', server + 1);
    std::string_view serverName(p.data() + 2, (server == std::string::npos ? p.size() : server) - 2);
    std::string_view shareName;
    if (server != std::string::npos)
      shareName = std::string_view(p).substr(server + 1, share == std::string::npos
                                                             ? std::string::npos
                                                             : share - server - 1);
    if (serverName.empty() || shareName.find_first_not_of(". ") == std::string::npos)
      return "a network folder needs a server and a share (\\\\server\\share\\...)";
    root = Concat({"\\\\", serverName, "\\", shareName, "\\"});
    start = share == std::string::npos ? p.size() : share + 1;
  } else {
    return full;
  }
  std::vector<std::string> levels;
  while (start < p.size()) {
    size_t end = p.find('\\', start);
    if (end == std::string::npos) end = p.size();
    std::string level = p.substr(start, end - start);
    start = end + 1;
    if (level.empty() || level == ".") continue;
    if (level == "..") {
      if (levels.empty()) return "its \"..\" leads above the root of the drive";
      levels.pop_back();
      continue;
    }
    for (char c : level)
      if (IsBadNameChar(static_cast<unsigned char>(c)))
        return Concat({"it holds the character '", std::string_view(&c, 1),
                       "', which no folder name may hold"});
    while (HasTrailingDotOrBlank(level)) level.pop_back();
    if (level.empty() || level.find_first_not_of(' ') == std::string::npos)
      return "one of its levels consists of dots and blanks only";
    if (IsDeviceName(level))
      return Concat({"\"", level, "\" is the name of a device, which no folder may have"});
    levels.push_back(level);
  }
  if (levels.empty()) return "it is the root of a drive or share; choose a folder inside it";
  canonical = root;
  for (size_t i = 0; i < levels.size(); ++i) {
    if (i > 0) canonical += '\\';
    canonical += levels[i];
  }
  return {};
}

size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (!path.starts_with("\\\\")) return 0;
  size_t server = path.find('\\', 2);
  if (server == std::string_view::npos || server == 2) return 0;
  size_t share = path.find('\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::string_view::npos ? path.size() : share + 1;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}
