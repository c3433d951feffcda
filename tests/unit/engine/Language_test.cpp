// The language of a run: the product's [languages] for the user's, /LANG=,
// [license.xx], the record in the uninstall log, and a log that stays English.
#include "EngineFixture.h"
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/SetupCommandLine.h"
#include "engine/SetupProgram.h"
#include "lang/Texts.h"
#include "platform/PathRules.h"
#include "uninstaller/Uninstaller.h"

namespace {
const char* kScript =
    "[title]\r\nPolyglot\r\n\r\n[defaultdir]\r\nPolyglot\r\n\r\n[license]\r\nlic.txt\r\n\r\n"
    "[license.fr]\r\nlic-fr.txt\r\n\r\n[files]\r\na;a.exe\r\nu;uninstall.exe\r\n\r\n"
    "[launch]\r\na.exe\r\n\r\n";
}  // namespace

class LanguageTest : public EngineTest {
 protected:
  void TearDown() override {
    RunLogClose();
    EngineTest::TearDown();
  }
  TEntries Entries() {
    return {{"a", "A"}, {"u", "U"}, {"lic.txt", "Terms."}, {"lic-fr.txt", "Conditions."}};
  }
};

TEST_F(LanguageTest, ProductLanguagesOnAnEnglishSystemShowTheFirst) {
  plat.UserLanguagesValue = {"en-US"};
  Start(std::string(kScript) + "[languages]\r\nfr\r\nde\r\n", Entries());
  EXPECT_EQ(CurrentLanguage(), "fr");
  EXPECT_EQ(W().btnNext.Caption(), "&Suivant >");
  EXPECT_EQ(W().btnCancel.Caption(), "&Annuler");
  EXPECT_TRUE(W().lblInfo.Caption().starts_with("Bienvenue dans l’installation de Polyglot"));
  EXPECT_EQ(W().rchLicense.Lines(), "Conditions.");
}

TEST_F(LanguageTest, TheUsersLanguageAmongTheProductsAndEnglishOtherwise) {
  plat.UserLanguagesValue = {"de-AT"};
  Start(std::string(kScript) + "[languages]\r\nfr\r\nde\r\n", Entries());
  EXPECT_EQ(W().btnNext.Caption(), "&Weiter >");
  EXPECT_EQ(W().rchLicense.Lines(), "Terms.");  // no [license.de]: the [license] entry
  form.reset();
  ResetEngineState();
  plat.UserLanguagesValue = {"sv-SE"};
  Start(kScript, Entries());
  EXPECT_EQ(W().btnNext.Caption(), "&Next >>");
}

// /LANG=ja: a Japanese wizard and uninstaller, an English /LOG= file, and a
// log record only for a language other than English.
TEST_F(LanguageTest, LangSwitchReachesTheUninstallerThroughTheLog) {
  WriteSetup(kScript, Entries());
  plat.UserLanguagesValue = {"de-DE"};
  EXPECT_EQ(RunSetup("setup.exe /lang=xx", nullptr), ExitBadCommandLine);
  std::string next;
  auto wizard = [&](TMainForm& f) {
    next = f.Wizard().btnNext.Caption();
    return ExitCancelled;
  };
  EXPECT_EQ(RunSetup("setup.exe /LANG=JA /LOG=C:\\w.log", wizard), ExitCancelled);
  EXPECT_EQ(next, "次へ(&N) >");
  EXPECT_EQ(RunSetup("setup.exe /S /LANG=ja /LOG=C:\\s.log", nullptr), ExitInstalled);
  std::string log = plat.ReadFileText("C:\\s.log");
  EXPECT_NE(log.find("Mode: silent"), std::string::npos);
  for (unsigned char c : log.substr(3)) EXPECT_LT(c, 0x80) << log;  // past its UTF-8 mark

  const std::string dir = "C:\\Program Files\\Polyglot";
  std::vector<std::string> records = LogRecords(dir + "\\uninstall.log");
  EXPECT_NE(std::find(records.begin(), records.end(), "Language: ja"), records.end());

  ResetEngineState();
  plat.UserLanguagesValue = {"en-US"};
  plat.MessageBoxAnswers = {mb::IdYes};
  TUninstallResult r = RunUninstaller(dir + "\\uninstall.exe", false, {});
  ASSERT_GE(plat.MessageBoxes.size(), 2u);
  EXPECT_EQ(plat.MessageBoxes[plat.MessageBoxes.size() - 2].Text,
            "Polyglot とそのすべてのコンポーネントを完全に削除してもよろしいですか?");
  EXPECT_EQ(plat.MessageBoxes.back().Caption, "Polyglot のアンインストール");
  (void)r;
}

TEST_F(LanguageTest, EnglishInstallationsWriteNoLanguageRecord) {
  Start(kScript, Entries());
  EXPECT_EQ(form->RunSilent(""), ExitInstalled);
  for (const std::string& record : LogRecords("C:\\Program Files\\Polyglot\\uninstall.log"))
    EXPECT_FALSE(record.starts_with("Language:")) << record;
}

// The folder checks give their reasons in English, for the log; the wizard
// shows each in its language, what it names included. A reason whose
// wording drifts from its table would silently stay English.
TEST(FolderReasons, EveryReasonIsShownInTheWizardsLanguage) {
  SetLanguage("de");
  for (const char* typed : {"\\\\?\\C:\\App", "\\\\server", "App", "C:\\..\\..", "C:\\a<b",
                            "C:\\. .", "C:\\COM1", "C:\\"}) {
    std::string canonical;
    std::string why = CanonicalFolder(typed, canonical);
    ASSERT_FALSE(why.empty()) << typed;
    EXPECT_NE(ShownReason(why), why) << typed;
  }
  EXPECT_EQ(ShownReason("the drive Q: does not exist"), "das Laufwerk Q: ist nicht vorhanden");
  EXPECT_EQ(ShownReason("it holds the installation of another product, Foo, Bar"),
            "er enthält die Installation eines anderen Produkts, Foo, Bar");
  EXPECT_EQ(ShownReason("no such reason"), "no such reason");

  // So are the command line's complaints, shown above the /? text.
  SetLanguage("ru");
  for (const char* line :
       {"setup.exe /D=", "setup.exe /LOG=a /LOG=b", "setup.exe /LOG=", "setup.exe /LANG=xx",
        "setup.exe /FOO", "setup.exe /ALLUSERS /CURRENTUSER"}) {
    TSetupOptions options;
    std::string error;
    ASSERT_FALSE(ParseSetupCommandLine(line, options, error)) << line;
    EXPECT_NE(ShownCommandLineError(error), error) << line;
  }
  EXPECT_EQ(ShownCommandLineError(
                "/ALLUSERS cannot be used: this product installs just for the current user."),
            "/ALLUSERS нельзя использовать: этот продукт устанавливается только для текущего "
            "пользователя.");
  SetLanguage("en");
}
