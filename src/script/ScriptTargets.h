#pragma once
// The places a script may write to: [files] targets and [directories]
// folders are relative to the installation folder and must stay inside it.
#include <string>

#include "script/infreader.h"

// False for a path that is absolute ("\x", "\\server\x"), carries a drive or
// a stream (any ":"), or has a ".." component (Windows also reads ".. " and
// "..." as one): it could lead out of the installation folder.
bool StaysInside(const std::string& relativePath);

// The first [files] or [directories] line whose target does not stay
// inside; false when there is none. section is "files" or "directories".
bool FindTargetOutside(const TINFReader& script, std::string& section, std::string& line,
                       std::string& target);
