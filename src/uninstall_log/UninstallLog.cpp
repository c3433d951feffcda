#include "uninstall_log/UninstallLog.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "common/Errors.h"
#include "common/RunLog.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "platform/Raise.h"
#include "platform/TextEncoding.h"
#include "shell/ShellInstallLib.h"

namespace {

const char* const CRLF = "\r\n";

// Builds a banner line: "# " and the text, blanks up to column 54, "#".
std::string BoxLine(std::string_view text) {
  std::string line = "# ";
  line += text;
  line.resize(54, ' ');
  line += '#';
  return line;
}

// The texts of the banner at the head of every log, one line each, every one
// ended by "\n"; "#" stands for a rule of 55 "#".
const char kBannerTexts[] =
    "#\n"
    "Bundlewrighter Uninstall Log File\n"
    "Bundlewrighter inc.\n"
    "https://bundlewrighter.example/\n"
    "#\n"
    "This is an automatically generated file.\n"
    "\n"
    "IT IS VERY IMPORTANT THAT THIS FILE NOT BE EDITED\n"
    "OR OTHERWISE MODIFIED.\n"
    "\n"
    "Editing this file could cause the uninstall process\n"
    "to malfunction or fail.\n"
    "#\n";

bool IsBlank(unsigned char c) { return c <= 0x20; }

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string_view(s.data() + b, e - b);
}

// Comment and blank lines carry no record. Only an untrimmed "#" in the first
// column makes a comment.
bool IsSkipped(const std::string& line) {
  return (!line.empty() && line[0] == '#') || Trim(line).empty();
}

// The log reports I/O failures by the classic I/O-error numbers; the platform
// hands over the system's own codes. Windows' 2 to 5 are already those.
int IoResultCode(int osCode, const std::string& fileName) {
#ifdef _WIN32
  (void)fileName;
  switch (osCode) {
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return 101;
    case 123:  // ERROR_INVALID_NAME
    case 161:  // ERROR_BAD_PATHNAME
      return 3;
    default:
      return osCode;
  }
#else
  switch (osCode) {
    case ENOENT:
      // Windows tells a missing folder (3) from a missing file (2).
      return Platform().DirectoryExists(ParentPath(fileName)) ? 2 : 3;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;
    case ENOSPC:
    case EDQUOT:
      return 101;
    default:
      return osCode;
  }
#endif
}

// After an undo: a path that stays goes on the list of those left over, and
// the run's log tells either way.
void LogLeftOver(bool stays, const std::string& path, std::vector<std::string>* leftOver) {
  if (stays && leftOver) leftOver->push_back(path);
  if (RunLogActive()) RunLogLine(Concat({stays ? "Left in place: " : "Removed: ", path}));
}

[[noreturn]] void RaiseInOut(const EInOutError& e, const std::string& fileName) {
  int code = IoResultCode(e.ErrorCode, fileName);
  throw EInOutError(InOutErrorMessage(code), code);
}

}  // namespace

const std::vector<std::string>& LogBanner() {
  static const std::vector<std::string> banner = [] {
    std::vector<std::string> lines;
    std::string_view rest = kBannerTexts;
    while (!rest.empty()) {
      const size_t end = rest.find('\n');
      const std::string_view text = rest.substr(0, end);
      const std::string line = text == "#" ? std::string(55, '#') : BoxLine(text);
      lines.push_back(line);
      rest.remove_prefix(end + 1);
    }
    return lines;
  }();
  return banner;
}

std::string InOutErrorMessage(int code) {
  const char* text = nullptr;
  switch (code) {
    case 2:
      text = "File not found";
      break;
    case 3:
      text = "Invalid filename";
      break;
    case 4:
      text = "Too many open files";
      break;
    case 5:
      text = "File access denied";
      break;
    case 101:
      text = "Disk full";
      break;
  }
  return text ? std::string(text) : Concat({"I/O error ", DecimalText(code)});
}

void SplitRecord(const std::string& line, std::string& key, std::string& value) {
  size_t colon = line.find(':');
  if (colon == std::string::npos) {
    key.clear();
    value = Trim(line);
    return;
  }
  key = Trim(std::string_view(line.data(), colon));
  value = Trim(std::string_view(line.data() + colon + 1, line.size() - colon - 1));
}

