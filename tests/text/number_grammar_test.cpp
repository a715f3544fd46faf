#include "text/number_grammar.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>

namespace kvl {
namespace {

using V = TokenVerdict;

TEST(NumberGrammar, WholeTokensAreWholeNumbersOrRefused) {
  struct Row { const char* token; V verdict; long long value; };
  const Row rows[] = {
      {"17", V::kGood, 17},        {" 0017\t", V::kGood, 17},  {"+5", V::kGood, 5},
      {"-2048", V::kGood, -2048},  {"450.0", V::kGood, 450},   {"4.5e2", V::kGood, 450},
      {"65535", V::kGood, 65535},  {"", V::kEmpty, 0},          {" \t", V::kEmpty, 0},
      {"1?", V::kNotANumber, 0},   {"1 7", V::kNotANumber, 0},  {"10?8", V::kNotANumber, 0},
      {"22#0", V::kNotANumber, 0}, {"1x5", V::kNotANumber, 0},  {"0x39C", V::kNotANumber, 0},
      {"22 60", V::kNotANumber, 0}, {"0,25", V::kNotANumber, 0}, {"2O48", V::kNotANumber, 0},
      {"abc", V::kNotANumber, 0},  {"nan", V::kNotANumber, 0},  {"inf", V::kNotANumber, 0},
      {"--1", V::kNotANumber, 0},  {"+", V::kNotANumber, 0},    {"1e", V::kNotANumber, 0},
      {"450.5", V::kNotWhole, 0},  {"65536", V::kOutOfRange, 0}, {"-1", V::kOutOfRange, 0},
      {"99999999999999999999999", V::kOutOfRange, 0},          {"1e300", V::kOutOfRange, 0},
  };
  for (const Row& r : rows) {
    long long v = -7;
    const long long lo = std::string_view(r.token) == "-2048" ? -32768 : 0;
    EXPECT_EQ(ParseWholeToken(r.token, lo, 65535, &v), r.verdict) << '"' << r.token << '"';
    EXPECT_EQ(v, r.verdict == V::kGood ? r.value : -7) << '"' << r.token << '"';
  }
}

TEST(NumberGrammar, DecimalTokensInTheCFormOnlyWhateverTheLocale) {
  // The window runs in ru_RU, where the C library's own reading takes ",".
  const char* old = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
  struct Row { const char* token; V verdict; double value; };
  const Row rows[] = {
      {"0.25", V::kGood, 0.25}, {"-1.5", V::kGood, -1.5}, {"+3", V::kGood, 3},   {".5", V::kGood, 0.5},
      {"5.", V::kGood, 5},      {"2.5e-3", V::kGood, 0.0025}, {" 7 ", V::kGood, 7},
      {"0,25", V::kNotANumber, 0}, {"1.2.3", V::kNotANumber, 0}, {"nan", V::kNotANumber, 0},
      {"-inf", V::kNotANumber, 0}, {"0x1p3", V::kNotANumber, 0}, {"1e999", V::kOutOfRange, 0},
      {"101", V::kOutOfRange, 0},  {"", V::kEmpty, 0},
  };
  for (const Row& r : rows) {
    double v = -7;
    EXPECT_EQ(ParseDecimalToken(r.token, -100, 100, &v), r.verdict) << '"' << r.token << '"';
    EXPECT_DOUBLE_EQ(v, r.verdict == V::kGood ? r.value : -7) << '"' << r.token << '"';
  }
  if (old) std::setlocale(LC_NUMERIC, "C");
}

// KVELT settings registers are hexadecimal; a keyed value ends at its
// separator, but a number right after a blank or comma joins it as damage.
TEST(NumberGrammar, HexTokensAndKeyedValues) {
  const struct { const char* token; V verdict; unsigned long long value; } hex[] = {
      {"00AB", V::kGood, 0xAB}, {"abcd", V::kGood, 0xABCD}, {"0000", V::kGood, 0}, {"aBcD", V::kNotANumber, 0},
      {"12G4", V::kNotANumber, 0}, {"0x1", V::kNotANumber, 0}, {"10000", V::kOutOfRange, 0}, {"", V::kEmpty, 0}};
  for (const auto& r : hex) {
    unsigned long long v = 7;
    EXPECT_EQ(ParseHexToken(r.token, 0xFFFF, &v), r.verdict) << r.token;
    EXPECT_EQ(v, r.verdict == V::kGood ? r.value : 7u) << r.token;
  }
  const struct { const char* line; const char* token; } keyed[] = {
      {"=17, Gas=x", "17"}, {"= 5; x", "5"}, {"=1 7,", "1 7"}, {"=0,25", "0,25"}, {"=1 Gas=", "1"}, {"=", ""}};
  for (const auto& r : keyed) EXPECT_EQ(KeyedValueToken(r.line, 1), r.token) << r.line;
}

}  // namespace
}  // namespace kvl
