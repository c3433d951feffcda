#include "shell/ShortcutsLib.h"

#include <memory>

#include "common/RunLog.h"
#include "platform/Concat.h"
#include "platform/Platform.h"

namespace {
// Whether text starts with prefix (upper case), letter case ignored.
bool StartsWithUpper(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}
}  // namespace

bool IsURL(const std::string& text) {
  return StartsWithUpper(text, "HTTP://") || StartsWithUpper(text, "HTTPS://") ||
         StartsWithUpper(text, "FTP://");
}

bool WriteURLShortcut(const std::string& address, const std::string& fileName) {
  std::string content = Concat({"[InternetShortcut]\r\nURL=", address, "\r\n"});
  std::unique_ptr<TFileStream> file;
  try {
    file = Platform().OpenFile(fileName, TFileMode::Create);
    file->Write(content.data(), content.size());
    file->Close();
    return true;
  } catch (...) {
    // A half-written file stays; it is just not reported. Closing it may fail too.
    try {
      if (file) file->Close();
    } catch (...) {
    }
    return false;
  }
}

namespace {
void LogShortcut(const std::string& file, const std::string& target, bool made) {
  if (made)
    RunLogLine(Concat({"Shortcut: ", file, " -> ", target}));
  else
    RunLogError(Concat({"Cannot save the shortcut ", file}));
}
}  // namespace

void CreateShortcut(const std::string& LinkBase, const std::string& Target,
                    const std::string& WorkingDirectory, const std::string& Description,
                    int ShowCmd, std::string& CreatedFile) {
  CreatedFile.clear();
  const bool url = IsURL(Target);
  std::string name = Concat({LinkBase, url ? ".URL" : ".LNK"});
  // The platform raises when the link object cannot be made; that reaches the
  // caller. A link that cannot be saved just is not reported.
  const bool made =
      url ? WriteURLShortcut(Target, name)
          : Platform().SaveShellLink(name, Target, WorkingDirectory, Description, ShowCmd);
  if (made) CreatedFile = name;
  LogShortcut(name, Target, made);
}
