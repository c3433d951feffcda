#include "lang/LanguageChoice.h"

#include <string_view>

#include "lang/Texts.h"

namespace {

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (out.find('_') != std::string::npos)
    for (char& c : out)
      if (c == '_') c = '-';
  return out;
}

std::string PrimaryOf(const std::string& tag) { return tag.substr(0, tag.find('-')); }

// A user's tag in the form the tables use: lower case, and Chinese by script.
std::string Normalised(std::string_view tag) {
  std::string t = Lowered(tag);
  if (PrimaryOf(t) != "zh") return t;
  if (t.starts_with("zh-hant")) return "zh-hant";
  if (t.starts_with("zh-hans")) return "zh-hans";
  for (const char* traditional : {"zh-tw", "zh-hk", "zh-mo"})
    if (t.starts_with(traditional)) return "zh-hant";
  return "zh-hans";
}

}  // namespace

std::string ChooseLanguage(const std::vector<std::string>& offered,
                           const std::vector<std::string>& userLanguages) {
  const std::vector<std::string> choices = offered.empty() ? LanguageTags() : offered;
  std::vector<std::string> wanted;
  for (const std::string& u : userLanguages)
    if (!u.empty()) wanted.push_back(Normalised(u));
  // The user's first language the product speaks in any form wins over a
  // later one it speaks exactly.
  for (const std::string& w : wanted) {
    for (const std::string& c : choices)
      if (Lowered(c) == w) return c;
    for (const std::string& c : choices)
      if (PrimaryOf(Lowered(c)) == PrimaryOf(w)) return c;
  }
  return offered.empty() ? std::string("en") : offered.front();
}

std::vector<std::string> OfferedLanguages(const std::vector<std::string>& lines) {
  std::vector<std::string> offered;
  for (const std::string& line : lines) {
    size_t b = line.find_first_not_of(" \t");
    size_t e = line.find_last_not_of(" \t");
    if (b == std::string::npos) continue;
    std::string tag = CarriedLanguage(std::string_view(line).substr(b, e - b + 1));
    if (tag.empty()) continue;
    bool seen = false;
    for (const std::string& o : offered) seen = seen || o == tag;
    if (!seen) offered.push_back(tag);
  }
  return offered;
}
