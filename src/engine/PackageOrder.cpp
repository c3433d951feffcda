#include "engine/PackageOrder.h"

#include <algorithm>
#include <cstdint>

#include "common/CompressionManager.h"
#include "script/infreader.h"

std::vector<std::string> InPackageOrder(const TCompressionManager& Package,
                                        std::vector<std::string> Lines) {
  constexpr uint64_t kLineBits = 24, kLineMask = (uint64_t{1} << kLineBits) - 1;
  if (!Package.SolidIndex() || Lines.size() > kLineMask) return Lines;
  // Lines that share a target (compared by a hash of its upper-case form)
  // stay together, in the script's order, so that the later one still wins;
  // they go where the first of them would. One sort of 64-bit keys: hash
  // above, line below.
  std::vector<uint64_t> keys(Lines.size());
  std::vector<std::string> entries(Lines.size());
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::string target;
    TINFReader::SplitValue(Lines[i], entries[i], target);
    uint64_t h = 14695981039346656037ull;
    for (char c : target)
      h = (h ^ static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c)) * 1099511628211ull;
    keys[i] = (h & ~kLineMask) | i;
  }
  std::sort(keys.begin(), keys.end());
  std::vector<uint32_t> first(Lines.size());
  for (size_t k = 0; k < keys.size(); ++k) {
    const bool same = k > 0 && (keys[k] & ~kLineMask) == (keys[k - 1] & ~kLineMask);
    first[keys[k] & kLineMask] = same ? first[keys[k - 1] & kLineMask] : keys[k] & kLineMask;
  }
  // Then by where the content lies, and the line.
  for (size_t i = 0; i < Lines.size(); ++i)
    keys[i] = static_cast<uint64_t>(Package.FindEntry(entries[first[i]]) + 1) << 32 | i;
  std::sort(keys.begin(), keys.end());
  std::vector<std::string> ordered;
  ordered.reserve(Lines.size());
  for (uint64_t key : keys) ordered.push_back(std::move(Lines[static_cast<uint32_t>(key)]));
  return ordered;
}
