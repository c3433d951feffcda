#pragma once
// The compiled text tables (generated from texts/*.txt): English first.

struct TLanguageTable {
  const char* Tag;    // "en", "pt-BR", "zh-Hans"...
  const char* Texts;  // one text a key, in TText order, each ended by a NUL
};

extern const TLanguageTable kLanguageTables[];
extern const unsigned kLanguageTableCount;