TLogFile::TLogFile(const std::string& fileName, bool writer)
    : FFileName(fileName), FWriter(writer) {
  if (writer) {
    // An existing log is replaced, never continued. One handle serves the
    // whole run: no other writer can interleave its lines with ours.
    try {
      FFile = Platform().OpenFile(fileName, TFileMode::CreateDenyWrite);
      std::string text;
      for (const std::string& line : LogBanner()) {
        text += line;
        text += CRLF;
      }
      FFile->Write(text.data(), text.size());
    } catch (const EInOutError& e) {
      FFile.reset();
      RaiseInOut(e, fileName);
    }
    FReadIndex = -1;
    return;
  }

  if (!Platform().FileExists(fileName)) RaiseError("Uninstall log file not found.");
  std::string content;
  try {
    // Nobody may write the log while it is being read.
    auto file = Platform().OpenFile(fileName, TFileMode::OpenReadDenyWrite);
    content.resize(static_cast<size_t>(file->Size()));
    content.resize(file->Read(content.data(), content.size()));
    file->Close();
  } catch (const EInOutError& e) {
    throw EInOutError(Concat({"Cannot open file ", fileName}), e.ErrorCode);
  }
  // A NUL ends the text. Logs are written in UTF-8; one that is not valid
  // UTF-8 comes from an earlier installer, which wrote the ANSI code page.
  content.resize(std::min(content.find('\0'), content.size()));
  content = TextToUtf8(content);
  // CR LF, a lone CR or a lone LF end a line.
  std::string line;
  bool pending = false;  // a line has started that has not been stored yet
  for (size_t i = 0; i < content.size(); ++i) {
    char c = content[i];
    if (c == '\0') break;
    if (c == '\r' || c == '\n') {
      FLines.push_back(line);
      line.clear();
      pending = false;
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      continue;
    }
    line += c;
    pending = true;
  }
  if (pending) FLines.push_back(line);
  FReadIndex = LineCount() - 1;
  ReadHeader();
}

TLogFile::~TLogFile() {
  try {
    CloseFile();
  } catch (const std::exception&) {
    // Released while the program ends; every record went to the system already.
  }
}

void TLogFile::WriteLine(const std::string& line) {
  if (!FFile) throw EInOutError(InOutErrorMessage(103), 103);  // "file not open"
  std::string text = Concat({line, CRLF});
  try {
    // One write per record, straight to the system; no flush per record:
    // the stages flush at their ends.
    FFile->Write(text.data(), text.size());
  } catch (const EInOutError& e) {
    RaiseInOut(e, FFileName);
  }
}

void TLogFile::CarryRecords(const std::vector<std::string>& lines) {
  if (!FWriter) RaiseError("Log file reader not writer.");
  for (const std::string& line : lines) WriteLine(line);
}

void TLogFile::Flush() {
  if (!FFile) return;
  try {
    FFile->Flush();
  } catch (const EInOutError& e) {
    RaiseInOut(e, FFileName);
  }
}

void TLogFile::CloseFile() {
  if (!FFile) return;
  std::unique_ptr<TFileStream> file = std::move(FFile);
  try {
    file->Flush();
    file->Close();
  } catch (const EInOutError& e) {
    RaiseInOut(e, FFileName);
  }
}

void TLogFile::ReadHeader() {
  std::string key, value;
  for (const std::string& line : FLines) {
    if (IsSkipped(line)) continue;
    SplitRecord(line, key, value);
    if (key == "Title") FTitle = value;
    if (key == "Product") FProduct = value;
    if (key == "Language") FLanguage = value;
    if (key == "Source") FSource = value;
    if (key == "Scope") FPerUser = value == "user";
  }
}

void TLogFile::AddTitle(const std::string& title) {
  AddRecord(Concat({"Title: ", title}));
  FTitle = title;
}

void TLogFile::AddProduct(const std::string& id) {
  AddRecord(Concat({"Product: ", id}));
  FProduct = id;
}

void TLogFile::AddLanguage(const std::string& tag) {
  AddRecord(Concat({"Language: ", tag}));
  FLanguage = tag;
}

void TLogFile::AddBackup(const std::string& file, const std::string& backup) {
  AddRecord(Concat({"Backup: ", file, ";", backup}));
  Flush();
}

void TLogFile::MoveTo(const std::string& newName) {
  CloseFile();
  if (!Platform().MoveFileTo(FFileName, newName)) throw EInOutError(InOutErrorMessage(5), 5);
  FFileName = newName;
}

void TLogFile::Reopen() {
  if (FFile) return;
  try {
    FFile = Platform().OpenFile(FFileName, TFileMode::Append);
  } catch (const EInOutError& e) {
    RaiseInOut(e, FFileName);
  }
}

