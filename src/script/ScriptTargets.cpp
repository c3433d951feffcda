#include "script/ScriptTargets.h"

namespace {

// A component of dots and blanks only, with two dots or more: Windows drops
// trailing dots and blanks, so it climbs to the parent like "..".
bool ClimbsUp(std::string_view part) {
  size_t dots = 0;
  for (char c : part) {
    if (c == '.')
      ++dots;
    else if (c != ' ')
      return false;
  }
  return dots >= 2;
}

}  // namespace

bool StaysInside(const std::string& relativePath) {
  if (!relativePath.empty() && (relativePath[0] == '\\' || relativePath[0] == '/')) return false;
  if (relativePath.find(':') != std::string::npos) return false;
  std::string_view rest = relativePath;
  for (;;) {
    const size_t end = rest.find_first_of("\\/");
    if (ClimbsUp(rest.substr(0, end))) return false;
    if (end == std::string_view::npos) return true;
    rest.remove_prefix(end + 1);
  }
}

bool FindTargetOutside(const TINFReader& script, std::string& section, std::string& line,
                       std::string& target) {
  if (auto files = script.GetSection("files")) {
    for (const std::string& l : *files) {
      std::string entry, to;
      TINFReader::SplitValue(l, entry, to);
      if (!StaysInside(to)) {
        section = "files";
        line = l;
        target = to;
        return true;
      }
    }
  }
  if (auto dirs = script.GetSection("directories")) {
    for (const std::string& l : *dirs) {
      std::string base, sub;
      TINFReader::SplitValue(l, base, sub);
      for (const std::string* part : {&base, &sub}) {
        if (StaysInside(*part)) continue;
        section = "directories";
        line = l;
        target = *part;
        return true;
      }
    }
  }
  return false;
}
