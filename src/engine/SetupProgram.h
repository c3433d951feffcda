#pragma once
// The installer program apart from its windows: reads the command line,
// opens the run's log, checks the package, then installs silently or hands
// the ready engine to the wizard. Portable, so that every path through it is
// tested natively.
#include <functional>
#include <string>

class TMainForm;

// commandLine is the raw line, the program's own name first. runWizard shows
// the windows, runs until the wizard ends and returns the exit code (the
// form's ExitCode()). Returns the process's exit code (ExitCodes.h).
int RunSetup(const std::string& commandLine, const std::function<int(TMainForm&)>& runWizard);
