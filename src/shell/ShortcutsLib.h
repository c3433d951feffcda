#pragma once
// Shortcut files: shell links (.LNK) to installed programs, and Internet
// shortcuts (.URL) to web and FTP addresses.
#include <string>

#ifdef _WIN32
#include "platform/win32/Shortcut.h"  // TShortcut, the shell-link object's owner
#endif

// True when the text begins with "HTTP://", "HTTPS://" or "FTP://", in any
// letter case.
bool IsURL(const std::string& text);

// Writes the two-line Internet shortcut for the address, replacing any file of
// that name. True when the whole file was written and closed; raises nothing.
bool WriteURLShortcut(const std::string& address, const std::string& fileName);

// Makes LinkBase + ".URL" for an Internet address, otherwise LinkBase + ".LNK"
// starting Target. CreatedFile is the file written, or empty when none was.
// A link that cannot be saved is passed over silently; a shell-link object
// that cannot be made raises.
void CreateShortcut(const std::string& LinkBase, const std::string& Target,
                    const std::string& WorkingDirectory, const std::string& Description,
                    int ShowCmd, std::string& CreatedFile);
