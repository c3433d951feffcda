#include "script/infreader.h"

#include "platform/TextEncoding.h"

namespace {

// Rule of blank lines: bytes up to 32 are stripped from both ends.
std::string_view StripBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

}  // namespace

void TINFReader::LoadFromStream(TMemoryStream& Stream) { LoadFromStream(Stream.ReadToEnd()); }

void TINFReader::LoadFromStream(std::string_view Bytes) {
  FLines.clear();
  // A zero byte ends the text.
  const size_t nul = Bytes.find('\0');
  if (nul != std::string_view::npos) Bytes = Bytes.substr(0, nul);
  // UTF-8 with its mark or when valid; else the machine's ANSI code page.
  const std::string decoded = TextToUtf8(Bytes);
  const std::string_view Text = decoded;
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      FLines.emplace_back(Text.substr(start));
      break;
    }
    FLines.emplace_back(Text.substr(start, end - start));
    // CR LF is one line end; a lone CR or a lone LF is one each.
    start = end + (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n' ? 2 : 1);
  }
}

int32_t TINFReader::FindSection(TTextArg Name) const {
  std::string header = "[";
  header += Name.c_str();
  header += ']';
  for (size_t i = 0; i < FLines.size(); ++i)
    if (SameHeaderText(FLines[i], header)) return static_cast<int32_t>(i + 1);
  return -1;
}

bool TINFReader::SectionExists(TTextArg Name) const {
  const int32_t i = FindSection(Name);
  return i != -1 && static_cast<size_t>(i) < FLines.size();
}

void TINFReader::GetValue(TTextArg Name, std::string& Value) const {
  Value.clear();
  const int32_t i = FindSection(Name);
  if (i != -1 && static_cast<size_t>(i) < FLines.size()) Value = FLines[i];
}

std::string TINFReader::GetValue(TTextArg Name) const {
  std::string value;
  GetValue(Name, value);
  return value;
}

std::unique_ptr<std::vector<std::string>> TINFReader::GetSection(TTextArg Name) const {
  const int32_t first = FindSection(Name);
  if (first == -1) return nullptr;
  auto values = std::make_unique<std::vector<std::string>>();
  for (size_t i = static_cast<size_t>(first); i < FLines.size(); ++i) {
    const std::string_view stripped = StripBlanks(FLines[i]);
    if (stripped.empty()) break;
    values->push_back(stripped == "#" ? std::string() : FLines[i]);
  }
  return values;
}

void TINFReader::SplitValue(const std::string& Line, std::string& Left, std::string& Right) {
  const size_t semicolon = Line.find(';');
  if (semicolon == std::string::npos) {
    Left.clear();
    Right = Line;
  } else {
    Left = Line.substr(0, semicolon);
    Right = Line.substr(semicolon + 1);
  }
}

bool SameHeaderText(const std::string& line, const std::string& header) {
  return SameTextIgnoreCase(line, header);
}

std::vector<std::string> ScriptEntryNames(const TINFReader& reader) {
  std::vector<std::string> names;
  if (auto files = reader.GetSection("files")) {
    for (const std::string& line : *files) {
      if (StripBlanks(line).empty()) continue;
      std::string entry, target;
      TINFReader::SplitValue(line, entry, target);
      names.push_back(std::move(entry));
    }
  }
  for (const char* section : {"license", "image"})
    if (reader.SectionExists(section)) names.push_back(reader.GetValue(section));
  return names;
}
