// Start-up: texts, check boxes, colours, sizes and damaged packages.
#include <zlib.h>

#include <set>

#include "EngineFixture.h"
#include "common/PackageFormat.h"
#include "shell/ProductLock.h"

namespace {
const char* kMinimal = "[files]\r\napp;app.exe\r\n\r\n[group icons]\r\nApp;app.exe\r\n";
}

TEST_F(EngineTest, MinimalScriptUsesProductAndLeavesOptionalPartsOff) {
  Start(kMinimal, {{"app", "program"}});
  EXPECT_EQ(ProductTitle, "product");
  EXPECT_EQ(form->Form.Caption(), "product");
  EXPECT_EQ(W().Form.Caption(), "product");
  EXPECT_EQ(W().lblInfo.Caption(),
            "Welcome to product setup!\r\rThis program will install product on your computer."
            "\r\rWe recommend that you close down all other running programs before proceeding "
            "with this installation.\r\rTo proceed, press the \"Next\" button.");
  EXPECT_EQ(W().lblWhereToInstall.Caption(),
            "Please select the location where you would like to install product, then press Next.");
  EXPECT_EQ(W().edtLocation.Text(), "C:\\Program Files\\");
  EXPECT_TRUE(W().btnBrowse.Enabled());
  EXPECT_EQ(W().lblLicenseAgree.Caption(), "");
  EXPECT_FALSE(W().chkDesktopIcon.Visible());
  EXPECT_FALSE(W().chkDesktopIcon.Checked());
  EXPECT_FALSE(W().chkLaunchNow.Visible());
  EXPECT_FALSE(W().chkLaunchNow.Checked());
  EXPECT_EQ(W().lblComplete.Caption(), "Installation of product has successfully completed.\r\r");
  for (TPanel* p : {&W().pnlImgInfo, &W().pnlImgLocation, &W().pnlImgInstalling,
                    &W().pnlImgCompleting, &W().pnlImgComplete})
    EXPECT_FALSE(p->Visible()) << p->Name;
  EXPECT_EQ(W().lblInstallingFile.Caption(), "Installing files...");
  EXPECT_EQ(W().lblTotalProgress.Caption(), "Installing files...");
  EXPECT_EQ(W().lblCompleting.Caption(), "Creating program groups...");
  // The state the wizard is shown in.
  EXPECT_EQ(PageIndex, 0);
  EXPECT_EQ(W().WizardPages.ActivePageIndex(), 0);
  EXPECT_FALSE(W().WizardPages.TabsVisible());
  EXPECT_FALSE(W().btnPrevious.Visible());
  EXPECT_FALSE(W().btnFinish.Visible());
  EXPECT_FALSE(W().btnPrint.Visible());
  EXPECT_TRUE(W().btnNext.Visible());
  EXPECT_TRUE(W().btnCancel.Visible());
  EXPECT_FALSE(W().SpaceTimer.Enabled());
  EXPECT_TRUE(InstallDir.empty());
  EXPECT_EQ(LogFile, nullptr);
}

TEST_F(EngineTest, FullScriptFillsEveryOptionalPart) {
  Start(
      "[title]\r\nTool\r\n\r\n[defaultdir]\r\nVendor\\Tool\r\n\r\n[license]\r\nlic\\About."
      "txt\r\n\r\n"
      "[files]\r\napp;app.exe\r\n\r\n[group icons]\r\nApp;app.exe\r\n\r\n"
      "[desktop icons]\r\nApp;app.exe\r\n\r\n[launch]\r\napp.exe\r\n\r\n[image]\r\nside.bmp\r\n",
      {{"app", "program"}, {"lic\\About.txt", "Licence terms"}, {"side.bmp", "BMimage"}});
  EXPECT_EQ(ProductTitle, "Tool");
  EXPECT_EQ(form->Form.Caption(), "Tool");
  EXPECT_EQ(W().Form.Caption(), "Tool");
  EXPECT_EQ(W().rchLicense.Lines(), "Licence terms");
  EXPECT_EQ(W().lblLicenseAgree.Caption(),
            "If you agree to the terms of this license, press \"Yes\" to continue installation. "
            "Otherwise, press \"No\" to cancel the installation.");
  EXPECT_EQ(W().edtLocation.Text(), "C:\\Program Files\\Vendor\\Tool");
  EXPECT_TRUE(W().chkDesktopIcon.Visible() && W().chkDesktopIcon.Checked());
  EXPECT_TRUE(W().chkLaunchNow.Visible() && W().chkLaunchNow.Checked());
  EXPECT_EQ(W().lblComplete.Caption(),
            "Installation of Tool has successfully completed.\r\rYou may now run Tool.\r\r"
            "Please choose if you want a desktop shortcut created.");
  EXPECT_EQ(ImageName, "side.bmp");
  for (TImage* i :
       {&W().imgInfo, &W().imgLocation, &W().imgInstalling, &W().imgCompleting, &W().imgComplete})
    EXPECT_EQ(i->Bitmap(), "BMimage") << i->Name;
  EXPECT_TRUE(W().pnlImgInfo.Visible());
}

