// Start-up: open the package, read the script, fill the wizard.
#include <exception>

#include "common/CompressionManager.h"
#include "engine/MainFormUnit.h"
#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "script/ScriptTargets.h"
#include "script/infreader.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"

namespace {

// The package cannot serve an installation: the message says why.
[[noreturn]] void Damaged(std::initializer_list<std::string_view> why) {
  std::string text = "The installer is damaged or incomplete";
  for (std::string_view piece : why) text.append(piece);
  throw ESetupDamaged(text);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDisable(const std::string& s) {
  static const char kDisable[] = "DISABLE";
  if (s.size() != sizeof kDisable - 1) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kDisable[i]) return false;
  }
  return true;
}

// An entry that start-up needs in memory; a damaged one makes the installer
// damaged, reported before anything is shown.
std::unique_ptr<TMemoryStream> ExtractNeeded(const std::string& name, const char* what) {
  try {
    return PackageReader->ExtractToStream(name);
  } catch (const std::exception& e) {
    Damaged({": its ", what, " (", name, ") cannot be read.\r\r", e.what()});
  }
}

void ReadColor(const char* section, uint32_t& color) {
  if (!ScriptHas(section)) return;
  int32_t parsed;
  if (ParseScriptInteger(ScriptValue(section), parsed)) color = static_cast<uint32_t>(parsed);
}

// A script that would write outside the installation folder was not made by
// bwpack: the installer is treated as damaged before anything is written.
void CheckTargetsStayInside() {
  std::string section, line, target;
  const char* why = "";
  if (FindTargetOutside(*ScriptReader, section, line, target, &why))
    Damaged({": its install script places \"", target, "\" outside the installation folder ([",
             section, "] line \"", line, "\"): ", why, "."});
}

// The licence entry: [license.xx] for the language chosen, else [license].
std::string LicenseEntry() {
  std::string own = Concat({"license.", CurrentLanguage()});
  if (ScriptReader->SectionExists(own)) return ScriptReader->GetValue(own);
  return ScriptValue("license");
}

}  // namespace

bool ParseScriptInteger(const std::string& text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return false;
  uint64_t n = 0;
  for (; i < text.size(); ++i) {
    int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return false;
    n = n * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    // Hexadecimal takes any 32-bit pattern; decimal must fit a signed value.
    if (n > (hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull))) return false;
  }
  uint32_t bits = static_cast<uint32_t>(n);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

