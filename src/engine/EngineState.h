#pragma once
// The engine's shared state: plain process-wide variables, touched only from
// the user-interface thread, shared with the wizard dialog.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TCompressionManager;
class TINFReader;
class TWizardForm;
class TMainForm;
class TLogFile;

extern std::string ProductTitle;  // "product" until the script names one
// What makes two installations the same product: the script's [product id],
// else its title. It names the registration, the lock and the log's owner.
extern std::string ProductId;
// Whose installation this is: AllUsers or CurrentUser (FolderScope values).
extern int InstallScope;
// The script lets the person choose the scope ([scope] choice).
extern bool ScopeChoice;
extern uint32_t StartColor;  // 0x00BBGGRR, top of the background
extern uint32_t EndColor;    // 0x00BBGGRR, bottom of the background
extern const uint8_t GradientBands;
extern int32_t PageIndex;
extern std::string ImageName;
extern std::string InstallDir;
// Bytes needed. Summed in 64 bits so that large packages never look small.
extern int64_t InstallSize;
extern int64_t FreeSpace;
extern bool Extracting;
extern bool Aborting;
extern bool CloseConfirmed;
// The language /LANG= asked for (a carried tag), or empty to choose one.
extern std::string LanguageOption;

extern std::unique_ptr<TCompressionManager> PackageReader;
extern std::unique_ptr<TINFReader> ScriptReader;
extern std::unique_ptr<TLogFile> LogFile;
extern TWizardForm* WizardForm;  // owned by MainForm
extern TMainForm* MainForm;

// Free bytes on the drive of path ('d:\x' is drive D; anything else the
// current drive), or -1 when the drive cannot be queried.
int64_t GetFreeSpace(const std::string& path);

// The script's sections, named by literals at every call: one out-of-line
// call each instead of a string built at every caller.
bool ScriptHas(const char* section);                        // false without a script
std::string ScriptValue(const char* section);               // empty when missing
std::vector<std::string> ScriptLines(const char* section);  // empty when missing
// Bytes as whole KiB: "123 kb".
std::string KiBText(int64_t bytes);
// The same for the wizard: in the chosen language, with its digit grouping.
std::string KiBTextShown(int64_t bytes);
// A path inside the installation directory.
std::string InstallPath(std::string_view relative);

// Puts every item back to its initial value and releases the objects; for a
// fresh start in tests.
void ResetEngineState();
