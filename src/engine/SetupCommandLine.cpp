#include "engine/SetupCommandLine.h"

#include "lang/Texts.h"
#include "platform/Concat.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsWithNoCase(const std::string& text, size_t at, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (at + i >= text.size()) return false;
    char c = text[at + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Past the program's own name: up to the closing quote when it starts with
// one, else up to the first blank (the system's rule for the first argument).
size_t SkipProgramName(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i < line.size() && line[i] == '"') {
    size_t close = line.find('"', i + 1);
    return close == std::string::npos ? line.size() : close + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) ++i;
  return i;
}

// The upgrade switches, which a copy started elevated is given as well.
struct TUpgradeSwitch {
  const char* Name;
  bool TUpgradeOptions::*Flag;
};
constexpr TUpgradeSwitch kUpgradeSwitches[] = {
    {"/ALLOWDOWNGRADE", &TUpgradeOptions::AllowDowngrade},
    {"/NOCLOSEAPPLICATIONS", &TUpgradeOptions::NoCloseApps},
    {"/FORCECLOSEAPPLICATIONS", &TUpgradeOptions::ForceCloseApps},
    {"/NORESTARTAPPLICATIONS", &TUpgradeOptions::NoRestartApps},
    {"/FORCERESTART", &TUpgradeOptions::ForceRestart},
};

bool UpgradeSwitch(const std::string& arg, TUpgradeOptions& options) {
  for (const TUpgradeSwitch& s : kUpgradeSwitches) {
    if (arg.size() != std::char_traits<char>::length(s.Name) || !StartsWithNoCase(arg, 0, s.Name))
      continue;
    options.*s.Flag = true;
    return true;
  }
  return false;
}

}  // namespace

bool ParseSetupCommandLine(const std::string& commandLine, TSetupOptions& options,
                           std::string& error) {
  options = TSetupOptions();
  error.clear();
  auto fail = [&error](std::string_view reason) {
    if (error.empty()) error = reason;
  };
  const std::string& s = commandLine;
  size_t i = SkipProgramName(s);
  bool logGiven = false, languageGiven = false;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) break;
    // /D= takes the rest of the line as it stands, blanks included.
    size_t d = s[i] == '"' ? i + 1 : i;
    if (StartsWithNoCase(s, d, "/D=")) {
      std::string dir;
      for (size_t k = d + 3; k < s.size(); ++k)
        if (s[k] != '"') dir += s[k];
      dir = Trim(dir);
      size_t again = 0;
      for (size_t k = 0; k + 3 <= dir.size(); ++k)
        if ((k == 0 || IsBlank(dir[k - 1])) && StartsWithNoCase(dir, k, "/D=")) again = k + 1;
      if (dir.empty())
        fail("/D= needs a folder.");
      else if (again)
        fail("/D= is given twice.");
      else
        options.TargetDir = dir;
      break;
    }
    std::string arg;
    bool quoted = false;
    for (; i < s.size() && (quoted || !IsBlank(s[i])); ++i) {
      if (s[i] == '"')
        quoted = !quoted;
      else
        arg += s[i];
    }
    if (StartsWithNoCase(arg, 0, "/S") && arg.size() == 2) {
      options.Silent = true;
    } else if (StartsWithNoCase(arg, 0, "/ALLUSERS") && arg.size() == 9) {
      options.AllUsers = true;
    } else if (StartsWithNoCase(arg, 0, "/CURRENTUSER") && arg.size() == 12) {
      options.CurrentUser = true;
    } else if (UpgradeSwitch(arg, options.Upgrade)) {
    } else if (arg == "/?") {
      options.Help = true;
    } else if (StartsWithNoCase(arg, 0, "/LOG=")) {
      std::string file = Trim(arg.substr(5));
      if (logGiven)
        fail("/LOG= is given twice.");
      else if (file.empty())
        fail("/LOG= needs a file name.");
      else
        options.LogFile = file;
      logGiven = true;
    } else if (StartsWithNoCase(arg, 0, "/LANG=")) {
      std::string tag = Trim(arg.substr(6));
      options.Language = CarriedLanguage(tag);
      if (languageGiven)
        fail("/LANG= is given twice.");
      else if (options.Language.empty())
        fail(Concat({"The language \"", tag, "\" is not available."}));
      languageGiven = true;
    } else {
      fail(Concat({"Unknown argument: ", arg}));
    }
  }
  if (options.AllUsers && options.CurrentUser)
    fail("/ALLUSERS and /CURRENTUSER cannot be given together.");
  if (options.Upgrade.NoCloseApps && options.Upgrade.ForceCloseApps)
    fail("/NOCLOSEAPPLICATIONS and /FORCECLOSEAPPLICATIONS cannot be given together.");
  return error.empty();
}

std::string RelaunchSwitches(const TSetupOptions& options) {
  std::string s = options.Silent ? "/S" : "";
  if (!options.LogFile.empty()) {
    // Quoted whole, so that blanks stay in the name; a name never holds a quote.
    s += Concat({s.empty() ? "" : " ", "\"/LOG=", options.LogFile, "\""});
  }
  for (const TUpgradeSwitch& u : kUpgradeSwitches)
    if (options.Upgrade.*u.Flag) s += Concat({s.empty() ? "" : " ", u.Name});
  return s;
}

std::string ShownCommandLineError(const std::string& error) {
  return Translated(error, {TText::ArgNeedsFolder, TText::ArgGivenTwice, TText::ArgNeedsFileName,
                            TText::LanguageUnavailable, TText::UnknownArgument,
                            TText::ScopesTogether, TText::ScopeFixedUser, TText::ScopeFixedAll,
                            TText::LogFileUnwritable, TText::CloseSwitchesTogether});
}

std::string SetupUsage(bool english) {
  std::string tags;
  for (const std::string& tag : LanguageTags()) tags += tags.empty() ? tag : Concat({", ", tag});
  return english ? TrEnglish(TText::UsageText, {tags}) : Tr(TText::UsageText, {tags});
}
