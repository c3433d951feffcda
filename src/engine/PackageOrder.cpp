#include "engine/PackageOrder.h"

#include <algorithm>
#include <set>

#include "common/CompressionManager.h"
#include "script/infreader.h"

std::vector<std::string> InPackageOrder(const TCompressionManager& Package,
                                        std::vector<std::string> Lines) {
  if (!Package.SolidIndex()) return Lines;
  std::vector<std::pair<int32_t, size_t>> keys;
  std::set<std::string> targets;
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::string entry, target;
    TINFReader::SplitValue(Lines[i], entry, target);
    for (char& c : target)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!targets.insert(target).second) return Lines;
    keys.emplace_back(Package.FindEntry(entry), i);
  }
  std::sort(keys.begin(), keys.end());
  std::vector<std::string> ordered;
  ordered.reserve(Lines.size());
  for (const auto& key : keys) ordered.push_back(std::move(Lines[key.second]));
  return ordered;
}
