#pragma once
// Which language a run speaks.
#include <string>
#include <vector>

// The best of offered for the user's interface languages (most preferred
// first): for each in turn, a language of the same tag, else of the same
// language (de-AT finds de, pt-PT finds pt-BR); failing all, offered's first (the product's
// fallback), else English. Chinese is matched by script: zh-TW, zh-HK and zh-MO read Traditional,
// zh-CN and zh-SG Simplified. An empty offered list offers every language the programs carry, with
// English as the fallback.
std::string ChooseLanguage(const std::vector<std::string>& offered,
                           const std::vector<std::string>& userLanguages);

// The entries of a [languages] section that name a carried language, in
// their order, spelt as the programs spell them; others are passed over.
std::vector<std::string> OfferedLanguages(const std::vector<std::string>& lines);
