#pragma once
// uninstall.log: the record of every directory, file and shortcut that an
// installation made. A writer creates the file with its banner and appends
// each record the moment it is made; a reader loads an existing file. Both
// hand the records back newest first. Files are reached through Platform().
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileStream.h"

class TLogFile {
 public:
  // A writer creates (or truncates) the file and writes the banner; failures
  // raise EInOutError. It keeps the file open until CloseFile or its end,
  // and nobody else may write it meanwhile. A reader loads the whole file; a
  // missing one raises "Uninstall log file not found.".
  TLogFile(const std::string& fileName, bool writer);
  virtual ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  void AddTitle(const std::string& title);
  // The product's identity ("Product: id"), written only for a script that
  // names one; without it the title is the identity.
  void AddProduct(const std::string& id);
  // The language the installation spoke ("Language: tag"), written only for
  // one other than English, so that English logs stay as they always were.
  void AddLanguage(const std::string& tag);
  // "Backup: file;backup", on the disk before the rename it announces, so
  // that a run cut short can always put the file back.
  void AddBackup(const std::string& file, const std::string& backup);
  // The line holds the created part first: "Directory: part;full".
  void AddDirectory(const std::string& fullPath, const std::string& createdPart);
  void AddFile(const std::string& path);
  // Keeps the line in memory and hands it to the system at once, so that it
  // is in the file before what it names exists; a line that cannot be
  // written raises EInOutError (the line stays in memory for the rollback).
  // Raises on a reader.
  void AddRecord(const std::string& line);
  // Lines of an earlier installation that this log takes over: written to
  // the file only, so that the uninstaller removes what they name and the
  // rollback of this run leaves it alone.
  void CarryRecords(const std::vector<std::string>& lines);
  // Has the system put every record on the disk; raises on failure.
  void Flush();
  // Flushes and closes the file (before the rollback removes it); records
  // stay readable from memory, and later appends raise.
  void CloseFile();
  // Closes the file and renames it to newName, replacing what has that name;
  // raises EInOutError when the rename fails (the file then keeps its name).
  void MoveTo(const std::string& newName);
  // Opens the (closed) file again for appending; raises EInOutError.
  void Reopen();

  // The next older record, skipping comments and blank lines; false when
  // none is left. Appending starts again from the newest record.
  bool ReadPrevious(std::string& key, std::string& value);
  // Writer: the records appended. Reader: every line of the file.
  int LineCount() const;

  const std::string& FileName() const { return FFileName; }
  const std::string& Title() const { return FTitle; }
  const std::string& Language() const { return FLanguage; }  // empty: English
  // The product the log belongs to: its Product record, else its title.
  const std::string& Identity() const { return FProduct.empty() ? FTitle : FProduct; }
  const std::string& Source() const { return FSource; }
  // The installation was for the current user only ("Scope: user"); logs
  // without the record are machine-wide, as every log before it.
  bool PerUser() const { return FPerUser; }
  bool Writer() const { return FWriter; }

 private:
  void ReadHeader();
  void WriteLine(const std::string& line);

  std::string FFileName;
  std::vector<std::string> FLines;
  bool FWriter;
  int FReadIndex = -1;
  std::string FTitle;
  std::string FProduct;
  std::string FLanguage;
  std::string FSource;
  bool FPerUser = false;
  std::unique_ptr<TFileStream> FFile;  // a writer's open file
};

// Key: the text before the first ":", value: the text after it; both without
// characters 0x00 to 0x20 at either end. No colon: empty key, whole line.
void SplitRecord(const std::string& line, std::string& key, std::string& value);

// A "Backup" record's value: the file and its backup, which is the file's
// name followed by ".bwbackup" and optionally a number. False for anything else.
bool SplitBackup(const std::string& value, std::string& file, std::string& backup);

// A "Replace" record's value: a file a program held, and the new content
// that replaces it at the next start, named as the file followed by
// ".bwnew". False for anything else.
bool SplitReplace(const std::string& value, std::string& file, std::string& pending);

// Where a run writes its log until it has succeeded ("uninstall.log.bwjournal"
// beside the log): the earlier log stays untouched meanwhile, and a journal
// left behind tells of a run that was cut short.
std::string JournalName(const std::string& logName);

// The 13 banner lines that open every log, each 55 characters, without line ends.
const std::vector<std::string>& LogBanner();

// The message of an I/O error with the given code ("File not found" for 2,
// ..., "I/O error <code>" otherwise).
std::string InOutErrorMessage(int code);

// Undoes one record as the rollback and the uninstaller do: "File" deletes the
// file; "Directory" (part;full) removes full and its parents, one level per
// component of part; "Backup" deletes the backup (the file has a record of its
// own); "Replace" takes back the scheduled replacement and deletes the new
// content waiting for it (the file stays); any other key does nothing. Failures are ignored; what
// still exists afterwards is appended to leftOver when given. When given,
// mayRemove(path, isDirectory) is asked first: a refused file stays, and a
// refused level stays with the levels above it.
using TMayRemove = std::function<bool(const std::string& path, bool directory)>;
void UndoLogRecord(const std::string& key, const std::string& value,
                   std::vector<std::string>* leftOver = nullptr,
                   const TMayRemove& mayRemove = nullptr);
