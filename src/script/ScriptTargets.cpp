#include "script/ScriptTargets.h"

#include "platform/PathRules.h"

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

const char* TargetUnsafeBecause(const std::string& relativePath) {
  if (!relativePath.empty() && (relativePath[0] == '\\' || relativePath[0] == '/'))
    return "it is absolute";
  if (relativePath.find(':') != std::string::npos) return "it names a drive or a stream";
  std::string_view rest = relativePath;
  for (;;) {
    const size_t end = rest.find_first_of("\\/");
    std::string_view level = rest.substr(0, end);
    if (ClimbsUp(level)) return "it climbs out with \"..\"";
    if (level != "." && HasTrailingDotOrBlank(level))
      return "a level ends in a dot or a blank, which Windows drops";
    if (IsDeviceName(level)) return "a level is a device name (such as NUL or COM1)";
    if (end == std::string_view::npos) return nullptr;
    rest.remove_prefix(end + 1);
  }
}

bool FindTargetOutside(const TINFReader& script, std::string& section, std::string& line,
                       std::string& target, const char** why) {
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
      const char* reason = directories ? TargetUnsafeBecause(left) : nullptr;
      if (reason)
        outside = &left;
      else if ((reason = TargetUnsafeBecause(right)))
        outside = &right;
      if (!outside) continue;
      section = name;
      line = l;
      target = *outside;
      if (why) *why = reason;
      return true;
    }
  }
  return false;
}
