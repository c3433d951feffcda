#pragma once
// A running program cannot delete its own file. Windows does let it rename
// that file, though, so the uninstaller moves itself into a folder of its own
// when its record comes up (the installation folder can then go in the same
// pass), and leaves the moved file to be deleted once it has ended.
#include <string>
#include <vector>

// Moves the running program's file self into a freshly made folder with a
// random name on the same volume (in the system's temporary folder when that
// is on it, else at the volume's root), which only administrators and the
// system can change: the deletion after exit acts on names, and nobody else
// can put a junction in their way. True when self is gone from its place;
// movedTo and folder are then where it went.
bool MoveSelfAside(const std::string& self, std::string& movedTo, std::string& folder);

// Deletes the files and then removes the (empty) folders, in order, after this
// process has ended: by a hidden command processor from the system folder
// that waits for the files to be free, or, only when that cannot be started,
// by the boot-time delete list.
void RemoveAfterExit(const std::vector<std::string>& files,
                     const std::vector<std::string>& folders);

// Makes the process load DLLs from the system folder only, and leaves the
// current folder (a folder in use cannot be removed).
void HardenProcess();
