#include "shell/ShortcutsLib.h"

#include <memory>

#include "common/RunLog.h"
#include "platform/Concat.h"
#include "platform/Platform.h"

bool IsURL(const std::string& text) {
  std::string upper = text;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const char* prefix : {"HTTP://", "HTTPS://", "FTP://"})
    if (upper.starts_with(prefix)) return true;
  return false;
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
