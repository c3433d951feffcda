#include "platform/PathRules.h"

#include "platform/Concat.h"
#include "platform/TextEncoding.h"

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
  for (char& c : p)
    if (c == '/') c = '\\';
  while (!p.empty() && static_cast<unsigned char>(p.back()) <= ' ') p.pop_back();
  p.erase(0, p.find_first_not_of(' ') == std::string::npos ? p.size() : p.find_first_not_of(' '));
  if (p.starts_with("\\\\?\\") || p.starts_with("\\\\.\\"))
    return "device paths (\\\\?\\ and \\\\.\\) are not accepted";
  size_t root = RootLength(p);
  bool unc = p.starts_with("\\\\");
  if (root == 0 || (!unc && static_cast<unsigned>(Upper(p[0]) - 'A') > 25u))
    return unc ? "a network folder needs a server and a share (\\\\server\\share\\...)"
               : "it is not a full path (such as C:\\Programs\\Product)";
  canonical = p.substr(0, root);
  if (canonical.back() != '\\') canonical += '\\';
  const size_t base = canonical.size();
  std::string_view rest = std::string_view(p).substr(root);
  while (!rest.empty()) {
    std::string_view level = rest.substr(0, rest.find('\\'));
    rest.remove_prefix(level.size() < rest.size() ? level.size() + 1 : rest.size());
    if (level.empty() || level == ".") continue;
    if (level == "..") {
      if (canonical.size() == base) return "its \"..\" leads above the root of the drive";
      canonical.erase(canonical.find_last_of('\\', canonical.size() - 2) + 1);
      continue;
    }
    for (char c : level)
      if (IsBadNameChar(static_cast<unsigned char>(c)))
        return Concat({"it holds the character '", std::string_view(&c, 1),
                       "', which no folder name may hold"});
    while (HasTrailingDotOrBlank(level)) level.remove_suffix(1);
    if (level.find_first_not_of(' ') == std::string_view::npos)
      return "one of its levels consists of dots and blanks only";
    if (IsDeviceName(level))
      return Concat({"\"", level, "\" is the name of a device, which no folder may have"});
    canonical.append(level).push_back('\\');
  }
  if (canonical.size() == base) return "it is the root of a drive or share";
  canonical.pop_back();
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

bool SameName(std::string_view a, std::string_view b) { return SameTextIgnoreCase(a, b); }