bool SplitBackup(const std::string& value, std::string& file, std::string& backup) {
  // The file's name may hold ";" itself: the split is where the backup's
  // name repeats the file's.
  static const std::string_view kSuffix = ".bwbackup";
  for (size_t semicolon = value.find(';'); semicolon != std::string::npos;
       semicolon = value.find(';', semicolon + 1)) {
    std::string_view f(value.data(), semicolon), b(value);
    b.remove_prefix(semicolon + 1);
    if (f.empty() || !b.starts_with(f) || !b.substr(f.size()).starts_with(kSuffix)) continue;
    std::string_view number = b.substr(f.size() + kSuffix.size());
    if (number.find_first_not_of("0123456789") != std::string_view::npos) continue;
    file = f;
    backup = b;
    return true;
  }
  return false;
}

bool SplitReplace(const std::string& value, std::string& file, std::string& pending) {
  // As for a backup, the split is where the second name repeats the first.
  static const std::string_view kSuffix = ".bwnew";
  const size_t fixed = 1 + kSuffix.size();  // the ";" and the suffix
  if (value.size() <= fixed || (value.size() - fixed) % 2 != 0 || !value.ends_with(kSuffix))
    return false;
  size_t fileSize = (value.size() - fixed) / 2;
  std::string_view f(value.data(), fileSize), p(value);
  p.remove_prefix(fileSize + 1);
  if (value[fileSize] != ';' || !p.starts_with(f)) return false;
  file = f;
  pending = p;
  return true;
}

std::string JournalName(const std::string& logName) { return Concat({logName, ".bwjournal"}); }

void TLogFile::AddDirectory(const std::string& fullPath, const std::string& createdPart) {
  RunLogLine(Concat({"Directory: ", fullPath}));
  AddRecord(Concat({"Directory: ", createdPart, ";", fullPath}));
}

void TLogFile::AddFile(const std::string& path) {
  std::string record = Concat({"File: ", path});
  RunLogLine(record);
  AddRecord(record);
}

void TLogFile::AddRecord(const std::string& line) {
  if (!FWriter) RaiseError("Log file reader not writer.");
  // In memory first: a record that fails to reach the file is still undone
  // by the rollback that follows.
  FLines.push_back(line);
  FReadIndex = LineCount() - 1;
  WriteLine(line);
}

bool TLogFile::ReadPrevious(std::string& key, std::string& value) {
  key.clear();
  value.clear();
  while (FReadIndex >= 0 && IsSkipped(FLines[FReadIndex])) --FReadIndex;
  if (FReadIndex < 0) return false;
  SplitRecord(FLines[FReadIndex], key, value);
  --FReadIndex;
  return true;
}

int TLogFile::LineCount() const { return static_cast<int>(FLines.size()); }

void UndoLogRecord(const std::string& key, const std::string& value,
                   std::vector<std::string>* leftOver, const TMayRemove& mayRemove) {
  TPlatform& p = Platform();
  if (key == "File") {
    if (!mayRemove || mayRemove(value, false))
      p.DeleteFileAt(value);  // already gone or locked: go on all the same
    if (leftOver || RunLogActive()) LogLeftOver(p.FileExists(value), value, leftOver);
    return;
  }
  if (key == "Backup") {
    std::string file, backup;
    if (!SplitBackup(value, file, backup) || !p.FileExists(backup)) return;
    if (!mayRemove || mayRemove(backup, false)) p.DeleteFileAt(backup);
    if (leftOver || RunLogActive()) LogLeftOver(p.FileExists(backup), backup, leftOver);
    return;
  }
  if (key == "Replace") {
    std::string file, pending;
    if (!SplitReplace(value, file, pending)) return;
    if (!mayRemove || mayRemove(pending, false)) {
      p.CancelMoveAtRestart(pending);
      p.DeleteFileAt(pending);
    }
    if (leftOver || RunLogActive()) LogLeftOver(p.FileExists(pending), pending, leftOver);
    return;
  }
  if (key != "Directory") return;
  size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) return;
  std::string part = value.substr(0, semicolon);
  std::string full = value.substr(semicolon + 1);
  // One level per component of the created part; a level that still holds
  // something foreign stays, and so in effect do its parents.
  while (!part.empty() && !full.empty()) {
    if (mayRemove && !mayRemove(full, true)) {
      if (leftOver && p.DirectoryExists(full)) leftOver->push_back(full);
      break;
    }
    p.RemoveDir(full);
    if (leftOver || RunLogActive()) LogLeftOver(p.DirectoryExists(full), full, leftOver);
    part = ParentPath(part);
    full = ParentPath(full);
  }
}
