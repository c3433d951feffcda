#include "shell/ProductLock.h"

#include <cstdint>
#include <string_view>

#include "lang/Texts.h"
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
  std::string name(DisplayTitle(title));
  for (char& ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    // "\" would name a namespace; control characters have no business here.
    ch = (c == '\\' || c < 0x20) ? '_' : static_cast<char>(c);
  }
  if (name.size() > kTitleRoom) {
    // Two long titles that share their start still get locks of their own.
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    char tail[9];
    tail[0] = '~';
    for (int i = 1; i <= 8; ++i) tail[i] = "0123456789abcdef"[(hash >> (32 - 4 * i)) & 0xF];
    // Cut between characters: the name is UTF-8.
    size_t cut = kTitleRoom;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    name.append(tail, sizeof tail);
  }
  return Concat({"Global\\Bundlewrighter.Product.", name});
}

bool LockProduct(const std::string& title) {
  return Platform().HoldNamedLock(ProductLockName(title));
}

std::string AlreadyRunningMessage(const std::string& title, bool english) {
  return english ? TrEnglish(TText::AlreadyRunningMessage, {DisplayTitle(title)})
                 : Tr(TText::AlreadyRunningMessage, {DisplayTitle(title)});
}
