#include "common/Errors.h"
#include "common/SolidWriter.h"

bool SolidPackingAvailable() { return false; }

std::vector<TPackageItem> PackSolid(const std::vector<TPackageItem>&, const TSolidPackOptions&,
                                    std::vector<std::string>&) {
  throw Exception("this bwpack was built without liblzma");
}
