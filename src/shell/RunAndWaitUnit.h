#pragma once
// Starting another program and waiting for it to end.
#include <string>

// Runs the command line as given (the caller's environment and current
// directory) and waits without limit. Returns the program's exit code, or 259
// when it cannot be started or waited for.
int RunAndWait(const std::string& commandLine);
