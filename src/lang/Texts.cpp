#include "lang/Texts.h"

#include <array>

#include "lang/LanguageTables.h"

namespace {

using TTextArray = std::array<std::string_view, static_cast<size_t>(TText::Count)>;

TTextArray Split(const char* blob) {
  TTextArray texts;
  for (std::string_view& t : texts) {
    t = blob;
    blob += t.size() + 1;
  }
  return texts;
}

const TTextArray& English() {
  static const TTextArray texts = Split(kLanguageTables[0].Texts);
  return texts;
}

struct TCurrent {
  std::string Tag = "en";
  TTextArray Texts = English();
};

TCurrent& Current() {
  static TCurrent current;
  return current;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTag(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

const TLanguageTable* FindTable(std::string_view tag) {
  for (unsigned i = 0; i < kLanguageTableCount; ++i)
    if (SameTag(kLanguageTables[i].Tag, tag)) return &kLanguageTables[i];
  return nullptr;
}

std::string Fill(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 64);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      size_t n = static_cast<size_t>(text[++i] - '1');
      if (n < args.size()) out.append(args.begin()[n]);
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

std::string_view RawText(TText id) { return Current().Texts[static_cast<size_t>(id)]; }

std::string_view RawText(std::string_view tag, TText id) {
  const TLanguageTable* table = FindTable(tag);
  std::string_view text =
      Split(table ? table->Texts : kLanguageTables[0].Texts)[static_cast<size_t>(id)];
  return text.empty() ? English()[static_cast<size_t>(id)] : text;
}

std::string Tr(TText id, std::initializer_list<std::string_view> args) {
  return Fill(RawText(id), args);
}

std::string TrEnglish(TText id, std::initializer_list<std::string_view> args) {
  return Fill(English()[static_cast<size_t>(id)], args);
}

void SetLanguage(std::string_view tag) {
  const TLanguageTable* table = FindTable(tag);
  if (!table) table = &kLanguageTables[0];
  TCurrent& current = Current();
  current.Tag = table->Tag;
  current.Texts = Split(table->Texts);
  const TTextArray& english = English();
  for (size_t i = 0; i < current.Texts.size(); ++i)
    if (current.Texts[i].empty()) current.Texts[i] = english[i];
}

const std::string& CurrentLanguage() { return Current().Tag; }

bool EnglishChosen() { return CurrentLanguage() == "en"; }

std::vector<std::string> LanguageTags() {
  std::vector<std::string> tags;
  for (unsigned i = 0; i < kLanguageTableCount; ++i) tags.emplace_back(kLanguageTables[i].Tag);
  return tags;
}

std::string CarriedLanguage(std::string_view tag) {
  const TLanguageTable* table = FindTable(tag);
  return table ? table->Tag : std::string();
}
