// The entry in Windows' list of installed programs.
#include "common/CompressionManager.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "script/infreader.h"
#include "shell/ShellInstallLib.h"
#include "shell/ShortcutsLib.h"

namespace {

// The unpacked size of every [files] entry, in KiB rounded up.
uint32_t InstalledKiB() {
  uint64_t bytes = 0;
  for (const std::string& line : ScriptLines("files")) {
    std::string entry, target;
    TINFReader::SplitValue(line, entry, target);
    int64_t size = PackageReader->GetEntrySize(entry);
    if (size > 0) bytes += static_cast<uint64_t>(size);
  }
  uint64_t kib = (bytes + 1023) / 1024;
  return kib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(kib);
}

}  // namespace

void TMainForm::Register() {
  std::string command = UninstallCommand(InstallDir);
  if (!RegisterUninstaller(ProductId, Concat({ProductTitle, " (remove only)"}), command,
                           InstallScope))
    return;

  // The program the list shows the icon of: the one the installation starts,
  // when that is an installed file.
  std::string program = ScriptValue("launch");
  if (program.empty() || IsURL(program)) program = "uninstall.exe";
  // A missing section reads as empty, which registers nothing.
  RegisterUninstallDetails(ProductId,
                           {Concat({command, " /S"}), InstallDir, InstallPath(program),
                            ScriptValue("version"), ScriptValue("publisher"), InstalledKiB()},
                           InstallScope);
}
