#pragma once
// The shape of every operator-visible text: one string per language, picked
// by the language index. Texts are UTF-8 in the source; files are written in
// Windows-1251 through the codec of this folder.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kvl {

using LanguageIndex = std::uint8_t;
inline constexpr LanguageIndex kEnglish = 0;
inline constexpr LanguageIndex kRussian = 1;
inline constexpr LanguageIndex kSpanish = 2;  // stored, never offered

struct TextEntry {
  const char* text[3];  // English, Russian, Spanish ("" where a column is empty)

  // An empty column shows as an empty text: there is no fallback.
  const char* operator()(LanguageIndex lang) const { return lang < 3 && text[lang] ? text[lang] : ""; }
};

using TextList = std::span<const TextEntry>;

}  // namespace kvl
