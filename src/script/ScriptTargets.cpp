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
  for (const char* name : {"files", "directories"}) {
    auto lines = script.GetSection(name);
    if (!lines) continue;
    // A [files] line names its target on the right; a [directories] line
    // names a base folder on the left and a folder below it on the right.
    const bool directories = name[0] == 'd';
    for (const std::string& l : *lines) {
      std::string left, right;
      TINFReader::SplitValue(l, left, right);
      const std::string* outside = nullptr;
      if (directories && !StaysInside(left))
        outside = &left;
      else if (!StaysInside(right))
        outside = &right;
      if (!outside) continue;
      section = name;
      line = l;
      target = *outside;
      return true;
    }
  }
  return false;
}
