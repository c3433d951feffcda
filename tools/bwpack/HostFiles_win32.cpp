#include <io.h>

#include <cstdio>

#include "HostFiles.h"
#include "platform/win32/WinHeader.h"

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
         0;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void CopyExecutableBit(const std::string&, const std::string&) {}
