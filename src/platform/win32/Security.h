#pragma once
// File security for the elevated programs: who may write a file or folder,
// and folders that only administrators (and the system) may change.
#include <string>

// True under Wine, whose files carry no security of their own: it derives a
// descriptor from the Unix permission bits, with the signed-in user as owner.
bool RunningOnWine();

// True when an account other than the administrators, the system and the
// installer service may write, delete or re-permission path (an allowing ACE
// with such rights, no DACL at all, or another owner), and when the
// descriptor cannot be read.
bool OthersCanWriteFile(const std::string& path) noexcept;

// Creates the folder path with the given SDDL descriptor from the start, so
// that it is never open to others; false when it exists already or fails.
bool CreateFolderWithSddl(const std::string& path, const char* sddl) noexcept;

// Replaces the owner and the DACL of an existing path with those of sddl,
// the DACL protected from inheritance.
bool ApplySddl(const std::string& path, const char* sddl);

// Program Files' protection: administrators and the system full control,
// users read and execute; owned by the administrators.
inline constexpr const char* ProgramFilesSddl =
    "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// Only administrators and the system, for the uninstaller's own file.
inline constexpr const char* AdminOnlySddl = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
