// Loads arbitrary bytes as an install script and asks every question the
// system asks, plus questions about the headers the text itself holds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/infreader.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void Ask(const TINFReader& r, const std::string& name) {
  const int32_t i = r.FindSection(name);
  const auto n = static_cast<int32_t>(r.Lines().size());
  Check(i == -1 || (i >= 1 && i <= n));
  Check(r.SectionExists(name) == (i != -1 && i < n));
  const std::string value = r.GetValue(name);
  Check(r.SectionExists(name) ? value == r.Lines()[i] : value.empty());
  auto list = r.GetSection(name);
  Check((list == nullptr) == (i == -1));
  if (list) {
    Check(static_cast<int32_t>(list->size()) <= n - i);
    for (const std::string& line : *list) {
      std::string left, right;
      TINFReader::SplitValue(line, left, right);
      Check(line.find(';') == std::string::npos ? left.empty() && right == line
                                                : left + ";" + right == line);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const sections[] = {"title",
                                         "defaultdir",
                                         "license",
                                         "files",
                                         "directories",
                                         "program group",
                                         "group icons",
                                         "desktop icons",
                                         "launch",
                                         "image",
                                         "background start color",
                                         "background end color",
                                         "browse button",
                                         "run and wait"};
  TINFReader r;
  TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  r.LoadFromStream(stream);
  for (const char* s : sections) Ask(r, s);
  // Names taken from the text's own header-like lines.
  size_t asked = 0;
  for (const std::string& line : r.Lines()) {
    Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']' && asked++ < 16)
      Ask(r, line.substr(1, line.size() - 2));
  }
  return 0;
}
