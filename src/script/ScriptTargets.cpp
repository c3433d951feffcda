#include "script/ScriptTargets.h"

namespace {

// A component of dots and blanks only, with two dots or more: Windows drops
// trailing dots and blanks, so it climbs to the parent like "..".
bool ClimbsUp(const std::string& part) {
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
  size_t start = 0;
  for (;;) {
    size_t end = relativePath.find_first_of("\\/", start);
    std::string part = relativePath.substr(start, end == std::string::npos ? end : end - start);
    if (ClimbsUp(part)) return false;
    if (end == std::string::npos) return true;
    start = end + 1;
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
