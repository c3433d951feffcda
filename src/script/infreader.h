#pragma once
// TINFReader: answers questions about the install script, a line-based text
// of bracketed section headers each followed by value lines up to the next
// blank line.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/MemoryStream.h"
#include "platform/TextArg.h"

class TINFReader {
 public:
  // Replaces the held lines with those of the stream's bytes from its current
  // position to its end (the stream ends up at its end).
  void LoadFromStream(TMemoryStream& Stream);
  // The same from bytes in hand: UTF-8 (with or without its mark) or, when
  // they are not valid UTF-8, the ANSI code page; held as UTF-8.
  void LoadFromStream(std::string_view Bytes);

  // Index of the line after the first header "[Name]" (letter case ignored),
  // or -1 when there is none.
  int32_t FindSection(TTextArg Name) const;
  // The header exists and at least one line follows it.
  bool SectionExists(TTextArg Name) const;
  // The first line after the header, as written; empty when absent.
  void GetValue(TTextArg Name, std::string& Value) const;
  std::string GetValue(TTextArg Name) const;
  // The section's value lines up to the first blank line ("#" alone gives an
  // empty value); nullptr when the header does not exist.
  std::unique_ptr<std::vector<std::string>> GetSection(TTextArg Name) const;

  // Left = text before the first ";", Right = text after it; without ";" Left
  // is empty and Right is the whole line. Nothing is trimmed.
  static void SplitValue(const std::string& Line, std::string& Left, std::string& Right);

  const std::vector<std::string>& Lines() const { return FLines; }

 private:
  std::vector<std::string> FLines;
};

// Whether line is the header text (both "[name]"), letter case ignored the way
// Windows compares names.
bool SameHeaderText(const std::string& line, const std::string& header);

// The package entries a script needs: the left field of every [files] line
// that is not blank, then the [license] and [image] values when those
// sections exist. An installer whose package lacks one of them is damaged.
std::vector<std::string> ScriptEntryNames(const TINFReader& reader);
