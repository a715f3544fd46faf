#include "chamber/chamber_protocol.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace kvl {
namespace {

TEST(ChamberProtocol, SetCommandsInTheCFormWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
  AsciiChamberCommands a;
  a.setCommand = "SP {T};{T}";
  a.setDecimals = 1;
  EXPECT_EQ(FormatSetCommand(a, -20), "SP -20.0;-20.0");
  a.setDecimals = 0;
  EXPECT_EQ(FormatSetCommand(a, 39.6), "SP 40;40");
  std::setlocale(LC_NUMERIC, old ? old : "C");
}

TEST(ChamberProtocol, ReplyFieldsAreNumbersOrTheReplyIsRefused) {
  struct Row { const char* separators; int measured, setPoint; const char* reply; bool ok; double m, s; };
  const Row rows[] = {
      {",", 1, 2, "23.41,40.0", true, 23.41, 40},
      {" =", 2, 4, "T=-19.8 S=-20.0", true, -19.8, -20},
      {" ,;\t", 1, 0, "  22.5  ", true, 22.5, NAN},
      {",", 1, 2, "23,4,40", true, 23, 4},  // a decimal comma is a separator here, not a decimal
      {";", 1, 2, "23,4;40", false, 0, 0},
      {",", 1, 2, "ERR", false, 0, 0},
      {",", 1, 2, "23.4", false, 0, 0},
      {",", 1, 2, "23.4,nan", false, 0, 0},
      {",", 1, 2, "", false, 0, 0},
      {",", 1, 2, "1e9,2", false, 0, 0},
  };
  for (const Row& r : rows) {
    AsciiChamberCommands a;
    a.replySeparators = r.separators;
    a.measuredField = r.measured;
    a.setPointField = r.setPoint;
    double m = -7, s = -7;
    EXPECT_EQ(ParseReadReply(a, r.reply, &m, &s), r.ok) << r.reply;
    if (!r.ok) {
      EXPECT_EQ(m, -7) << r.reply;  // nothing is read from a refused reply
      continue;
    }
    EXPECT_DOUBLE_EQ(m, r.m) << r.reply;
    if (std::isnan(r.s))
      EXPECT_TRUE(std::isnan(s));
    else
      EXPECT_DOUBLE_EQ(s, r.s) << r.reply;
  }
}

TEST(ChamberProtocol, RegisterWordsByScaleAndSignedness) {
  ModbusChamberRegisters m;
  m.scale = 10;
  m.isSigned = true;
  EXPECT_EQ(TemperatureWord(m, -20.5), std::uint16_t(65331));
  EXPECT_DOUBLE_EQ(WordTemperature(m, 65331), -20.5);
  EXPECT_EQ(TemperatureWord(m, 3276.7), std::uint16_t(32767));
  EXPECT_FALSE(TemperatureWord(m, 3276.8));
  m.isSigned = false;
  EXPECT_FALSE(TemperatureWord(m, -0.1));  // an unsigned register holds no frost
  EXPECT_DOUBLE_EQ(WordTemperature(m, 65331), 6533.1);
  m.scale = 100;
  EXPECT_EQ(TemperatureWord(m, 40.004), std::uint16_t(4000));
}

}  // namespace
}  // namespace kvl
