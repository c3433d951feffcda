#pragma once
// The installer's exit codes: what a script, a package manager or a
// deployment tool learns from the process. The README lists them.
enum TSetupExitCode : int {
  ExitInstalled = 0,       // installed
  ExitFailed = 1,          // an error; what was done was rolled back
  ExitDamaged = 2,         // the installer is damaged or incomplete; nothing written
  ExitCancelled = 3,       // the user cancelled; nothing is left
  ExitTargetUnusable = 4,  // the target folder cannot be used or has too little space
  ExitBadCommandLine = 5,  // unknown or malformed switches
  ExitAlreadyRunning = 6,  // another installation or removal of this product is running
  ExitDowngrade = 7,       // a newer version is installed; nothing written
  // Installed; files in use are replaced when the computer starts again
  // (the code deployment tools know as "restart required").
  ExitRestartNeeded = 3010,
};
