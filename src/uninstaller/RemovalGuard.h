#pragma once
// Where the elevated uninstaller may delete. The log only names things; the
// guard decides, so that a log or a folder someone swapped under it cannot
// turn the uninstaller against the rest of the machine.
#include <string>
#include <utility>
#include <vector>

class TRemovalGuard {
 public:
  // installDir: the folder holding the log; records: the log's records;
  // programs and desktop: the Start-menu programs and desktop folders of the
  // installation's scope (all users', or the user's own).
  TRemovalGuard(const std::string& installDir,
                const std::vector<std::pair<std::string, std::string>>& records,
                const std::string& programs, const std::string& desktop);

  // True for: anything at or below the installation folder or a recorded
  // program group (the group's first level below the programs folder); a
  // shortcut (.lnk, .url) directly on that desktop, or directly in
  // the programs folder when the group had no name; a folder above the
  // installation folder that its own record claims (removed only when
  // empty). Never when a reparse point lies anywhere from that place down.
  bool MayRemove(const std::string& path, bool directory) const;

 private:
  using TParts = std::vector<std::string>;
  bool NoReparsePointFrom(size_t rootSize, const TParts& path) const;

  std::vector<TParts> FTrees;
  std::vector<TParts> FShortcutFolders;
  std::vector<TParts> FClaimedAbove;
};
