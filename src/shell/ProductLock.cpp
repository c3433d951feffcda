#include "shell/ProductLock.h"

#include <cstdint>
#include <string_view>

#include "platform/Concat.h"
#include "platform/Platform.h"

namespace {

// Kernel object names are limited to MAX_PATH characters in all.
constexpr size_t kTitleRoom = 200;

std::string_view DisplayTitle(const std::string& title) {
  return title.empty() ? std::string_view("product") : std::string_view(title);
}

}  // namespace

std::string ProductLockName(const std::string& title) {
  std::string name;
  for (unsigned char c : DisplayTitle(title)) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    // "\" would name a namespace; control characters have no business here.
    name += (c == '\\' || c < 0x20) ? '_' : static_cast<char>(c);
  }
  if (name.size() > kTitleRoom) {
    // Two long titles that share their start still get locks of their own.
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    std::string tail = "~";
    for (int shift = 28; shift >= 0; shift -= 4) tail += "0123456789abcdef"[(hash >> shift) & 0xF];
    name.resize(kTitleRoom);
    name += tail;
  }
  return Concat({"Global\\Bundlewrighter.Product.", name});
}

bool LockProduct(const std::string& title) {
  return Platform().HoldNamedLock(ProductLockName(title));
}

std::string AlreadyRunningMessage(const std::string& title) {
  return Concat({"An installation of ", DisplayTitle(title),
                 " is already running.\r\rPlease wait until it has finished, then try again."});
}
