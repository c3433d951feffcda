#include "engine/PackageOrder.h"

#include <algorithm>
#include <cstdint>

#include "common/CompressionManager.h"
#include "script/infreader.h"

std::vector<std::string> InPackageOrder(const TCompressionManager& Package,
                                        std::vector<std::string> Lines) {
  if (!Package.SolidIndex()) return Lines;
  // Sorted by the entry's number, then the line's: one key of 64 bits.
  std::vector<uint64_t> keys;
  // Targets compared by a hash of their upper-case form: two that only look
  // alike keep the script's order, which is never wrong.
  std::vector<uint64_t> targets;
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::string entry, target;
    TINFReader::SplitValue(Lines[i], entry, target);
    uint64_t h = 14695981039346656037ull;
    for (char c : target)
      h = (h ^ static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c)) * 1099511628211ull;
    targets.push_back(h);
    keys.push_back(static_cast<uint64_t>(Package.FindEntry(entry) + 1) << 32 | i);
  }
  std::sort(targets.begin(), targets.end());
  if (std::adjacent_find(targets.begin(), targets.end()) != targets.end()) return Lines;
  std::sort(keys.begin(), keys.end());
  std::vector<std::string> ordered;
  ordered.reserve(Lines.size());
  for (uint64_t key : keys) ordered.push_back(std::move(Lines[static_cast<uint32_t>(key)]));
  return ordered;
}
