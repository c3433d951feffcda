#include "platform/HostPlatform.h"

#include <cstdio>

#include "platform/Concat.h"

#ifdef _WIN32
#include "platform/win32/HostFiles.h"
#include "platform/win32/WinHeader.h"
#undef RegDeleteTree  // windows.h maps it to RegDeleteTreeW
#else
#include <filesystem>
#include <system_error>
namespace fs = std::filesystem;
#endif

std::unique_ptr<TFileStream> THostPlatform::OpenFile(const std::string& path, TFileMode mode) {
  return OpenHostFile(path, mode);
}

#ifdef _WIN32
bool THostPlatform::FileExists(const std::string& path) { return hostfiles::FileExists(path); }

bool THostPlatform::DirectoryExists(const std::string& path) {
  return hostfiles::DirectoryExists(path);
}

bool THostPlatform::CreateDir(const std::string& path) { return hostfiles::CreateDir(path); }

bool THostPlatform::ForceDirectories(const std::string& path) {
  return hostfiles::ForceDirectories(path);
}

bool THostPlatform::DeleteFileAt(const std::string& path) { return hostfiles::DeleteFileAt(path); }

bool THostPlatform::RemoveDir(const std::string& path) { return hostfiles::RemoveDir(path); }

bool THostPlatform::MoveFileTo(const std::string& from, const std::string& to) {
  return hostfiles::MoveFileTo(from, to);
}

bool THostPlatform::FileReadOnly(const std::string& path) { return hostfiles::FileReadOnly(path); }

std::string THostPlatform::CurrentDir() { return hostfiles::CurrentDir(); }

int64_t THostPlatform::DiskFree(int drive) {
  if (drive < 0 || drive > 26) return -1;
  wchar_t root[] = L"?:\\";
  root[0] = static_cast<wchar_t>(L'A' + drive - 1);
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(drive == 0 ? nullptr : root, &available, nullptr, nullptr)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}
#else
bool THostPlatform::FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool THostPlatform::DirectoryExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool THostPlatform::CreateDir(const std::string& path) {
  // One level only, and false when it already exists, as the system's call.
  std::error_code ec;
  return fs::create_directory(path, ec) && !ec;
}

bool THostPlatform::ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool THostPlatform::DeleteFileAt(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(path, ec))) return false;
  return fs::remove(path, ec) && !ec;
}

bool THostPlatform::RemoveDir(const std::string& path) {
  // fs::remove refuses a directory that still has contents.
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(path, ec))) return false;
  return fs::remove(path, ec) && !ec;
}

bool THostPlatform::MoveFileTo(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(from, ec))) return false;
  fs::rename(from, to, ec);
  return !ec;
}

bool THostPlatform::FileReadOnly(const std::string& path) {
  // The mode bits, not access(): tests run as root, who may write anything.
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  return !ec && fs::is_regular_file(st) &&
         (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

std::string THostPlatform::CurrentDir() {
  std::error_code ec;
  return fs::current_path(ec).string();
}

int64_t THostPlatform::DiskFree(int drive) {
  if (drive != 0) return -1;  // no drive letters here
  std::error_code ec;
  fs::path where = fs::current_path(ec);
  if (ec) return -1;
  fs::space_info info = fs::space(where, ec);
  if (ec) return -1;
  return static_cast<int64_t>(info.available);
}
#endif

std::string THostPlatform::ExeName() {
#ifdef _WIN32
  return hostfiles::ExeName();
#else
  std::error_code ec;
  return fs::read_symlink("/proc/self/exe", ec).string();
#endif
}

std::string THostPlatform::RegReadString(TRegRoot, TTextArg, TTextArg) { return {}; }

bool THostPlatform::RegWriteString(TRegRoot, TTextArg, TTextArg, const std::string&) {
  return false;
}

bool THostPlatform::RegWriteDWord(TRegRoot, TTextArg, TTextArg, uint32_t) { return false; }

bool THostPlatform::RegDeleteTree(TRegRoot, TTextArg) { return false; }

bool THostPlatform::SaveShellLink(const std::string&, const std::string&, const std::string&,
                                  const std::string&, int) {
  return false;
}

int THostPlatform::RunAndWait(const std::string&) { return 259; }

void THostPlatform::ShellOpen(const std::string&, const std::string&, const std::string&, int) {}

bool THostPlatform::ShellOpenAsUser(const std::string&, const std::string&, const std::string&,
                                    int) {
  return false;
}

void THostPlatform::StartSystemProgram(const std::string&, const std::string&, int) {}

bool THostPlatform::IsReparsePoint(const std::string& path) {
#ifdef _WIN32
  return hostfiles::IsReparsePoint(path);
#else
  std::error_code ec;
  return fs::is_symlink(path, ec);
#endif
}

bool THostPlatform::OthersCanWrite(const std::string&) { return false; }

bool THostPlatform::ProtectFolder(const std::string&) { return true; }

int THostPlatform::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  // Plain writes: formatted output would pull the whole printf engine into
  // the installer, which never calls this.
  std::string line = Concat({caption, ": ", text, "\n"});
  std::fwrite(line.data(), 1, line.size(), stderr);
  return (flags & 0xF) == mb::YesNo ? mb::IdNo : mb::IdOk;
}

void THostPlatform::ProcessMessages() {}

void THostPlatform::Terminate() { terminated_ = true; }

bool THostPlatform::Terminated() { return terminated_; }

void THostPlatform::BringToFront() {}

bool THostPlatform::ShowDirectorySelect(TDirectorySelect&) { return false; }

bool THostPlatform::HoldNamedLock(const std::string&) { return true; }

bool THostPlatform::HasDefaultPrinter() { return false; }

bool THostPlatform::PrinterSetupDialog() { return false; }

void THostPlatform::PrintRichText(const std::string&, const std::string&) {}
