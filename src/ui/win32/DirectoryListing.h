#pragma once
// What the directory chooser lists: the system's drives, a directory's chain
// from its drive root, and its subdirectories.
#include <string>
#include <vector>

namespace view {

struct TDirEntry {
  std::string Path;   // full path; a drive root keeps its "\"
  std::string Shown;  // the item's text, indented by its level
};

// Drive letters in order, upper case.
std::vector<char> LogicalDrives();
// "c:" and, for a fixed drive with a label, " [label]".
std::string DriveCaption(char drive);
// The chain from the drive root down to dir, then dir's subdirectories
// (sorted, without hidden and system ones). Empty when dir is empty.
std::vector<TDirEntry> DirectoryItems(const std::string& dir);

}  // namespace view
