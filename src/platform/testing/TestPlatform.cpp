#include "platform/testing/TestPlatform.h"

#include <atomic>
#include <cctype>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "common/Errors.h"

namespace fs = std::filesystem;

namespace {
// Paths on drives that do not exist lead below this regular file, so nothing
// there can ever be found or created.
const char* const NoDrive = "~nodrive";

bool IsAbsolute(const std::string& p) {
  return (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) ||
         p.starts_with("\\\\") || p.starts_with("//");
}
}  // namespace

TTestPlatform::TTestPlatform() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::ostringstream name;
  name << "bw-test-" << std::hex << random() << "-" << counter++;
  FRoot = fs::temp_directory_path() / name.str();
  fs::create_directories(FRoot);
  std::ofstream(FRoot / NoDrive) << "no drive\n";
  AddDrive('C');
}

TTestPlatform::~TTestPlatform() {
  std::error_code ec;
  fs::remove_all(FRoot, ec);
}

void TTestPlatform::AddDrive(char letter) {
  letter = Upper(letter);
  FDrives.insert(letter);
  fs::create_directories(FRoot / std::string(1, letter));
}

std::string TTestPlatform::HostPath(const std::string& winPath) const {
  std::string path = winPath;
  for (char& c : path)
    if (c == '/') c = '\\';

  fs::path base;
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    char drive = Upper(path[0]);
    base = FDrives.count(drive) ? FRoot / std::string(1, drive)
                                : FRoot / NoDrive / std::string(1, drive);
    rest = path.substr(2);
  } else if (path.starts_with("\\\\")) {
    base = FRoot / "UNC";
    rest = path.substr(2);
  } else if (path.starts_with("\\")) {
    return HostPath(FCurrentDir.substr(0, 2) + path);  // root of the current drive
  } else if (path.empty() || !IsAbsolute(FCurrentDir)) {
    return (FRoot / NoDrive / "empty").string();
  } else {
    std::string dir = FCurrentDir;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return HostPath(dir + path);
  }

  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(rest);
  while (std::getline(in, part, '\\')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  for (const std::string& p : parts) base /= p;
  return base.string();
}