TEST_F(EngineTest, ProgramFilesDirMissingLeavesOnlyTheDefaultDir) {
  plat.RegDeleteTree(TRegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  Start(std::string("[defaultdir]\r\nTool\r\n\r\n") + kMinimal, {{"app", "x"}});
  EXPECT_EQ(W().edtLocation.Text(), "Tool");
}

TEST_F(EngineTest, BrowseButtonDisabledOnlyByDisableInAnyCase) {
  for (auto [value, enabled] : std::vector<std::pair<std::string, bool>>{{"disable", false},
                                                                         {"Disable", false},
                                                                         {"DISABLE", false},
                                                                         {" DISABLE", true},
                                                                         {"NO", true}}) {
    form.reset();
    ResetEngineState();
    Start("[browse button]\r\n" + value + "\r\n\r\n" + kMinimal, {{"app", "x"}});
    EXPECT_EQ(W().btnBrowse.Enabled(), enabled) << value;
  }
}

TEST_F(EngineTest, CompletionTextFollowsEachCheckBox) {
  Start(std::string("[launch]\r\napp.exe\r\n\r\n") + kMinimal, {{"app", "x"}});
  EXPECT_EQ(W().lblComplete.Caption(),
            "Installation of product has successfully completed.\r\rYou may now run product.\r\r");
  EXPECT_FALSE(W().chkDesktopIcon.Visible());
  form.reset();
  ResetEngineState();
  Start(std::string("[desktop icons]\r\nApp;app.exe\r\n\r\n") + kMinimal, {{"app", "x"}});
  EXPECT_EQ(W().lblComplete.Caption(),
            "Installation of product has successfully completed.\r\r"
            "Please choose if you want a desktop shortcut created.");
  EXPECT_FALSE(W().chkLaunchNow.Visible());
}

TEST_F(EngineTest, ScriptIntegers) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  };
  for (const Case& c : std::vector<Case>{{"0", true, 0},
                                         {"16777215", true, 16777215},
                                         {"  42", true, 42},
                                         {"-7", true, -7},
                                         {"$FF0000", true, 0xFF0000},
                                         {"0x00ff00", true, 0xFF00},
                                         {"0XA", true, 10},
                                         {"$FFFFFFFF", true, -1},
                                         {"2147483647", true, 2147483647},
                                         {"-2147483648", true, INT32_MIN},
                                         {"2147483648", false, 0},
                                         {"$100000000", false, 0},
                                         {"abc", false, 0},
                                         {"12 ", false, 0},
                                         {"", false, 0},
                                         {"$", false, 0},
                                         {"0x", false, 0},
                                         {"1e3", false, 0}}) {
    int32_t v = 12345;
    EXPECT_EQ(ParseScriptInteger(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 12345) << c.text;
  }
}

TEST_F(EngineTest, ColoursConvertOrKeepTheBuiltInOnes) {
  Start(std::string(
            "[background start color]\r\n0\r\n\r\n[background end color]\r\n16777215\r\n\r\n") +
            kMinimal,
        {{"app", "x"}});
  EXPECT_EQ(StartColor, 0u);
  EXPECT_EQ(EndColor, 16777215u);
  form.reset();
  ResetEngineState();
  Start(std::string(
            "[background start color]\r\nabc\r\n\r\n[background end color]\r\n $FF0000\r\n\r\n") +
            kMinimal,
        {{"app", "x"}});
  EXPECT_EQ(StartColor, 8347213u);
  EXPECT_EQ(EndColor, 0xFF0000u);  // pure blue, 0x00BBGGRR
}

