#include "engine/EngineState.h"

#include "common/CompressionManager.h"
#include "lang/Texts.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "script/infreader.h"
#include "shell/ShellInstallLib.h"
#include "uninstall_log/UninstallLog.h"

std::string ProductTitle = "product";
std::string ProductId = "product";
int InstallScope = AllUsers;
bool ScopeChoice = false;
std::string LanguageOption;
uint32_t StartColor = 8347213;
uint32_t EndColor = 2365465;
const uint8_t GradientBands = 255;
int32_t PageIndex = 0;
std::string ImageName;
std::string InstallDir;
int64_t InstallSize = 0;
int64_t FreeSpace = 0;
bool Extracting = false;
bool Aborting = false;
bool CloseConfirmed = false;

std::unique_ptr<TCompressionManager> PackageReader;
std::unique_ptr<TINFReader> ScriptReader;
std::unique_ptr<TLogFile> LogFile;
TWizardForm* WizardForm = nullptr;
TMainForm* MainForm = nullptr;

int64_t GetFreeSpace(const std::string& path) {
  int drive = 0;  // the current drive
  if (path.size() > 2 && path[1] == ':') {
    char c = path[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    drive = c - 'A' + 1;
  }
  return Platform().DiskFree(drive);
}

bool ScriptHas(const char* section) { return ScriptReader && ScriptReader->SectionExists(section); }

std::string ScriptValue(const char* section) { return ScriptReader->GetValue(section); }

std::vector<std::string> ScriptLines(const char* section) {
  if (!ScriptReader) return {};
  std::unique_ptr<std::vector<std::string>> lines = ScriptReader->GetSection(section);
  return lines ? std::move(*lines) : std::vector<std::string>();
}

std::string KiBText(int64_t bytes) {
  std::string text = DecimalText(bytes / 1024);
  text += " kb";
  return text;
}

std::string KiBTextShown(int64_t bytes) {
  if (EnglishChosen()) return KiBText(bytes);
  return Tr(TText::KiloBytes, {Platform().FormatNumber(bytes / 1024, CurrentLanguage())});
}

std::string InstallPath(std::string_view relative) {
  std::string path = AddTrailingBackslash(InstallDir);
  path.append(relative);
  return path;
}

void ResetEngineState() {
  LanguageOption.clear();
  SetLanguage("en");
  ProductTitle = "product";
  ProductId = "product";
  InstallScope = AllUsers;
  ScopeChoice = false;
  StartColor = 8347213;
  EndColor = 2365465;
  PageIndex = 0;
  ImageName.clear();
  InstallDir.clear();
  InstallSize = 0;
  FreeSpace = 0;
  Extracting = false;
  Aborting = false;
  CloseConfirmed = false;
  LogFile.reset();
  ScriptReader.reset();
  PackageReader.reset();
  WizardForm = nullptr;
  MainForm = nullptr;
}
