#pragma once
// A fresh engine on the platform test double: a real package written with the
// package writer behind a small host image as the installer's own exe
// (C:\setup.exe), program files in C:\Program Files, the all-users Start menu
// in C:\Menu and the desktop in C:\Desktop.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/CompressionManager.h"
#include "common/PackageWriter.h"
#include "engine/MainFormUnit.h"
#include "platform/testing/TestPlatform.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

using TEntries = std::vector<std::pair<std::string, std::string>>;

// Records every change of the watched controls, as "name=value" lines.
class TRecorder : public TControlObserver {
 public:
  std::vector<std::string> Events;
  void Watch(TControl& c) { c.Observer = this; }
  void ControlChanged(TControl& c) override {
    const std::string name = c.Name;
    if (name.rfind("prg", 0) == 0) {  // the progress bars (the Windows build has no RTTI)
      auto& bar = static_cast<TProgressBar&>(c);
      Events.push_back(name + "=" + std::to_string(bar.Min()) + ".." +
                       std::to_string(bar.Max()) + "@" + std::to_string(bar.Position()));
    } else {
      Events.push_back(name + "=" + c.Caption());
    }
  }
};

// Bytes that do not compress, so that an entry spans several input chunks.
inline std::string Incompressible(size_t size, unsigned seed = 1) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// The test double, with a hook before every file is opened (to make one fail)
// and one that may wrap the opened stream (to watch or fail its writes).
class TEnginePlatform : public TTestPlatform {
 public:
  std::function<void(const std::string&, TFileMode)> OnOpenFile;
  std::function<std::unique_ptr<TFileStream>(std::unique_ptr<TFileStream>, const std::string&)>
      WrapFile;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, TFileMode mode) override {
    if (OnOpenFile) OnOpenFile(path, mode);
    auto file = TTestPlatform::OpenFile(path, mode);
    return WrapFile ? WrapFile(std::move(file), path) : std::move(file);
  }
};

class EngineTest : public ::testing::Test {
 protected:
  TEnginePlatform plat;
  std::unique_ptr<TMainForm> form;
  TPackageWriteResult package;

  void SetUp() override {
    ResetEngineState();
    SetPlatform(&plat);
    plat.SetFreeSpace('C', int64_t{1} << 30);
    plat.SetRegValue(TRegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                     "ProgramFilesDir", TTestPlatform::TRegType::String, "C:\\Program Files");
    const char* folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    plat.SetRegValue(TRegRoot::LocalMachine, folders, "Common Programs",
                     TTestPlatform::TRegType::String, "C:\\Menu");
    plat.SetRegValue(TRegRoot::LocalMachine, folders, "Common Desktop",
                     TTestPlatform::TRegType::String, "C:\\Desktop");
    plat.ForceDirectories("C:\\Program Files");
    plat.ForceDirectories("C:\\Menu");
    plat.ForceDirectories("C:\\Desktop");
    plat.WriteFileText("C:\\stub.bin", "MZ host image");
  }

  void TearDown() override {
    form.reset();
    ResetEngineState();
    SetPlatform(nullptr);
  }

  // Writes C:\setup.exe with install.inf first, then the entries.
  void WriteSetup(const std::string& script, const TEntries& entries = {}) {
    std::vector<TPackageItem> items;
    items.push_back({"install.inf", "", script});
    for (const auto& [name, content] : entries) items.push_back({name, "", content});
    TPackageWriterOptions options;
    options.HostPath = "C:\\stub.bin";
    options.Threads = 1;
    package = WritePackage("C:\\setup.exe", items, options);
  }

  // Spoils the zlib stream of the named entry in the middle.
  void Corrupt(const std::string& name) {
    std::string bytes = plat.ReadFileText("C:\\setup.exe");
    for (const TPackageEntry& e : package.Entries) {
      if (e.GetName() != name) continue;
      size_t at = static_cast<size_t>(package.PackageStart) + e.DataOffset + e.PackedSize / 2;
      for (size_t i = 0; i < 16; ++i) bytes[at + i] = static_cast<char>(bytes[at + i] ^ 0x5A);
    }
    plat.WriteFileText("C:\\setup.exe", bytes);
  }

  // Writes the setup and runs start-up.
  void Start(const std::string& script, const TEntries& entries = {}) {
    WriteSetup(script, entries);
    form = std::make_unique<TMainForm>();
    form->FormCreate();
  }

  TWizardForm& W() { return form->Wizard(); }

  // On to the location page (if not there yet), with the given location.
  void GoToLocation(const std::string& location) {
    if (PageIndex == 0) W().btnNext.Click();
    if (PageIndex == 1) W().btnNext.Click();
    ASSERT_EQ(PageIndex, 2);
    W().edtLocation.SetText(location);
    W().UpdateDiskSpace();
  }

  // The log's records, without its banner.
  std::vector<std::string> LogRecords(const std::string& logFile) {
    std::string text = plat.ReadFileText(logFile);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
      lines.push_back(text.substr(start, p - start));
    EXPECT_GE(lines.size(), 13u);
    if (lines.size() >= 13) lines.erase(lines.begin(), lines.begin() + 13);
    return lines;
  }

  bool Exists(const std::string& path) {
    return plat.FileExists(path) || plat.DirectoryExists(path);
  }
};
