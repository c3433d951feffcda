#pragma once
// The places a script may write to: [files] targets and [directories]
// folders are relative to the installation folder and must stay inside it,
// under the very names the log records.
#include <string>

#include "script/infreader.h"

// Why a relative path could lead out of the installation folder or land
// under another name, or nullptr when it cannot: it is absolute ("\x",
// "\\server\x"), carries a drive or a stream (any ":"), has a ".." component
// (Windows also reads ".. " and "..." as one), a level that is a device
// name, or a level ending in a dot or a blank (Windows drops those).
const char* TargetUnsafeBecause(const std::string& relativePath);

// The first [files] or [directories] line whose target is unsafe; false when
// there is none. section is "files" or "directories"; why as above.
bool FindTargetOutside(const TINFReader& script, std::string& section, std::string& line,
                       std::string& target, const char** why = nullptr);
