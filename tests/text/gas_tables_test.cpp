#include "text/gas_tables.h"

#include <gtest/gtest.h>

#include <string>

namespace kvl {
namespace {

std::string Name(TextList table, int code, LanguageIndex lang) {
  return table[code - 1](lang);
}

TEST(GasTables, CommonTableByCode) {
  const TextList t = GasTable(0);
  ASSERT_EQ(t.size(), 85u);
  EXPECT_EQ(Name(t, 1, kEnglish), "Methane");
  EXPECT_EQ(Name(t, 1, kSpanish), "Metano");
  EXPECT_EQ(Name(t, 39, kRussian), "Природ- ный газ");
  EXPECT_EQ(Name(t, 85, kEnglish), "Diethyl- amine");
  for (int code : {9, 10, 12, 13, 16, 28, 33, 36, 53, 72}) {
    for (LanguageIndex lang : {kEnglish, kRussian, kSpanish}) EXPECT_EQ(Name(t, code, lang), "---") << code;
  }
  // Every type but Z40 shares it, including the unnamed type 2.
  for (int type : {0, 1, 2, 4}) EXPECT_EQ(GasTable(type).data(), kCommonGasTable) << type;
}

TEST(GasTables, Z40TableFollowsItsOwnNumbering) {
  const TextList z = GasTable(3);
  ASSERT_EQ(z.data(), kZ40GasTable);
  ASSERT_EQ(z.size(), 85u);
  const TextList c = GasTable(0);
  auto same = [&](int z40Code, int commonCode) {
    for (LanguageIndex lang : {kEnglish, kRussian, kSpanish}) {
      EXPECT_EQ(Name(z, z40Code, lang), Name(c, commonCode, lang)) << "Z40 code " << z40Code;
    }
  };
  for (int code = 1; code <= 8; ++code) same(code, code);
  same(10, 11);
  const int fromCommon[][2] = {{11, 37}, {12, 15}, {13, 29}, {14, 30}, {15, 31}, {16, 32}, {17, 14}, {18, 38},
                               {19, 39}, {20, 40}, {21, 41}, {22, 42}, {23, 43}, {27, 47}, {28, 50}, {29, 52},
                               {30, 51}, {32, 74}, {33, 75}, {34, 76}, {35, 77}, {36, 78}, {37, 79}, {38, 80},
                               {39, 81}, {40, 82}, {41, 83}, {42, 84}, {43, 85}};
  for (const auto& m : fromCommon) same(m[0], m[1]);

  EXPECT_EQ(Name(z, 9, kEnglish), "---");
  EXPECT_EQ(Name(z, 9, kSpanish), "");
  EXPECT_EQ(Name(z, 24, kRussian), "Petr- oleum");
  EXPECT_EQ(Name(z, 25, kRussian), "Пара- ксилол");
  EXPECT_EQ(Name(z, 26, kEnglish), "Ortho- xylene");
  EXPECT_EQ(Name(z, 31, kRussian), "1.3-бу- тадиен");
  for (int code = 44; code <= 85; ++code) EXPECT_EQ(Name(z, code, kEnglish), "---") << code;
}

TEST(GasTables, EmptySpanishCellShowsEmpty) {
  EXPECT_STREQ(GasTable(0)[14 - 1](kSpanish), "");  // Ethylene
  EXPECT_STREQ(GasTable(0)[14 - 1](kRussian), "Этилен");
}

TEST(GasTables, SelectorNameDropsEveryBreakMark) {
  EXPECT_EQ(SelectorGasName("Природ- ный газ"), "Природный газ");
  EXPECT_EQ(SelectorGasName("Iso- butane"), "Isobutane");
  EXPECT_EQ(SelectorGasName("1.3-бу- тадиен"), "1.3-бутадиен");
  EXPECT_EQ(SelectorGasName("Natural gas"), "Natural gas");
  EXPECT_EQ(SelectorGasName("---"), "---");
  EXPECT_EQ(SelectorGasName("a- b- c-"), "abc-");
  EXPECT_EQ(SelectorGasName(""), "");
}

}  // namespace
}  // namespace kvl
