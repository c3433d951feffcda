// The choice of the language, and the tables a translator edits: every text
// of English in every language, the same placeholders, and access keys that
// do not clash on a page.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "lang/LanguageChoice.h"
#include "lang/LanguageTables.h"
#include "lang/Texts.h"

namespace {

using TTags = std::vector<std::string>;

TEST(LanguageChoice, EveryRuleInItsOrder) {
  const TTags all = {};  // every carried language, English the fallback
  EXPECT_EQ(ChooseLanguage(all, {"de-DE"}), "de");
  EXPECT_EQ(ChooseLanguage(all, {"de-AT"}), "de");
  EXPECT_EQ(ChooseLanguage(all, {"pt-BR"}), "pt-BR");
  EXPECT_EQ(ChooseLanguage(all, {"pt-PT"}), "pt-BR");
  EXPECT_EQ(ChooseLanguage(all, {"PT_br"}), "pt-BR");
  for (const char* traditional : {"zh-TW", "zh-HK", "zh-MO", "zh-Hant-TW"})
    EXPECT_EQ(ChooseLanguage(all, {traditional}), "zh-Hant") << traditional;
  for (const char* simplified : {"zh-CN", "zh-SG", "zh", "zh-Hans-CN"})
    EXPECT_EQ(ChooseLanguage(all, {simplified}), "zh-Hans") << simplified;
  EXPECT_EQ(ChooseLanguage(all, {"ja-JP"}), "ja");
  // Languages not carried: the next of the user's, else English.
  EXPECT_EQ(ChooseLanguage(all, {"sv-SE", "fi-FI", "ru-RU"}), "ru");
  EXPECT_EQ(ChooseLanguage(all, {"sv-SE"}), "en");
  EXPECT_EQ(ChooseLanguage(all, {}), "en");
  // The first of the user's languages wins even when a later one is exact.
  EXPECT_EQ(ChooseLanguage(all, {"de-CH", "en"}), "de");

  // A product's own list: its first entry is the fallback.
  const TTags product = {"fr", "de"};
  EXPECT_EQ(ChooseLanguage(product, {"en-US"}), "fr");
  EXPECT_EQ(ChooseLanguage(product, {"de-AT"}), "de");
  EXPECT_EQ(ChooseLanguage(product, {"ja-JP", "de-DE"}), "de");
  EXPECT_EQ(ChooseLanguage({"pt-BR", "zh-Hans"}, {"zh-TW"}), "zh-Hans");  // same language
  EXPECT_EQ(ChooseLanguage({"zh-Hant", "zh-Hans"}, {"zh-CN"}), "zh-Hans");
}

TEST(LanguageChoice, OfferedLanguagesKeepOnlyCarriedOnesInTheirOrder) {
  EXPECT_EQ(OfferedLanguages({" FR ", "xx", "de", "fr", "", "ZH-hant"}),
            (TTags{"fr", "de", "zh-Hant"}));
  EXPECT_TRUE(OfferedLanguages({"klingon"}).empty());
  EXPECT_EQ(CarriedLanguage("Pt-br"), "pt-BR");
  EXPECT_EQ(CarriedLanguage("pt"), "");
}

TEST(Texts, LookupFillsPlaceholdersAndFallsBackToEnglish) {
  SetLanguage("de");
  EXPECT_EQ(CurrentLanguage(), "de");
  EXPECT_EQ(Tr(TText::UninstallCaption, {"Hello"}), "Hello deinstallieren");
  EXPECT_EQ(TrEnglish(TText::UninstallCaption, {"Hello"}), "Uninstall Hello");
  SetLanguage("no-such");
  EXPECT_TRUE(EnglishChosen());
  EXPECT_EQ(Tr(TText::PreviousButtonFirst), "<< &Previous ");  // the blank kept
}

std::vector<std::string> TextsOf(const TLanguageTable& table) {
  std::string blob = UnpackTexts(table);
  EXPECT_EQ(blob.size(), table.Size) << table.Tag;
  std::vector<std::string> texts;
  const char* p = blob.c_str();
  for (size_t i = 0; i < static_cast<size_t>(TText::Count) && blob.size() == table.Size; ++i) {
    texts.emplace_back(p);
    p += texts.back().size() + 1;
  }
  texts.resize(static_cast<size_t>(TText::Count));
  return texts;
}

std::set<char> Placeholders(const std::string& text) {
  std::set<char> found;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text[i + 1]);
  return found;
}

// The access key of a caption, folded to lower case (Latin, Greek and
// Cyrillic capitals), or 0 when it has none.
char32_t AccessKey(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(caption.data() + i + 1);
    char32_t c = s[0];
    if (c >= 0xC0 && c < 0xE0) c = ((c & 0x1F) << 6) | (s[1] & 0x3F);
    if (c >= 'A' && c <= 'Z') c += 32;
    if (c >= 0x410 && c <= 0x42F) c += 32;
    if (c >= 0x400 && c <= 0x40F) c += 80;
    if (c == 0x130) c = 'i';  // Turkish dotted capital I
    return c;
  }
  return 0;
}

TEST(Texts, EveryLanguageHasEveryTextWithItsPlaceholders) {
  std::vector<std::string> english = TextsOf(kLanguageTables[0]);
  ASSERT_EQ(std::string(kLanguageTables[0].Tag), "en");
  EXPECT_EQ(kLanguageTableCount, 15u);
  for (unsigned l = 1; l < kLanguageTableCount; ++l) {
    std::vector<std::string> texts = TextsOf(kLanguageTables[l]);
    for (size_t i = 0; i < texts.size(); ++i) {
      SCOPED_TRACE(std::string(kLanguageTables[l].Tag) + " text " + std::to_string(i) + ": " +
                   english[i].substr(0, 40));
      EXPECT_FALSE(texts[i].empty());
      EXPECT_EQ(Placeholders(texts[i]), Placeholders(english[i]));
      EXPECT_EQ(AccessKey(texts[i]) != 0, AccessKey(english[i]) != 0);
    }
  }
}

TEST(Texts, AccessKeysDifferOnEveryPage) {
  const std::vector<std::vector<TText>> pages = {
      {TText::PreviousButtonFirst, TText::NextButton, TText::CancelButton},
      {TText::PrintButton, TText::YesButton, TText::NoButton, TText::CancelButton},
      {TText::BrowseButton, TText::PreviousButton, TText::NextButton, TText::CancelButton,
       TText::InstallForAllUsers, TText::InstallJustForMe},
      {TText::DesktopIconCheck, TText::LaunchNowCheck, TText::ReadmeButton, TText::FinishButton,
       TText::RestartNowRadio, TText::RestartLaterRadio},
      {TText::OKButton, TText::CancelButton},
  };
  for (unsigned l = 0; l < kLanguageTableCount; ++l) {
    std::vector<std::string> texts = TextsOf(kLanguageTables[l]);
    for (const auto& page : pages) {
      std::map<char32_t, std::string> seen;
      for (TText id : page) {
        const std::string& caption = texts[static_cast<size_t>(id)];
        char32_t key = AccessKey(caption);
        if (!key) continue;
        auto [it, fresh] = seen.emplace(key, caption);
        EXPECT_TRUE(fresh) << kLanguageTables[l].Tag << ": \"" << caption << "\" and \""
                           << it->second << "\"";
      }
    }
  }
}

}  // namespace