void TTestPlatform::WriteFileText(const std::string& winPath, const std::string& content) {
  fs::path host = HostPath(winPath);
  fs::create_directories(host.parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw Exception("Cannot write " + winPath);
}

std::string TTestPlatform::ReadFileText(const std::string& winPath) const {
  std::ifstream in(HostPath(winPath), std::ios::binary);
  if (!in) throw Exception("Cannot read " + winPath);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void TTestPlatform::SetFileInUse(const std::string& winPath, bool inUse) {
  if (inUse)
    FInUse.insert(Lower(HostPath(winPath)));
  else
    FInUse.erase(Lower(HostPath(winPath)));
}

bool TTestPlatform::FileInUse(const std::string& path) const {
  return FInUse.count(Lower(HostPath(path))) > 0;
}

std::unique_ptr<TFileStream> TTestPlatform::OpenFile(const std::string& path, TFileMode mode) {
  // ERROR_SHARING_VIOLATION, as Windows answers for a file open elsewhere.
  if (mode != TFileMode::OpenRead && FileInUse(path))
    throw EInOutError("Cannot open file " + path + ": in use", 32);
  return THostPlatform::OpenFile(HostPath(path), mode);
}

bool TTestPlatform::FileExists(const std::string& path) {
  return THostPlatform::FileExists(HostPath(path));
}

bool TTestPlatform::DirectoryExists(const std::string& path) {
  return THostPlatform::DirectoryExists(HostPath(path));
}

bool TTestPlatform::CreateDir(const std::string& path) {
  return THostPlatform::CreateDir(HostPath(path));
}

bool TTestPlatform::ForceDirectories(const std::string& path) {
  return THostPlatform::ForceDirectories(HostPath(path));
}

bool TTestPlatform::DeleteFileAt(const std::string& path) {
  if (FileInUse(path)) return false;
  return THostPlatform::DeleteFileAt(HostPath(path));
}

bool TTestPlatform::MoveFileTo(const std::string& from, const std::string& to) {
  if (FileInUse(from) || FileInUse(to)) return false;
  return THostPlatform::MoveFileTo(HostPath(from), HostPath(to));
}

bool TTestPlatform::FileReadOnly(const std::string& path) {
  return THostPlatform::FileReadOnly(HostPath(path));
}

bool TTestPlatform::HoldNamedLock(const std::string& name) {
  if (LocksHeldElsewhere.count(name)) return false;
  HeldLocks.insert(name);
  return true;
}

bool TTestPlatform::RemoveDir(const std::string& path) {
  // A drive's root is never removed, whatever a log says.
  fs::path host = HostPath(path);
  if (host.parent_path() == FRoot) return false;
  return THostPlatform::RemoveDir(host.string());
}

int64_t TTestPlatform::DiskFree(int drive) {
  char letter;
  if (drive == 0)
    letter = FCurrentDir.empty() ? '?' : Upper(FCurrentDir[0]);
  else if (drive >= 1 && drive <= 26)
    letter = static_cast<char>('A' + drive - 1);
  else
    return -1;
  auto it = FFreeSpace.find(letter);
  return it == FFreeSpace.end() ? -1 : it->second;
}

std::string TTestPlatform::Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string TTestPlatform::KeyOf(const std::string& key) {
  std::string k = Lower(key);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  while (!k.empty() && k.front() == '\\') k.erase(0, 1);
  return k;
}

void TTestPlatform::SetRegValue(TRegRoot root, const std::string& key, const std::string& name,
                                TRegType type, const std::string& data) {
  // Like RegCreateKeyEx: every missing parent key comes into being too.
  std::string k = KeyOf(key);
  for (size_t pos = k.find('\\'); pos != std::string::npos; pos = k.find('\\', pos + 1))
    FRegistry[{root, k.substr(0, pos)}];
  FRegistry[{root, k}][Lower(name)] = TRegValue{type, data};
}

const TTestPlatform::TRegValue* TTestPlatform::RegValue(TRegRoot root, const std::string& key,
                                                        const std::string& name) const {
  auto k = FRegistry.find({root, KeyOf(key)});
  if (k == FRegistry.end()) return nullptr;
  auto v = k->second.find(Lower(name));
  return v == k->second.end() ? nullptr : &v->second;
}

bool TTestPlatform::RegKeyExists(TRegRoot root, const std::string& key) const {
  return FRegistry.count({root, KeyOf(key)}) > 0;
}

std::string TTestPlatform::RegReadString(TRegRoot root, TTextArg key, TTextArg name) {
  const TRegValue* v = RegValue(root, key.str(), name.str());
  if (!v || v->Data.empty()) return {};  // zero length: empty, whatever the type
  if (v->Type != TRegType::String && v->Type != TRegType::ExpandString)
    throw ERegistryException("Invalid data type for '" + name.str() + "'");
  return v->Data.substr(0, v->Data.find('\0'));
}

bool TTestPlatform::RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                                   const std::string& value) {
  if (RegWriteFails) return false;
  SetRegValue(root, key.str(), name.str(), TRegType::String, value);
  return true;
}

bool TTestPlatform::RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) {
  if (RegWriteFails) return false;
  // Little-endian, as the system stores it.
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  SetRegValue(root, key.str(), name.str(), TRegType::DWord, data);
  return true;
}

