#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/cp1251.h"
#include "text/dialog_texts.h"
#include "text/main_window_texts.h"
#include "text/message_texts.h"
#include "text/selector_lists.h"
#include "text/text_registry.h"

namespace kvl {
namespace {

// The printf conversions of a text, in order ("%+d", "%lu", ...); "%%" is no conversion.
std::string Conversions(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') continue;
    if (i + 1 < s.size() && s[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < s.size() && std::string_view("+-#0 123456789.lh").find(s[j]) != std::string_view::npos) ++j;
    if (j < s.size() && std::string_view("diuxXfsc").find(s[j]) != std::string_view::npos) {
      out += s.substr(i, j - i + 1);
      out += ' ';
      i = j;
    }
  }
  return out;
}

TEST(TextTables, EveryTextSurvivesTheFileCodePage) {
  const auto all = txt::AllTextEntries();
  ASSERT_GT(all.size(), 400u);
  std::size_t russian = 0;
  for (const auto& [area, entry] : all) {
    ASSERT_NE(entry, nullptr) << area;
    for (LanguageIndex lang : {kEnglish, kRussian, kSpanish}) {
      const std::string text = (*entry)(lang);
      std::string bytes;
      std::string bad;
      EXPECT_TRUE(EncodeCp1251(text, bytes, &bad))
          << area << ": \"" << text << "\" has no Windows-1251 form for \"" << bad << "\"";
      EXPECT_EQ(DecodeCp1251(bytes), text) << area;
      EXPECT_EQ(DecodeTextBytes(bytes), text) << area;
      if (lang == kRussian) {
        for (char c : bytes) {
          if (static_cast<unsigned char>(c) >= 0xC0) {  // А..я
            ++russian;
            break;
          }
        }
      }
    }
  }
  EXPECT_GT(russian, 250u) << "the Russian column seems not to be Cyrillic";
}

TEST(TextTables, NoEntryIsListedTwice) {
  std::set<const TextEntry*> seen;
  for (const auto& [area, entry] : txt::AllTextEntries()) {
    // The Z40 gas table reuses the common table's entries by value, never by address.
    EXPECT_TRUE(seen.insert(entry).second) << area << ": " << (*entry)(kEnglish);
  }
}

// A translation that loses or reorders a conversion would print garbage or crash.
TEST(TextTables, TranslationsKeepThePrintfConversions) {
  for (const auto& [area, entry] : txt::AllTextEntries()) {
    const std::string en = (*entry)(kEnglish);
    for (LanguageIndex lang : {kRussian, kSpanish}) {
      const std::string other = (*entry)(lang);
      if (other.empty()) continue;
      EXPECT_EQ(Conversions(other), Conversions(en)) << area << ": \"" << en << "\" vs \"" << other << "\"";
    }
  }
}

// Pieces are glued to other pieces, so their edge blanks must survive translation.
TEST(TextTables, TranslatedPiecesKeepTheirEdgeBlanks) {
  for (const auto& [area, entry] : txt::AllTextEntries()) {
    if (entry == &txt::kResponses) continue;  // the Russian note is padded on purpose
    const std::string en = (*entry)(kEnglish);
    const std::string ru = (*entry)(kRussian);
    if (en.empty() || ru.empty()) continue;
    EXPECT_EQ(en.front() == ' ', ru.front() == ' ') << area << ": \"" << en << "\" / \"" << ru << "\"";
    EXPECT_EQ(en.back() == ' ', ru.back() == ' ') << area << ": \"" << en << "\" / \"" << ru << "\"";
  }
}

// Spanish is written without accented letters ("Calibracio'n"), so it never
// depends on a code page.
TEST(TextTables, SpanishTextsArePlainAscii) {
  for (const auto& [area, entry] : txt::AllTextEntries()) {
    for (char c : std::string((*entry)(kSpanish))) {
      EXPECT_LT(static_cast<unsigned char>(c), 0x80) << area << ": \"" << (*entry)(kSpanish) << "\"";
    }
  }
}

TEST(TextTables, SpanishColumnIsEmptyWhereNoTranslationExists) {
  EXPECT_STREQ(txt::kRelay1(kSpanish), "Rele' 1");
  EXPECT_STREQ(txt::kRelay2(kSpanish), "");
  EXPECT_STREQ(txt::kOnShort(kRussian), "");
  EXPECT_STREQ(txt::kOnShort(kSpanish), "Act.");
  EXPECT_STREQ(txt::kCancel(kSpanish), "");
  // Out-of-range indices give an empty text as well, never another column.
  EXPECT_STREQ(txt::kCancel(3), "");
}

TEST(SelectorLists, PositionsCarryTheMeaning) {
  ASSERT_EQ(DetectorTypes().size(), 5u);
  EXPECT_STREQ(DetectorTypes()[2](kEnglish), "");
  EXPECT_STREQ(DetectorTypes()[3](kRussian), "З40");
  EXPECT_STREQ(DetectorTypes()[0](kSpanish), "KVELT");
  ASSERT_EQ(OperatingModes().size(), 7u);
  EXPECT_STREQ(OperatingModes()[3](kRussian), "Градуировка-Z5");
  EXPECT_STREQ(OperatingModes()[6](kEnglish), "Imitation");
  ASSERT_EQ(Quantities().size(), 9u);
  EXPECT_STREQ(Quantities()[5](kRussian), "Dприв");
  EXPECT_STREQ(Quantities()[8](kSpanish), "P");
  EXPECT_STREQ(FileFields()[kFieldModbusNumber](kRussian), "Номер_устройства_Modbus=");
  EXPECT_STREQ(FileFields()[kFieldSerialNumber](kSpanish), "Numero_de_fabrica=");
  EXPECT_STREQ(GraduationButton()[1](kEnglish), "   Stop graduation");
}

// The configuration file stores the language selector's text and matches it
// whatever language is active, so the names must not be translated.
TEST(SelectorLists, LanguageNamesReadTheSameInEveryLanguage) {
  ASSERT_EQ(LanguageNames().size(), 3u);
  for (const TextEntry& name : LanguageNames()) {
    EXPECT_STREQ(name(kRussian), name(kEnglish));
    EXPECT_STREQ(name(kSpanish), name(kEnglish));
  }
  EXPECT_STREQ(LanguageNames()[kRussian](kEnglish), "Russian");
}

TEST(SelectorLists, StagePromptForEveryStepAndValveMode) {
  EXPECT_STREQ(StagePrompts()[StagePromptIndex(0, false)](kEnglish),
               "Set the temperature of %+d°C. Wait for the stabilization.");
  EXPECT_STREQ(StagePrompts()[StagePromptIndex(0, true)](kRussian),
               "Установка температуры %+d°C. Ожидание стабилизации.");
  EXPECT_STREQ(StagePrompts()[StagePromptIndex(2, false)](kRussian),
               "%+d°C. Подайте высокую ПГС. Дождитесь стабилизации.");
  EXPECT_STREQ(StagePrompts()[StagePromptIndex(3, true)](kEnglish),
               "%+d°C. Middle gas mixture feeding. Waiting for the stabilization.");
  // The last step feeds zero gas again.
  EXPECT_EQ(StagePromptIndex(4, true), StagePromptIndex(1, true));
  EXPECT_EQ(StagePromptIndex(4, false), StagePromptIndex(1, false));
  for (int step = 0; step <= 4; ++step) {
    for (bool automatic : {false, true}) {
      const int i = StagePromptIndex(step, automatic);
      ASSERT_GE(i, 0);
      ASSERT_LT(i, kStagePromptCount);
    }
  }
}

}  // namespace
}  // namespace kvl
