#pragma once
// The order in which the run unpacks the script's files.
#include <string>
#include <vector>

class TCompressionManager;

// The "files" lines in the order their content lies in the package's solid
// blocks, so that each block is decoded once; the script's order for a
// package without blocks, and wherever two lines share a target (the later
// line must still win).
std::vector<std::string> InPackageOrder(const TCompressionManager& Package,
                                        std::vector<std::string> Lines);