TEST_F(EngineTest, InstallSizeAddsFourKilobytesPerLineAndATenth) {
  Start(std::string("[files]\r\na;a\r\nb;b\r\n\r\n"),
        {{"a", std::string(1000, 'a')}, {"b", std::string(3000, 'b')}});
  EXPECT_EQ(InstallSize, 13411);
  EXPECT_EQ(W().lblSpaceRequired.Caption(), "13 kb");

  form.reset();
  ResetEngineState();
  Start("[files]\r\nempty;e\r\n\r\n", {{"empty", ""}});
  EXPECT_EQ(InstallSize, 4505);
  EXPECT_EQ(W().lblSpaceRequired.Caption(), "4 kb");

  form.reset();
  ResetEngineState();
  Start("[files]\r\n#\r\n\r\n");  // a blank line names no entry: -1 + 4096
  EXPECT_EQ(InstallSize, 4095 * 11 / 10);

  form.reset();
  ResetEngineState();
  Start("[files]\r\n\r\n");
  EXPECT_EQ(InstallSize, 0);
  EXPECT_EQ(W().lblSpaceRequired.Caption(), "0 kb");
}

TEST_F(EngineTest, InstallSizeIsSummedIn64Bits) {
  // Three headers that claim almost 2 GiB each, behind a real install.inf.
  std::string script = "[files]\r\nbig1;1\r\nbig2;2\r\nbig3;3\r\n";
  uLongf packedSize = compressBound(static_cast<uLong>(script.size()));
  std::string packed(packedSize, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(script.data()),
                      static_cast<uLong>(script.size()), 9),
            Z_OK);
  packed.resize(packedSize);
  std::string host = "MZ host image";
  std::string bytes = host;
  auto header = [&](const std::string& name, uint32_t unpacked, uint32_t packedLen) {
    uint8_t h[kEntryHeaderSize];
    uint32_t offset = static_cast<uint32_t>(bytes.size() - host.size() + kEntryHeaderSize);
    EncodeEntryHeader(MakeEntryHeader(name, offset, unpacked, packedLen), h);
    bytes.append(reinterpret_cast<char*>(h), kEntryHeaderSize);
  };
  header("install.inf", static_cast<uint32_t>(script.size()), static_cast<uint32_t>(packed.size()));
  bytes += packed;
  for (const char* name : {"big1", "big2", "big3"}) header(name, 0x7FFFFFFF, 0);
  uint8_t trailer[4];
  PutU32(trailer, static_cast<uint32_t>(host.size()));
  bytes.append(reinterpret_cast<char*>(trailer), 4);
  plat.WriteFileText("C:\\setup.exe", bytes);

  form = std::make_unique<TMainForm>();
  form->FormCreate();
  EXPECT_EQ(InstallSize, (3 * (int64_t{0x7FFFFFFF} + 4096)) * 11 / 10);
  EXPECT_EQ(W().lblSpaceRequired.Caption(), std::to_string(InstallSize / 1024) + " kb");
  EXPECT_TRUE(W().lblInsufficientDiskSpace.Visible());
}

TEST_F(EngineTest, GetTotlaInstallSizeWithoutAReaderIsAnAssertion) {
  TMainForm f;
  try {
    f.GetTotlaInstallSize();
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Module, "MainFormUnit");
    EXPECT_EQ(e.Line, 126);
    EXPECT_NE(std::string(e.what()).find("Compression not instantiated"), std::string::npos);
  }
}

