#pragma once
// Text inside the programs is UTF-8. These turn the bytes of scripts,
// licences and logs into UTF-8, and compare text the way Windows does when
// letter case does not matter.
#include <string>
#include <string_view>

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Text in the ANSI code page of the machine, as UTF-8. Windows asks the
// system; elsewhere the bytes are read as code page 1252.
std::string AnsiToUtf8(std::string_view bytes);

// UTF-16 LE bytes (without their mark) as UTF-8. An unpaired surrogate or a
// dangling last byte becomes U+FFFD: text from outside never stops a run.
std::string Utf16LeToUtf8(std::string_view bytes);

// The bytes of a script or a log as UTF-8: with a UTF-8 mark (dropped) or
// when valid UTF-8 as they are, else read in the ANSI code page. With
// utf16 set, a UTF-16 LE mark is honoured too (the licence text).
std::string TextToUtf8(std::string_view bytes, bool utf16 = false);

// The licence: as TextToUtf8 with UTF-16 LE, except that rich text (after
// any mark) is passed on as its bytes, for the rich-edit control reads it.
std::string LicenceTextToUtf8(std::string_view bytes);

// The cheap part of a comparison ignoring case, exact for ASCII: 1 when a and
// b are the same ASCII text, -1 when their ASCII start already tells them
// apart, 0 when non-ASCII text must be compared in full. Looking entries up
// by name compares every name with every other.
int CompareAsciiIgnoreCase(std::string_view a, std::string_view b);

// Letter case folded the way Windows compares names ignoring case (simple
// upper-case mapping); invalid UTF-8 is left as it is.
std::string FoldCase(std::string_view utf8);
// Whether a and b are the same text, letter case ignored, as Windows tells
// (CompareStringOrdinal with ignore-case on Windows).
bool SameTextIgnoreCase(std::string_view a, std::string_view b);