bool TTestPlatform::RegDeleteTree(TRegRoot root, TTextArg key) {
  std::string k = KeyOf(key.str());
  if (k.empty()) return false;
  bool found = false;
  for (auto it = FRegistry.begin(); it != FRegistry.end();) {
    const auto& [r, name] = it->first;
    if (r == root && (name == k || name.starts_with(k + "\\"))) {
      it = FRegistry.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

bool TTestPlatform::SaveShellLink(const std::string& file, const std::string& target,
                                  const std::string& workingDirectory,
                                  const std::string& description, int showCmd) {
  if (ShellLinkCreationFails) throw Exception("Class not registered");
  try {
    auto out = OpenFile(file, TFileMode::Create);
    std::string marker = "[test shell link]\r\nTarget=" + target + "\r\n";
    out->Write(marker.data(), marker.size());
    out->Close();
  } catch (const EInOutError&) {
    return false;
  }
  ShellLinks.push_back({file, target, workingDirectory, description, showCmd});
  return true;
}

int TTestPlatform::RunAndWait(const std::string& commandLine) {
  ProgramsRun.push_back(commandLine);
  if (RunExitCodes.empty()) return 0;
  int code = RunExitCodes.front();
  RunExitCodes.pop_front();
  return code;
}

void TTestPlatform::ShellOpen(const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCmd) {
  ShellOpens.push_back({file, parameters, directory, showCmd});
}

bool TTestPlatform::ShellOpenAsUser(const std::string& file, const std::string& parameters,
                                    const std::string& directory, int showCmd) {
  if (!UserShellAvailable) return false;
  UserShellOpens.push_back({file, parameters, directory, showCmd});
  return true;
}

void TTestPlatform::StartSystemProgram(const std::string& program, const std::string& parameters,
                                       int showCmd) {
  SystemPrograms.push_back({program, parameters, showCmd});
}

bool TTestPlatform::IsReparsePoint(const std::string& path) {
  for (const std::string& p : ReparsePoints)
    if (Lower(HostPath(p)) == Lower(HostPath(path))) return true;
  return THostPlatform::IsReparsePoint(HostPath(path));
}

bool TTestPlatform::OthersCanWrite(const std::string& path) {
  for (const std::string& p : WritableByOthers)
    if (Lower(HostPath(p)) == Lower(HostPath(path))) return true;
  return false;
}

bool TTestPlatform::ProtectFolder(const std::string& path) {
  if (ProtectFolderFails) return false;
  ProtectedFolders.push_back(path);
  std::erase_if(WritableByOthers,
                [&](const std::string& p) { return Lower(HostPath(p)) == Lower(HostPath(path)); });
  return true;
}

int TTestPlatform::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  MessageBoxes.push_back({text, caption, flags});
  if (!MessageBoxAnswers.empty()) {
    int answer = MessageBoxAnswers.front();
    MessageBoxAnswers.pop_front();
    return answer;
  }
  return (flags & 0xF) == mb::YesNo ? DefaultYesNoAnswer : DefaultOkAnswer;
}

void TTestPlatform::ProcessMessages() {
  ++ProcessMessagesCount;
  if (OnProcessMessages) OnProcessMessages();
}

bool TTestPlatform::ShowDirectorySelect(TDirectorySelect& dialog) {
  return OnShowDirectorySelect ? OnShowDirectorySelect(dialog) : false;
}

bool TTestPlatform::PrinterSetupDialog() {
  ++PrinterSetupCount;
  return PrinterSetupAnswer;
}

void TTestPlatform::PrintRichText(const std::string& documentName, const std::string& richText) {
  if (PrintFails) throw Exception("Printing failed.");
  PrintJobs.push_back({documentName, richText});
}

std::string TTestPlatform::LongPathName(const std::string& path) {
  std::string result = path;
  for (const auto& [shortName, longName] : ShortNames) {
    bool prefix = result.size() >= shortName.size() && Lower(result.substr(0, shortName.size())) ==
                                                           Lower(shortName);
    if (prefix && (result.size() == shortName.size() || result[shortName.size()] == '\\'))
      result = longName + result.substr(shortName.size());
  }
  return result;
}

int TTestPlatform::RunElevated(const std::string& parameters, bool& declined) {
  ElevatedRuns.push_back(parameters);
  LocksAtElevation = HeldLocks;
  declined = ElevationDeclined;
  return declined ? -1 : ElevatedExitCode;
}
