// The real registry under Wine: reads, the uninstall registration, the
// shell folders Wine provides. Every key made here is removed again.
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "platform/Platform.h"
#include "platform/win32/WinHeader.h"
#include "shell/ShellInstallLib.h"

namespace {

const char* const TestKey = "Software\\Bundlewrighter Tests\\seam";
const char* const Title = "BwTest seam";

class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (TRegRoot root : {TRegRoot::LocalMachine, TRegRoot::CurrentUser})
      Platform().RegDeleteTree(root, "Software\\Bundlewrighter Tests");
    Platform().RegDeleteTree(TRegRoot::LocalMachine, std::string(UninstallKey) + Title);
  }

  static void SetRaw(HKEY root, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, TestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // The value's type and its stored size in bytes.
  static std::pair<DWORD, DWORD> Stored(const std::string& key, const char* name) {
    DWORD type = 0, size = 0;
    LONG rc = RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                           nullptr, &size);
    return rc == ERROR_SUCCESS ? std::pair{type, size} : std::pair{DWORD(0), DWORD(0)};
  }
};

TEST_F(RegistryTest, StringValuesAsStored) {
  for (auto [root, rootKey] : {std::pair{TRegRoot::LocalMachine, HKEY_LOCAL_MACHINE},
                               std::pair{TRegRoot::CurrentUser, HKEY_CURRENT_USER}}) {
    SetRaw(rootKey, "Plain", REG_SZ, "C:\\Plain", 9);
    SetRaw(rootKey, "Expand", REG_EXPAND_SZ, "%WINDIR%\\x", 11);
    SetRaw(rootKey, "Cut", REG_SZ, "before\0after", 13);
    SetRaw(rootKey, "Empty", REG_SZ, "", 0);
    EXPECT_EQ(ReadRegistryString(root, TestKey, "Plain"), "C:\\Plain");
    EXPECT_EQ(ReadRegistryString(root, TestKey, "Expand"), "%WINDIR%\\x");  // not expanded
    EXPECT_EQ(ReadRegistryString(root, TestKey, "Cut"), "before");
    EXPECT_EQ(ReadRegistryString(root, TestKey, "Empty"), "");
    EXPECT_EQ(ReadRegistryString(root, TestKey, "Missing"), "");
    EXPECT_EQ(ReadRegistryString(root, std::string(TestKey) + "\\none", "Plain"), "");
  }
}

TEST_F(RegistryTest, NumberValueRaisesNamingIt) {
  DWORD number = 7;
  SetRaw(HKEY_CURRENT_USER, "Counter", REG_DWORD, &number, sizeof(number));
  try {
    ReadRegistryString(TRegRoot::CurrentUser, TestKey, "Counter");
    FAIL() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_NE(std::string(e.what()).find("Counter"), std::string::npos) << e.what();
  }
  // A value of zero length holds no text of any type: empty, no error.
  SetRaw(HKEY_CURRENT_USER, "Nothing", REG_BINARY, "", 0);
  EXPECT_EQ(ReadRegistryString(TRegRoot::CurrentUser, TestKey, "Nothing"), "");
}

TEST_F(RegistryTest, RegisterUninstallerWritesTwoStringsAndOverwrites) {
  const std::string key = std::string(UninstallKey) + Title;
  RegisterUninstaller(Title, "BwTest seam (remove only)", "C:\\Apps\\Tool\\\\uninstall.exe");
  EXPECT_EQ(ReadRegistryString(TRegRoot::LocalMachine, key, "DisplayName"),
            "BwTest seam (remove only)");
  EXPECT_EQ(ReadRegistryString(TRegRoot::LocalMachine, key, "UninstallString"),
            "C:\\Apps\\Tool\\\\uninstall.exe");
  // REG_SZ, with the terminating NUL counted.
  EXPECT_EQ(Stored(key, "DisplayName"), (std::pair<DWORD, DWORD>{REG_SZ, 26}));

  RegisterUninstaller(Title, "Second", "D:\\u.exe");
  EXPECT_EQ(ReadRegistryString(TRegRoot::LocalMachine, key, "DisplayName"), "Second");
  EXPECT_EQ(ReadRegistryString(TRegRoot::LocalMachine, key, "UninstallString"), "D:\\u.exe");
}

TEST_F(RegistryTest, TitleWithBackslashMakesNestedKey) {
  RegisterUninstaller(std::string(Title) + "\\Nested\\Deeper", "Nested", "x");
  EXPECT_EQ(
      ReadRegistryString(TRegRoot::LocalMachine,
                         std::string(UninstallKey) + Title + "\\Nested\\Deeper", "DisplayName"),
      "Nested");
  HKEY parent;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(UninstallKey) + Title).c_str(), 0,
                          KEY_READ, &parent),
            ERROR_SUCCESS);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, WineProvidesTheShellFolders) {
  EXPECT_FALSE(GetProgramFilesDir().empty());
  EXPECT_FALSE(GetProgramsFolder(AllUsers).empty());
  EXPECT_FALSE(GetDesktopFolder(AllUsers).empty());
  EXPECT_FALSE(GetProgramsFolder(CurrentUser).empty());
  EXPECT_EQ(GetProgramsFolder(5), "");
}

}  // namespace
