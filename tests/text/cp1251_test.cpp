#include "text/cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace kvl {
namespace {

TEST(Cp1251, EveryByteDecodesAndEncodesBackToItself) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = DecodeCp1251(byte);
    EXPECT_TRUE(IsValidUtf8(utf8)) << "byte " << b;
    std::string back;
    EXPECT_TRUE(EncodeCp1251(utf8, back)) << "byte " << b;
    EXPECT_EQ(back, byte) << "byte " << b;
  }
}

TEST(Cp1251, KnownCharactersHaveTheirWindowsBytes) {
  std::string out;
  ASSERT_TRUE(EncodeCp1251("№ Ёё «»°—–…€", out));
  EXPECT_EQ(out, "\xB9 \xA8\xB8 \xAB\xBB\xB0\x97\x96\x85\x88");
  ASSERT_TRUE(EncodeCp1251("АЯаяЖж", out));
  EXPECT_EQ(out, "\xC0\xDF\xE0\xFF\xC6\xE6");
  ASSERT_TRUE(EncodeCp1251("ЂЃѓЉЊЌЋЏђљњќћџЎўЈҐґЄєІіЇїЅѕј", out));
  EXPECT_EQ(
      out,
      "\x80\x81\x83\x8A\x8C\x8D\x8E\x8F\x90\x9A\x9C\x9D\x9E\x9F\xA1\xA2\xA3\xA5\xB4\xAA\xBA\xB2\xB3\xAF\xBF"
      "\xBD\xBE\xBC");
  EXPECT_EQ(DecodeCp1251("\xCF\xF0\xE8\xE1\xEE\xF0 \xB9"), "Прибор №");
}

TEST(Cp1251, AsciiAndControlCharactersPassThrough) {
  const std::string ascii = "Gas=Methane\r\n\t\x01 %+d";
  std::string out;
  ASSERT_TRUE(EncodeCp1251(ascii, out));
  EXPECT_EQ(out, ascii);
  EXPECT_EQ(DecodeCp1251(ascii), ascii);
  const std::string withNul("a\0b", 3);
  ASSERT_TRUE(EncodeCp1251(withNul, out));
  EXPECT_EQ(out, withNul);
}

TEST(Cp1251, UnmappableCharactersBecomeQuestionMarksAndAreReported) {
  std::string out;
  std::string bad;
  EXPECT_FALSE(EncodeCp1251("Gas ✓ 日 ok", out, &bad));
  EXPECT_EQ(out, "Gas ? ? ok");
  EXPECT_EQ(bad, "✓");  // the first one, not the last

  // Without a place for the culprit the result is still reported.
  EXPECT_FALSE(EncodeCp1251("ü", out));
  EXPECT_EQ(out, "?");

  // A stray non-UTF-8 byte is not passed through as if it were Windows-1251.
  EXPECT_FALSE(EncodeCp1251("a\xC0z", out, &bad));
  EXPECT_EQ(out, "a?z");
  EXPECT_EQ(bad, "\xC0");
  EXPECT_FALSE(EncodeCp1251("\xE2\x84", out, &bad));  // truncated at the end
  EXPECT_EQ(out, "??");
}

TEST(Cp1251, StrictUtf8Validation) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("Природ- ный газ №5 😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation byte
}

TEST(Cp1251, ReaderKeepsUtf8AndFallsBackToWindows1251) {
  EXPECT_EQ(DecodeTextBytes("Газ=Метан"), "Газ=Метан");
  // The same text as a Windows-1251 file writes it.
  EXPECT_EQ(DecodeTextBytes("\xC3\xE0\xE7=\xCC\xE5\xF2\xE0\xED"), "Газ=Метан");
  // One stray Windows-1251 byte makes the whole text Windows-1251.
  EXPECT_EQ(DecodeTextBytes("T=25\xB0"), "T=25°");
  EXPECT_EQ(DecodeTextBytes("\xEF\xBB\xBF" "English"), "English") << "a UTF-8 byte-order mark is not text";
}

}  // namespace
}  // namespace kvl
