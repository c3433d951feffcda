// Installation scope: for all users of the computer (Program Files, the
// all-users Start menu, HKEY_LOCAL_MACHINE; administrator's rights) or just
// for the current user (%LOCALAPPDATA%\Programs, the user's own Start menu,
// HKEY_CURRENT_USER; no elevation ever). Which one a run is, and the
// elevated copy a machine-wide run without the rights starts.
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/MainFormUnit.h"
#include "lang/Texts.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"

namespace {

enum class TScriptScope { Machine, User, Choice };

bool SameWord(const std::string& text, const char* word) {
  size_t b = text.find_first_not_of(' ');
  size_t e = text.find_last_not_of(' ');
  if (b == std::string::npos) return false;
  std::string_view t(text.data() + b, e - b + 1);
  size_t i = 0;
  for (; word[i]; ++i) {
    if (i >= t.size()) return false;
    char c = t[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return i == t.size();
}

bool Registered(int scope) {
  try {
    return !ReadRegistryString(RegistryRootOf(scope), Concat({UninstallKey, ProductId}),
                               "UninstallString")
                .empty();
  } catch (const ERegistryException&) {
    return true;  // a value of another type: something of that name is there
  }
}

const char* ScopeSwitch(int scope) { return scope == CurrentUser ? "/CURRENTUSER" : "/ALLUSERS"; }

}  // namespace

void TMainForm::ResolveScope() {
  // Checked before anything else: a wrong value would install somewhere the
  // script's author never meant.
  TScriptScope script = TScriptScope::Machine;
  if (ScriptHas("scope")) {
    std::string value = ScriptValue("scope");
    if (SameWord(value, "user"))
      script = TScriptScope::User;
    else if (SameWord(value, "choice"))
      script = TScriptScope::Choice;
    else if (!SameWord(value, "machine"))
      throw ESetupDamaged(
          Concat({"The installer is damaged or incomplete: its install script asks "
                  "for the unknown scope \"",
                  value, "\" (machine, user or choice)."}));
  }
  ScopeChoice = script == TScriptScope::Choice;
  int fixed = script == TScriptScope::User ? CurrentUser : AllUsers;
  if (!ScopeChoice) {
    if (RequestedScope >= 0 && RequestedScope != fixed)
      throw ESetupBadCommandLine(
          Concat({ScopeSwitch(RequestedScope), " cannot be used: this product installs ",
                  fixed == CurrentUser ? "just for the current user."
                                       : "for all users of this computer."}));
    InstallScope = fixed;
    return;
  }
  // With a choice: the command line's, else the scope it is installed in
  // already, else all users for an administrator and just the user for
  // anyone else.
  if (RequestedScope >= 0)
    InstallScope = RequestedScope;
  else if (Registered(AllUsers))
    InstallScope = AllUsers;
  else if (Registered(CurrentUser))
    InstallScope = CurrentUser;
  else
    InstallScope = Platform().IsAdministrator() ? AllUsers : CurrentUser;
}

void TMainForm::ChooseScope(int scope) {
  TWizardForm& w = *wizard_;
  InstallScope = scope == CurrentUser ? CurrentUser : AllUsers;
  w.rdoAllUsers.SetChecked(InstallScope == AllUsers);
  w.rdoJustMe.SetChecked(InstallScope == CurrentUser);
  // An upgrade goes where the product is; the folder is checked as any other.
  if (InstallScope == installedScope_ && !installedLocation_.empty())
    w.edtLocation.SetText(installedLocation_);
  else
    w.edtLocation.SetText(Concat(
        {AddTrailingBackslash(GetDefaultInstallRoot(InstallScope)), ScriptValue("defaultdir")}));
  w.UpdateDiskSpace();
}

int TMainForm::RunElevated(const std::string& folder, bool& declined) {
  // The same switches, the scope made explicit, and /D= last, since it
  // takes the rest of the line.
  // The elevated copy speaks the language this one has chosen (it would
  // choose English again by itself).
  std::string language =
      LanguageOption.empty() && EnglishChosen() ? "" : Concat({" /LANG=", CurrentLanguage()});
  std::string parameters =
      Concat({RelaunchSwitches, RelaunchSwitches.empty() ? "" : " ", ScopeSwitch(AllUsers),
              language, folder.empty() ? "" : " /D=", folder});
  RunLogLine(Concat({"Starting elevated: ", parameters}));
  // The elevated copy writes the run log, and takes the product's lock.
  std::string logName = RunLogFileName;
  if (!logName.empty()) RunLogClose();
  Platform().ReleaseNamedLock(ProductLockName(ProductId));
  int code = Platform().RunElevated(parameters, declined);
  if (!logName.empty()) RunLogResume(logName);
  if (declined)
    RunLogLine("Elevation declined: administrator's rights were not granted.");
  else
    RunLogLine(Concat({"Elevated run ended with exit code ", DecimalText(code)}));
  return code;
}

void TMainForm::ElevateFromWizard() {
  TWizardForm& w = *wizard_;
  w.SpaceTimer.SetEnabled(false);
  // Only the elevated copy shows itself meanwhile.
  w.Form.Hide();
  Form.Hide();
  bool declined = false;
  int code = RunElevated(w.edtLocation.Text(), declined);
  if (!declined) {
    elevatedExitCode_ = code;
    CloseConfirmed = true;
    Close();
    return;
  }
  Form.Show();
  w.Form.Show();
  if (!LockProduct(ProductId)) {
    RunLogError(AlreadyRunningMessage(ProductTitle, true));
    Platform().MessageBox(AlreadyRunningMessage(ProductTitle), ProductTitle,
                          mb::OK | mb::IconInformation);
    elevatedExitCode_ = ExitAlreadyRunning;
    CloseConfirmed = true;
    Close();
    return;
  }
  ShowText(Tr(TText::ElevationDeclinedMessage, {Tr(TText::InstallJustForMe)}),
           TrEnglish(TText::ElevationDeclinedMessage, {TrEnglish(TText::InstallJustForMe)}),
           TText::ElevationDeclinedCaption, mb::OK | mb::IconInformation);
  w.SpaceTimer.SetEnabled(true);
}
