#pragma once
// One installation or removal of a product at a time, machine-wide: the
// installer and uninstall.exe both hold a named lock per product title while
// they run, so that two runs never interleave one log or undo each other.
#include <string>

// The kernel object name for a title: in the Global namespace, letter case
// folded (the registration key ignores it too), no "\", bounded in length.
std::string ProductLockName(const std::string& title);
// Takes the product's lock for the rest of the process; false when another
// installer or uninstaller of the same product is running.
bool LockProduct(const std::string& title);
// What the second instance tells the user before it exits.
// In the language chosen, or in English for a log.
std::string AlreadyRunningMessage(const std::string& title, bool english = false);
