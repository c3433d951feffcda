#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "HostFiles.h"

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void CopyExecutableBit(const std::string& from, const std::string& to) {
  struct stat src, dst;
  if (stat(from.c_str(), &src) != 0 || stat(to.c_str(), &dst) != 0) return;
  const mode_t exec = src.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH);
  if (exec) chmod(to.c_str(), (dst.st_mode | exec) & 07777);
}

std::string QuoteForShell(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int RunShellCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
