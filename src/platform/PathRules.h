#pragma once
// What Windows does to the levels of a path behind the program's back: it
// drops trailing dots and blanks, and it reads reserved device names (CON,
// NUL, COM1, ...) as devices wherever they stand. A name that relies on either
// would land somewhere other than the log says.
#include <string>
#include <string_view>

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also with the
// superscript digits), in any letter case, alone or before an extension or a
// trailing dot or blank: "nul", "Com1.txt", "AUX .log".
bool IsDeviceName(std::string_view level);
// A level the system would store under another name: one that ends in a dot
// or a blank.
bool HasTrailingDotOrBlank(std::string_view level);

// The installation folder in the one form the run may use, or why a typed
// folder cannot be one. Accepted: "X:\..." and "\\server\share\..."; each
// level loses its trailing dots and blanks, "." and ".." are resolved, and
// doubled and trailing "\" go. Refused: relative paths ("x", "\x", "C:x"),
// "\\?\" and "\\.\" forms, ":" streams, characters no name may hold, device
// names at any level, a ".." above the root, a level of dots and blanks
// other than "." and "..", and the root itself. Returns the reason, empty
// when canonical holds the result.
std::string CanonicalFolder(const std::string& typed, std::string& canonical);

// The length of the root of a full path: "C:\\" (3) or "\\\\server\\share\\"; 0 when
// the path has none.
size_t RootLength(std::string_view path);

// Names compared as the system compares file and product names: without
// regard to letter case.
bool SameName(std::string_view a, std::string_view b);
