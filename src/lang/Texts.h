#pragma once
// The texts the programs show, in the language chosen for this run. %1, %2...
// in a text are filled from args. English is the language until one is set;
// logs use the English texts whatever the user sees.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lang/TextIds.h"

std::string Tr(TText id, std::initializer_list<std::string_view> args = {});
std::string TrEnglish(TText id, std::initializer_list<std::string_view> args = {});
// An English text that lower layers made (a reason, say) in the language
// chosen: the first of candidates whose English reads as it, with what its
// placeholders stood for; else the text as it is.
std::string Translated(std::string_view english, std::initializer_list<TText> candidates);
// The text as the table holds it, placeholders included; English where the
// language's table lacks it.
std::string_view RawText(TText id);

// Makes tag (one of LanguageTags()) the language; any other tag means English.
void SetLanguage(std::string_view tag);
const std::string& CurrentLanguage();
bool EnglishChosen();

// The languages the programs carry, English first.
std::vector<std::string> LanguageTags();
// The carried language's own spelling of tag (letter case ignored); empty
// when none matches.
std::string CarriedLanguage(std::string_view tag);
