#pragma once
// The few host calls bwpack needs beyond the platform seam.
#include <string>
#include <vector>

// Moves from onto to, replacing to when it exists; false on failure.
bool ReplaceFileWith(const std::string& from, const std::string& to);
// Whether standard error is a terminal (for the progress line).
bool StderrIsTerminal();
// Makes to executable when from is (a copied stub stays runnable); no-op on Windows.
void CopyExecutableBit(const std::string& from, const std::string& to);
// path quoted for the shell that RunShellCommand uses.
std::string QuoteForShell(const std::string& path);
// Runs command through the host's shell (sh, or cmd.exe on Windows); its exit
// code, or -1 when it could not be run or did not exit normally.
int RunShellCommand(const std::string& command);
// The program's arguments as UTF-8: on Windows from the wide ones (and the
// console set to show the UTF-8 that bwpack prints), elsewhere as they are.
#ifdef _WIN32
std::vector<std::string> CommandLineArgs(int argc, wchar_t** argv);
#else
std::vector<std::string> CommandLineArgs(int argc, char** argv);
#endif
