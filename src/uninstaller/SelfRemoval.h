#pragma once
// A running program cannot delete its own file. Windows does let it rename
// that file, though, so the uninstaller moves itself into the temporary
// folder when its record comes up (the installation folder can then go in
// the same pass), and leaves the moved file to be deleted once it has ended.
#include <string>
#include <vector>

// Moves the running program's file self into the temporary folder. True when
// self is gone from its place; movedTo is then where it went.
bool MoveSelfAside(const std::string& self, std::string& movedTo);

// Deletes the files and then removes the (empty) folders, in order, after this
// process has ended: by a hidden command processor from the system folder
// that waits for the files to be free, or, only when that cannot be started,
// by the boot-time delete list.
void RemoveAfterExit(const std::vector<std::string>& files,
                     const std::vector<std::string>& folders);

// Makes the process load DLLs from the system folder only, and leaves the
// current folder (a folder in use cannot be removed).
void HardenProcess();
