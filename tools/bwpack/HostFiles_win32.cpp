#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "HostFiles.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void CopyExecutableBit(const std::string&, const std::string&) {}

// Windows paths cannot hold a double quote.
std::string QuoteForShell(const std::string& path) { return "\"" + path + "\""; }

int RunShellCommand(const std::string& command) {
  // cmd.exe /c drops the first and the last quote of a line that starts with
  // one; the outer pair keeps a quoted program name intact.
  return _wsystem(Wide("\"" + command + "\"").c_str());
}

std::vector<std::string> CommandLineArgs(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Narrow(argv[i]));
  return args;
}