void TMainForm::FormCreate() {
  // Everything that can show the package unusable is checked before any
  // window opens and before anything is written.
  try {
    PackageReader = std::make_unique<TCompressionManager>(Platform().ExeName(), false, true, true);
  } catch (const std::exception& e) {
    Damaged({": its package cannot be opened.\r\r", e.what()});
  }

  TWizardForm& w = CreateWizard();

  const std::string inf = "install.inf";
  if (PackageReader->FindEntry(inf) < 0)
    Damaged({": its package holds no install script (install.inf)."});
  ScriptReader = std::make_unique<TINFReader>();
  try {
    std::unique_ptr<TMemoryStream> script = PackageReader->ExtractToStream(inf);
    ScriptReader->LoadFromStream(*script);
  } catch (const std::exception& e) {
    Damaged({": its install script cannot be read.\r\r", e.what()});
  }
  if (!ScriptReader->GetSection("files")) Damaged({": its install script has no [files] section."});
  CheckTargetsStayInside();
  // An entry the script names but the package lacks would be skipped in the
  // middle of the run, and the installation reported as complete.
  for (const std::string& name : ScriptEntryNames(*ScriptReader))
    if (PackageReader->FindEntry(name) < 0)
      Damaged({": its package lacks the entry \"", name, "\"."});

  if (ScriptHas("title")) ProductTitle = ScriptValue("title");
  ProductId = ScriptValue("product id");
  if (ProductId.find_first_not_of(' ') == std::string::npos) ProductId = ProductTitle;
  // /LANG= wins; else the product's languages for the user's.
  SetLanguage(!LanguageOption.empty() ? LanguageOption
                                      : ChooseLanguage(OfferedLanguages(ScriptLines("languages")),
                                                       Platform().UserLanguages()));
  w.ApplyTexts();
  ResolveScope();
  // A machine-wide run needs an administrator's rights before it takes the
  // lock or writes anything; the wizard with a choice asks for them once the
  // person has chosen.
  if (InstallScope == AllUsers && !Platform().IsElevated() && (!ScopeChoice || SilentRequested)) {
    needsElevation_ = true;
    return;
  }
  if (!LockProduct(ProductId))
    throw ESetupAlreadyRunning(AlreadyRunningMessage(ProductTitle, true));
  ReadColor("background start color", StartColor);
  ReadColor("background end color", EndColor);

  Form.SetCaption(ProductTitle);
  w.Form.SetCaption(ProductTitle);

  w.WizardPages.SetTabsVisible(false);
  PageIndex = 0;
  w.WizardPages.SetActivePageIndex(0);

  const std::string& title = ProductTitle;
  w.lblInfo.SetCaption(Tr(TText::WelcomeText, {title}));

  if (ScriptHas("license")) {
    std::unique_ptr<TMemoryStream> text = ExtractNeeded(LicenseEntry(), "licence text");
    // Plain text as UTF-8 (from UTF-8, UTF-16 LE or ANSI); rich text as it is.
    w.rchLicense.SetLines(LicenceTextToUtf8(text->ReadToEnd()));
    w.lblLicenseAgree.SetCaption(Tr(TText::LicenseAgreeText));
  }

  w.lblWhereToInstall.SetCaption(Tr(TText::WhereToInstallText, {title}));

  w.rdoAllUsers.SetVisible(ScopeChoice);
  w.rdoJustMe.SetVisible(ScopeChoice);
  DetectInstalled();
  ChooseScope(InstallScope);

  // A run of this product that was cut short is undone first, wherever it
  // can be found before the person chooses anything.
  RecoverInterruptedRuns();

  InstallSize = GetTotlaInstallSize();
  w.lblSpaceRequired.SetCaption(KiBTextShown(InstallSize));
  w.UpdateDiskSpace();

  if (ScriptHas("browse button") && IsDisable(ScriptValue("browse button")))
    w.btnBrowse.SetEnabled(false);

  w.lblInstallingFile.SetCaption(Tr(TText::InstallingFiles));
  w.lblTotalProgress.SetCaption(Tr(TText::InstallingFiles));
  w.lblCompleting.SetCaption(Tr(TText::CreatingProgramGroups));

  w.chkDesktopIcon.SetVisible(ScriptHas("desktop icons"));
  w.chkDesktopIcon.SetChecked(w.chkDesktopIcon.Visible());
  w.chkLaunchNow.SetVisible(ScriptHas("launch"));
  w.chkLaunchNow.SetChecked(w.chkLaunchNow.Visible());

  bool launch = w.chkLaunchNow.Visible();
  w.lblComplete.SetCaption(
      Concat({Tr(TText::CompleteText, {title}), launch ? Tr(TText::CompleteRunText, {title}) : "",
              w.chkDesktopIcon.Visible() ? Tr(TText::CompleteDesktopText) : ""}));

  if (ScriptHas("image")) {
    ImageName = ScriptValue("image");
    std::unique_ptr<TMemoryStream> image = ExtractNeeded(ImageName, "side image");
    const std::string& bitmap = image->Data();
    for (TImage* img :
         {&w.imgInfo, &w.imgLocation, &w.imgInstalling, &w.imgCompleting, &w.imgComplete})
      img->SetBitmap(bitmap);
  } else {
    for (TPanel* panel : {&w.pnlImgInfo, &w.pnlImgLocation, &w.pnlImgInstalling,
                          &w.pnlImgCompleting, &w.pnlImgComplete})
      panel->Hide();
  }

  w.btnPrint.Hide();
  w.btnFinish.Hide();
  w.btnPrevious.Hide();
}

int64_t TMainForm::GetTotlaInstallSize() {
  if (!PackageReader)
    throw EAssertionFailed("Compression not instantiated before calling GetTotlaInstallSize()",
                           "MainFormUnit", 126);
  // In 64 bits, so that many large entries never wrap into a small size.
  int64_t sum = 0;
  for (const std::string& line : ScriptLines("files")) {
    std::string entry, target;
    TINFReader::SplitValue(line, entry, target);
    sum += int64_t{PackageReader->GetEntrySize(entry)} + 4096;
  }
  return sum * 11 / 10;
}
