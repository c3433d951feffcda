// Upgrades: the installed version and folder, the downgrade rule, closing the
// programs that use the files to be replaced, and replacing at the next start
// of the computer what they still hold.
#include "common/RunLog.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "script/infreader.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The next dotted part at i: its digits without leading zeros, then its text.
void NextPart(const std::string& v, size_t& i, std::string& digits, std::string& text) {
  size_t end = v.find('.', i);
  if (end == std::string::npos) end = v.size();
  size_t d = i;
  while (d < end && IsDigit(v[d])) ++d;
  size_t z = i;
  while (z < d && v[z] == '0') ++z;
  digits = v.substr(z, d - z);
  text = v.substr(d, end - d);
  i = end < v.size() ? end + 1 : end;
}

std::string Names(const std::vector<TAppInUse>& apps, const char* separator) {
  std::string names;
  for (const TAppInUse& a : apps) names = Concat({names, names.empty() ? "" : separator, a.Name});
  return names;
}

}  // namespace

int CompareVersions(const std::string& a, const std::string& b) {
  size_t i = 0, k = 0;
  std::string da, ta, db, tb;
  while (i < a.size() || k < b.size()) {
    NextPart(a, i, da, ta);
    NextPart(b, k, db, tb);
    // Without leading zeros, the longer number is the larger.
    if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
    if (int c = da.compare(db)) return c < 0 ? -1 : 1;
    if (int c = ta.compare(tb)) return c < 0 ? -1 : 1;
  }
  return 0;
}

void TMainForm::DetectInstalled() {
  std::string key = Concat({UninstallKey, ProductId});
  TRegRoot root = RegistryRootOf(InstallScope);
  try {
    if (ReadRegistryString(root, key, "UninstallString").empty()) return;
    installedVersion_ = ReadRegistryString(root, key, "DisplayVersion");
    installedLocation_ = ReadRegistryString(root, key, "InstallLocation");
  } catch (const ERegistryException&) {
    return;  // values of another type: not a registration this installer wrote
  }
  installedScope_ = InstallScope;
  std::string version = ScriptValue("version");
  RunLogLine(Concat({"Installed: version ", installedVersion_, " in ", installedLocation_}));
  std::string note = installedVersion_.empty() || version.empty()
                         ? Tr(TText::UpgradeInstalledNoVersion, {ProductTitle})
                         : Tr(TText::UpgradeInstalled, {ProductTitle, installedVersion_, version});
  // Before the last paragraph, which asks for Next.
  TControl& info = wizard_->lblInfo;
  std::string text = info.Caption();
  size_t last = text.rfind("\r\r");
  last = last == std::string::npos ? text.size() : last;
  info.SetCaption(Concat(
      {std::string_view(text).substr(0, last), "\r\r", note, std::string_view(text).substr(last)}));
}

bool TMainForm::IsDowngrade() const {
  std::string version = ScriptValue("version");
  return installedScope_ == InstallScope && !installedVersion_.empty() && !version.empty() &&
         CompareVersions(version, installedVersion_) < 0;
}

bool TMainForm::DowngradeConfirmed() {
  if (silent_ || !IsDowngrade()) return true;  // /S has decided already
  std::string text =
      Tr(TText::DowngradeQuestion, {ProductTitle, installedVersion_, ScriptValue("version")});
  // No is the default: an older version replaces newer files only on purpose.
  return Platform().MessageBox(text, Tr(TText::DowngradeCaption),
                               mb::YesNo | mb::IconExclamation | mb::DefButton2) == mb::IdYes;
}

void TMainForm::CloseAppsUsing(const std::vector<std::string>& lines) {
  TPlatform& p = Platform();
  std::vector<std::string> existing;
  for (const std::string& line : lines) {
    std::string entry, target;
    TINFReader::SplitValue(line, entry, target);
    std::string file = InstallPath(target);
    if (p.FileExists(file)) existing.push_back(file);
  }
  if (existing.empty()) return;
  std::vector<TAppInUse> apps;
  // Without the Restart Manager, files in use are replaced at the next start.
  if (!p.ListAppsUsing(existing, apps)) {
    RunLogLine("The Restart Manager cannot tell which programs use the files.");
    return;
  }
  if (apps.empty()) {
    p.EndAppsSession();
    return;
  }
  RunLogLine(Concat({"In use by: ", Names(apps, ", ")}));
  bool close = !Upgrade.NoCloseApps;
  if (close && !silent_)
    close = p.MessageBox(Tr(TText::AppsInUseQuestion, {Names(apps, "\r")}),
                         Tr(TText::AppsInUseCaption), mb::YesNo | mb::IconQuestion) == mb::IdYes;
  if (!close) {
    RunLogLine("The applications stay open.");
    p.EndAppsSession();
    return;
  }
  if (!p.CloseAppsInUse(Upgrade.ForceCloseApps))
    RunLogLine("Not every application closed: what they hold is replaced at the next start.");
  closedApps_.swap(apps);
}

void TMainForm::RestartClosedApps() {
  TPlatform& p = Platform();
  bool any = false;
  for (const TAppInUse& a : closedApps_) any = any || a.Restartable;
  if (!any || Upgrade.NoRestartApps) {
    p.EndAppsSession();
    closedApps_.clear();
    return;
  }
  // As the signed-in user, as [launch] starts its program, where the desktop
  // shell takes them; else as the Restart Manager restarts them.
  bool asUser = p.IsElevated();
  for (const TAppInUse& a : closedApps_) {
    if (!a.Restartable || !asUser) continue;
    asUser = !a.Program.empty() && p.ShellOpenAsUser(a.Program, {}, {}, 1);
    if (asUser) RunLogLine(Concat({"Program started: ", a.Program}));
  }
  if (asUser)
    p.EndAppsSession();
  else
    p.RestartClosedApps();
  closedApps_.clear();
}

std::string TMainForm::ReplacementAtRestart(const std::string& file, TText& why) {
  TPlatform& p = Platform();
  if (!fileInUse_) return {};
  // Only an administrator can leave work for the next start: the person
  // learns who holds the file, so that it can be closed.
  if (InstallScope == CurrentUser) {
    std::vector<TAppInUse> apps;
    if (p.ListAppsUsing({file}, apps) && !apps.empty()) {
      why = TText::FileHeldBy;
      heldBy_ = Names(apps, ", ");
    }
    p.EndAppsSession();
    return {};
  }
  std::string pending = Concat({file, ".bwnew"});
  // One still waiting from an earlier run gives way to this one.
  p.CancelMoveAtRestart(pending);
  p.DeleteFileAt(pending);
  LogFile->AddRecord(Concat({"Replace: ", file, ";", pending}));
  LogFile->Flush();
  return pending;
}

void TMainForm::OfferRestart() {
  TWizardForm& w = *wizard_;
  std::string_view text = w.lblComplete.Caption();
  while (text.ends_with('\r')) text.remove_suffix(1);  // no launch line: it ends in a break
  w.lblComplete.SetCaption(Concat({text, "\r\r", Tr(TText::RestartNeeded)}));
  // The program would run with some of its files still the old ones.
  w.chkLaunchNow.SetChecked(false);
  w.chkLaunchNow.Hide();
  w.rdoRestartLater.SetChecked(true);
  w.rdoRestartNow.Show();
  w.rdoRestartLater.Show();
}

void TMainForm::RestartIfChosen() {
  if (!restartNeeded_ || !(silent_ ? Upgrade.ForceRestart : wizard_->rdoRestartNow.Checked()))
    return;
  RunLogLine("Restarting the computer.");
  Platform().StartSystemProgram("shutdown.exe", "/r /t 0", 0);
}
