#pragma once
// The order in which the run unpacks the script's files.
#include <string>
#include <vector>

class TCompressionManager;

// The "files" lines in the order their content lies in the package's solid
// blocks, so that each block is decoded once; lines that share a target
// keep their order among themselves (the later one must still win). The
// script's order for a package without blocks.
std::vector<std::string> InPackageOrder(const TCompressionManager& Package,
                                        std::vector<std::string> Lines);
