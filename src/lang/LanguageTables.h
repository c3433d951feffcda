#pragma once
// The compiled text tables (generated from texts/*.txt): English first.

struct TLanguageTable {
  const char* Tag;              // "en", "pt-BR", "zh-Hans"...
  const unsigned char* Packed;  // a zlib stream of the texts, in TText order,
  unsigned PackedSize;          // each ended by a NUL
  unsigned Size;                // of the texts once inflated
};

extern const TLanguageTable kLanguageTables[];
extern const unsigned kLanguageTableCount;

#include <string>
// A table's texts, inflated: each ended by a NUL. Empty should the stream be
// damaged, which leaves every text to English.
std::string UnpackTexts(const TLanguageTable& table);
