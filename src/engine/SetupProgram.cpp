#include "engine/SetupProgram.h"

#include <exception>
#include <memory>

#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/MainFormUnit.h"
#include "engine/SetupCommandLine.h"
#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"

namespace {

constexpr unsigned kErrorFlags = mb::OK | mb::IconError;

// Lines of a CR LF text, one log line each.
void LogLines(const std::string& text) {
  size_t start = 0;
  std::string_view rest(text);
  for (size_t p; (p = rest.find("\r\n", start)) != std::string::npos; start = p + 2)
    RunLogLine(std::string(rest.substr(start, p - start)));
  RunLogLine(std::string(rest.substr(start)));
}

// An error that ends the program before the wizard: logged, and shown
// unless the run is silent.
int Fail(const TSetupOptions& options, const std::string& shown, const std::string& logged,
         const std::string& caption, unsigned flags, int code) {
  RunLogError(logged);
  if (!options.Silent) Platform().MessageBox(shown, caption, flags);
  return code;
}

// A command line the run cannot follow: logged in English, and shown in the
// language chosen above the /? text, unless the run is silent.
int BadCommandLine(const TSetupOptions& options, const std::string& error) {
  RunLogError("Bad command line", error);
  if (!options.Silent)
    Platform().MessageBox(Concat({ShownCommandLineError(error), "\r\n\r\n", SetupUsage()}),
                          Tr(TText::SetupErrorCaption), kErrorFlags);
  return ExitBadCommandLine;
}

int Checked(const TSetupOptions& options, const std::function<int(TMainForm&)>& runWizard) {
  if (options.Help) {
    // Asked for on purpose, so it is shown even with /S, unless a log takes it.
    if (RunLogActive())
      LogLines(SetupUsage(true));
    else
      Platform().MessageBox(SetupUsage(), Tr(TText::SetupCaption), mb::OK | mb::IconInformation);
    return ExitInstalled;
  }

  auto mainForm = std::make_unique<TMainForm>();
  mainForm->RequestedScope = options.AllUsers ? AllUsers : options.CurrentUser ? CurrentUser : -1;
  mainForm->SilentRequested = options.Silent;
  mainForm->RelaunchSwitches = RelaunchSwitches(options);
  mainForm->RunLogFileName = options.LogFile;
  mainForm->Upgrade = options.Upgrade;
  // Nothing is shown and nothing is written before the package has proved
  // usable; a damaged one gets one message (none with /S).
  try {
    mainForm->FormCreate();
  } catch (const ESetupAlreadyRunning& e) {
    return Fail(options, AlreadyRunningMessage(ProductTitle), e.what(), ProductTitle,
                mb::OK | mb::IconInformation, ExitAlreadyRunning);
  } catch (const ESetupBadCommandLine& e) {
    return BadCommandLine(options, e.what());
  } catch (const ESetupDamaged& e) {
    return Fail(options, e.what(), e.what(), Tr(TText::SetupErrorCaption), kErrorFlags,
                ExitDamaged);
  } catch (const std::exception& e) {
    return Fail(options, Tr(TText::InstallerDamaged, {e.what()}),
                TrEnglish(TText::InstallerDamaged, {e.what()}), Tr(TText::SetupErrorCaption),
                kErrorFlags, ExitDamaged);
  }
  RunLogLine(Concat({"Product: ", ProductTitle}));
  if (mainForm->NeedsElevation()) {
    // The elevated copy does the work and shows what there is to show; a
    // refusal leaves nothing written.
    bool declined = false;
    int code = mainForm->RunElevated(options.TargetDir, declined);
    return declined ? ExitCancelled : code;
  }
  if (InstallScope == CurrentUser) RunLogLine("Scope: current user");
  if (options.Silent) return mainForm->RunSilent(options.TargetDir);
  if (!options.TargetDir.empty()) {
    mainForm->Wizard().edtLocation.SetText(options.TargetDir);
    mainForm->Wizard().UpdateDiskSpace();
  }
  int code = runWizard(*mainForm);
  if (code == ExitCancelled) RunLogLine("Cancelled by the user.");
  return code;
}

}  // namespace

int RunSetup(const std::string& commandLine, const std::function<int(TMainForm&)>& runWizard) {
  TSetupOptions options;
  std::string error;
  bool valid = ParseSetupCommandLine(commandLine, options, error);
  if (!options.LogFile.empty()) {
    try {
      RunLogOpen(options.LogFile);
    } catch (const std::exception& e) {
      if (valid)
        error = Concat({"The log file \"", options.LogFile, "\" cannot be written: ", e.what()});
      valid = false;
    }
  }
  RunLogLine(Concat({"Command line: ", commandLine}));
  RunLogLine(options.Silent ? "Mode: silent" : "Mode: wizard");
  // Until the script can offer its own: /LANG=, else the user's language.
  LanguageOption = options.Language;
  SetLanguage(!LanguageOption.empty() ? LanguageOption
                                      : ChooseLanguage({}, Platform().UserLanguages()));

  int code;
  if (!valid) {
    code = BadCommandLine(options, error);
  } else {
    code = Checked(options, runWizard);
  }
  RunLogLine(Concat({"Exit code: ", DecimalText(code)}));
  RunLogClose();
  return code;
}
