#include "text/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

namespace kvl {
namespace {

// The UI runs under ru_RU, whose decimal separator is ","; files and frames
// must still get ".".
class RussianLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* prev = std::setlocale(LC_ALL, nullptr);
    saved_ = prev ? prev : "C";
    // The Windows C library names it by language and country.
    have_ru_ = std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr || std::setlocale(LC_ALL, "Russian_Russia.1251");
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
  std::string saved_;
  bool have_ru_ = false;
};

TEST_F(RussianLocale, FormatAndParseIgnoreTheProcessLocale) {
  if (!have_ru_) GTEST_SKIP() << "ru_RU.UTF-8 locale not installed (scripts/install-deps.sh builds it)";
  char plain[16];
  std::snprintf(plain, sizeof plain, "%.3f", 1.8);
  ASSERT_STREQ(plain, "1,800") << "the Russian locale is not in effect";
  EXPECT_EQ(Format("%.3f", 1.8), "1.800");
  EXPECT_EQ(Format("%s %u: %s %u (%s)", "Modbus #", 1u, "x", 2u, "y"), "Modbus # 1: x 2 (y)");
  double v = 0;
  std::size_t used = 0;
  ASSERT_TRUE(ParseDouble("2.25 rest", &v, &used));
  EXPECT_DOUBLE_EQ(v, 2.25);
  EXPECT_EQ(used, 4u);
  EXPECT_FALSE(ParseDouble("abc", &v));
}

TEST(Format, LongOutputIsNotTruncated) {
  const std::string long_arg(1000, 'x');
  EXPECT_EQ(Format("[%s]", long_arg.c_str()).size(), 1002u);
}

}  // namespace
}  // namespace kvl