// A damaged package stops start-up with one clear error, before any window
// is shown and before anything is written.
TEST_F(EngineTest, DamagedPackagesStopStartUp) {
  auto expectDamaged = [&](const std::string& why) {
    form = std::make_unique<TMainForm>();
    try {
      form->FormCreate();
      ADD_FAILURE() << "no error for: " << why;
    } catch (const ESetupDamaged& e) {
      std::string message = e.what();
      EXPECT_EQ(message.rfind("The installer is damaged or incomplete", 0), 0u) << message;
      EXPECT_NE(message.find(why), std::string::npos) << message;
    }
    EXPECT_FALSE(form->Form.Visible());
    EXPECT_TRUE(plat.MessageBoxes.empty());
    EXPECT_FALSE(plat.Terminated());
    form.reset();
    ResetEngineState();
  };

  plat.ExeNameValue = "C:\\nowhere.exe";
  expectDamaged("cannot be opened");
  plat.ExeNameValue = "C:\\setup.exe";

  WriteSetup(kMinimal);
  std::string bytes = plat.ReadFileText("C:\\setup.exe");
  plat.WriteFileText("C:\\setup.exe", bytes.substr(0, 2));  // shorter than a trailer
  expectDamaged("install.inf");

  plat.DeleteFileAt("C:\\setup.exe");
  std::vector<TPackageItem> items{{"readme.txt", "", std::string("no script here")}};
  TPackageWriterOptions options;
  options.HostPath = "C:\\stub.bin";
  WritePackage("C:\\setup.exe", items, options);
  expectDamaged("install.inf");

  WriteSetup("[title]\r\nNo files\r\n\r\n[group icons]\r\nApp;app.exe\r\n");
  expectDamaged("[files]");

  WriteSetup(kMinimal);
  Corrupt("install.inf");
  expectDamaged("install script cannot be read");

  WriteSetup(std::string("[license]\r\nlic.txt\r\n\r\n") + kMinimal,
             {{"lic.txt", Incompressible(5000)}, {"app", "A"}});
  Corrupt("lic.txt");
  expectDamaged("licence text (lic.txt) cannot be read");

  // Targets that would leave the installation folder: bwpack refuses them,
  // so such a script was not made by it.
  for (const char* files : {"a;..\\evil.exe", "a;C:\\Windows\\evil.exe", "a;\\evil.exe",
                            "a;sub\\.. \\..\\evil.exe", "a;x.txt:stream"}) {
    WriteSetup(std::string("[files]\r\n") + files + "\r\n\r\n[group icons]\r\n");
    expectDamaged("outside the installation folder ([files] line \"" + std::string(files));
  }
  WriteSetup("[files]\r\na;app.exe\r\n\r\n[directories]\r\nlogs\r\ndata;..\\..\\x\r\n\r\n");
  expectDamaged("\"..\\..\\x\" outside the installation folder ([directories] line");

  // Every entry the script names must be there: one flipped bit in a name
  // would otherwise install nothing for that line and report success.
  WriteSetup("[files]\r\nApp;app.exe\r\nhelp.chm;help.chm\r\n\r\n",
             {{"app", "A"}, {"help.cnm", "H"}});
  expectDamaged("lacks the entry \"help.chm\"");
  WriteSetup(std::string("[license]\r\nlic.txt\r\n\r\n") + kMinimal, {{"app", "A"}});
  expectDamaged("lacks the entry \"lic.txt\"");
  WriteSetup(std::string("[image]\r\nside.bmp\r\n\r\n") + kMinimal, {{"app", "A"}});
  expectDamaged("lacks the entry \"side.bmp\"");
  EXPECT_EQ(plat.ProgramsRun.size() + plat.ShellLinks.size(), 0u);
  EXPECT_FALSE(Exists("C:\\Program Files\\product"));
}

// Names are looked up as the run does (letter case ignored), and a blank
// [files] line names nothing.
TEST_F(EngineTest, EntriesFoundInAnyLetterCasePassTheCheck) {
  Start("[files]\r\nAPP;app.exe\r\n#\r\n\r\n[group icons]\r\n", {{"app", "A"}});
  EXPECT_EQ(form->Form.Caption(), "product");
}

// One installation of a product at a time: the second start-up stops before
// any window with the message, and holds nothing.
TEST_F(EngineTest, ASecondInstanceOfTheProductIsRefused) {
  Start(std::string("[title]\r\nHello\r\n\r\n") + kMinimal, {{"app", "A"}});
  EXPECT_EQ(plat.HeldLocks, std::set<std::string>{ProductLockName("Hello")});

  form.reset();
  ResetEngineState();
  plat.HeldLocks.clear();
  plat.LocksHeldElsewhere.insert(ProductLockName("HELLO"));
  form = std::make_unique<TMainForm>();
  try {
    form->FormCreate();
    ADD_FAILURE() << "a second instance started";
  } catch (const ESetupAlreadyRunning& e) {
    EXPECT_STREQ(e.what(), AlreadyRunningMessage("Hello").c_str());
  }
  EXPECT_FALSE(form->Form.Visible());
  EXPECT_TRUE(plat.HeldLocks.empty());
}

TEST(ProductLock, NamesAreGlobalCaseFoldedAndSafe) {
  EXPECT_EQ(ProductLockName("My App"), "Global\\Bundlewrighter.Product.my app");
  EXPECT_EQ(ProductLockName("MY APP"), ProductLockName("my app"));
  EXPECT_EQ(ProductLockName(""), ProductLockName("product"));
  EXPECT_EQ(ProductLockName("A\\B\tC"), "Global\\Bundlewrighter.Product.a_b_c");
  std::string a(300, 'x'), b = a;
  b.back() = 'y';
  EXPECT_NE(ProductLockName(a), ProductLockName(b));
  EXPECT_LT(ProductLockName(a).size(), 260u);
  EXPECT_EQ(AlreadyRunningMessage(""),
            "An installation of product is already running.\r\rPlease wait until it has "
            "finished, then try again.");
}
