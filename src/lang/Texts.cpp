#include "lang/Texts.h"

#include <array>
#include <cstring>

#include "common/Inflate.h"
#include "lang/LanguageTables.h"

namespace {

using TTextArray = std::array<std::string_view, static_cast<size_t>(TText::Count)>;

class TMemoryInflate : public TInflateStreams {
 public:
  TMemoryInflate(const TLanguageTable& table, std::string& out)
      : in_(table.Packed), left_(table.PackedSize), out_(out) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    size_t n = size < left_ ? size : left_;
    std::memcpy(buffer, in_, n);
    in_ += n;
    left_ -= n;
    return n;
  }
  bool Write(const uint8_t* data, size_t size) override {
    out_.append(reinterpret_cast<const char*>(data), size);
    return true;
  }

 private:
  const unsigned char* in_;
  size_t left_;
  std::string& out_;
};

// The texts of a blob in TText order; those past its end are empty.
TTextArray Split(std::string_view blob) {
  TTextArray texts;
  for (std::string_view& t : texts) {
    size_t end = blob.find('\0');
    t = blob.substr(0, end);
    blob.remove_prefix(end == std::string_view::npos ? blob.size() : end + 1);
  }
  return texts;
}

// One language's texts: the inflated blob and the views into it.
struct TTable {
  std::string Blob;
  TTextArray Texts;
  void Load(const TLanguageTable& table) {
    Blob = UnpackTexts(table);
    Texts = Split(Blob);
  }
};

const TTextArray& English() {
  static TTable english;
  if (english.Blob.empty()) english.Load(kLanguageTables[0]);
  return english.Texts;
}

struct TCurrent {
  std::string Tag = "en";
  TTable Table;
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

std::string Fill(std::string_view text, const std::string_view* args, size_t count) {
  std::string out;
  out.reserve(text.size() + 64);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      size_t n = static_cast<size_t>(text[++i] - '1');
      if (n < count) out.append(args[n]);
      continue;
    }
    out += c;
  }
  return out;
}

std::string Fill(std::string_view text, std::initializer_list<std::string_view> args) {
  return Fill(text, args.begin(), args.size());
}

// Whether text reads as pattern, whose %1...%9 stand for any run of
// characters; args gets what they stood for.
bool Match(std::string_view pattern, std::string_view text, std::string_view* args) {
  while (!pattern.empty()) {
    if (pattern.size() > 1 && pattern[0] == '%' && pattern[1] >= '1' && pattern[1] <= '9') {
      for (size_t n = 0; n <= text.size(); ++n) {
        args[pattern[1] - '1'] = text.substr(0, n);
        if (Match(pattern.substr(2), text.substr(n), args)) return true;
      }
      return false;
    }
    if (text.empty() || pattern[0] != text[0]) return false;
    pattern.remove_prefix(1);
    text.remove_prefix(1);
  }
  return text.empty();
}

}  // namespace

std::string_view RawText(TText id) { return Current().Texts[static_cast<size_t>(id)]; }

std::string Tr(TText id, std::initializer_list<std::string_view> args) {
  return Fill(RawText(id), args);
}

std::string TrEnglish(TText id, std::initializer_list<std::string_view> args) {
  return Fill(English()[static_cast<size_t>(id)], args);
}

std::string Translated(std::string_view english, std::initializer_list<TText> candidates) {
  std::string_view args[9];
  for (TText id : candidates)
    if (Match(English()[static_cast<size_t>(id)], english, args)) return Fill(RawText(id), args, 9);
  return std::string(english);
}

void SetLanguage(std::string_view tag) {
  const TLanguageTable* table = FindTable(tag);
  if (!table) table = &kLanguageTables[0];
  TCurrent& current = Current();
  current.Tag = table->Tag;
  current.Table.Load(*table);
  current.Texts = current.Table.Texts;
  const TTextArray& english = English();
  for (size_t i = 0; i < current.Texts.size(); ++i)
    if (current.Texts[i].empty()) current.Texts[i] = english[i];
}

std::string UnpackTexts(const TLanguageTable& table) {
  std::string texts;
  texts.reserve(table.Size);
  TMemoryInflate streams(table, texts);
  if (InflateZlib(streams) != TInflateResult::Ended || texts.size() != table.Size) texts.clear();
  return texts;
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
