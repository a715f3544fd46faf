#include "detector/decoding.h"

#include <gtest/gtest.h>

#include <clocale>
#include <initializer_list>
#include <string>
#include <utility>

#include "detector/register_map.h"

namespace kvl {
namespace {

RegisterImage Image(std::initializer_list<std::pair<int, std::uint16_t>> words) {
  RegisterImage img{};
  img[reg::kStatus] = 0x0101;  // methane, serviceable
  for (const auto& [address, value] : words) img[address] = value;
  return img;
}

DecodeContext Ctx(int type, bool raw = false, LanguageIndex lang = kEnglish, int mode = kModeTuning) {
  DecodeContext c;
  c.type = type;
  c.mode = mode;
  c.language = lang;
  c.rawView = raw;
  return c;
}

std::string Text(const RegisterImage& img, const DecodeContext& ctx, Cell cell) {
  return DecodeRow(img, ctx)[cell].text;
}

TEST(GasCell, NamesUnknownCodesAndZ40Table) {
  EXPECT_EQ(GasName(kTypeKvelt, 1, kEnglish), "Methane");
  EXPECT_EQ(GasName(kTypeZ5, 1, kRussian), "Метан");
  // Code 9 names no gas in the common table; 0 and 86 are outside it.
  EXPECT_EQ(GasName(kTypeZ, 9, kEnglish), "? 9");
  EXPECT_EQ(GasName(kTypeZ, 0, kEnglish), "? 0");
  EXPECT_EQ(GasName(kTypeZ, 86, kEnglish), "? 86");
  EXPECT_EQ(GasName(kTypeZ, 255, kEnglish), "? 255");
  // Z40 numbers its gases its own way: code 10 is methanol there, nothing elsewhere.
  EXPECT_EQ(GasName(kTypeZ40, 10, kEnglish), "Metha- nol");
  EXPECT_EQ(GasName(kTypeKvelt, 10, kEnglish), "? 10");
  EXPECT_EQ(GasName(kTypeZ40, 44, kEnglish), "? 44");
  // An empty Spanish cell shows an empty name, without fallback.
  EXPECT_EQ(GasName(kTypeKvelt, 14, kSpanish), "");
}

TEST(GasCell, OneLineCellShowsTheNameWithoutItsLineBreakHint) {
  const RegisterImage img = Image({{reg::kStatus, 0x0501}});
  const RowCells row = DecodeRow(img, Ctx(kTypeKvelt));
  EXPECT_EQ(row[Cell::Gas].text, "Isobutane");
  EXPECT_EQ(row[Cell::Gas].fontWidth, kFontWidth5);
  EXPECT_EQ(GasNameText(kTypeKvelt, 5, kEnglish), "Isobutane");
  EXPECT_EQ(GasNameText(kTypeKvelt, 39, kRussian), "Природный газ");
  // Four characters or fewer take the wider font; Russian letters count once.
  EXPECT_EQ(DecodeRow(Image({{reg::kStatus, 0x2001}}), Ctx(kTypeKvelt, false, kRussian))[Cell::Gas].text, "МТБЭ");
  EXPECT_EQ(DecodeRow(Image({{reg::kStatus, 0x2001}}), Ctx(kTypeKvelt, false, kRussian))[Cell::Gas].fontWidth,
            kFontWidth6);
}

TEST(SerialCell, SixteenOrThirtyTwoBitsByFirmware) {
  RegisterImage img = Image({{reg::SER_NUM, 0x1234}, {reg::SER_NUM_HIGH, 0x0102}, {reg::kFirmware, 0x072E}});
  EXPECT_EQ(Text(img, Ctx(kTypeKvelt), Cell::SerialNumber), "4660");
  EXPECT_EQ(Text(img, Ctx(kTypeKvelt, true), Cell::SerialNumber), "101234");
  img[reg::kFirmware] = 0x072F;
  EXPECT_EQ(Text(img, Ctx(kTypeKvelt), Cell::SerialNumber), std::to_string(0x0102 * 65536 + 0x1234));
  // Raw 32-bit form: low byte of the high word, then the low word; no register number.
  EXPECT_EQ(Text(img, Ctx(kTypeKvelt, true), Cell::SerialNumber), "21234");
  // A search does not read the high word: the 32-bit number is not shown meanwhile.
  DecodeContext searching = Ctx(kTypeKvelt);
  searching.searchRunning = true;
  EXPECT_EQ(Text(img, searching, Cell::SerialNumber), "");
  searching.type = kTypeZ;
  EXPECT_EQ(Text(img, searching, Cell::SerialNumber), "4660");
  // Eight digits take the narrowest font.
  EXPECT_EQ(DecodeRow(img, Ctx(kTypeZ5))[Cell::SerialNumber].fontWidth, kFontWidth4);
}

TEST(RawView, RegisterNumberAndHexForms) {
  const RegisterImage img = Image({{reg::kLimits, 0x1428}, {reg::kConcentration, 0xFFF6}, {reg::kT, 0x00C8},
                                   {reg::kFirmware, 0x070A}, {reg::kVolumeConcentration, 0x0010},
                                   {reg::kWo, 0xABCD}, {64, 0x0003}});
  const RowCells row = DecodeRow(img, Ctx(kTypeZ, true));
  EXPECT_EQ(row[Cell::Gas].text, "2:0101");
  EXPECT_EQ(row[Cell::Limit1].text, "4:1428");
  EXPECT_EQ(row[Cell::Limit2].text, "4:1428");
  EXPECT_EQ(row[Cell::Lel].text, "11:FFF6");
  EXPECT_EQ(row[Cell::ZeroShift].text, "11:FFF6");
  EXPECT_EQ(row[Cell::T].text, "9:00C8");
  EXPECT_EQ(row[Cell::Firmware].text, "12070A");
  EXPECT_EQ(row[Cell::VolumePercent].text, "140010");
  EXPECT_EQ(row[Cell::Wo].text, "16ABCD");
  EXPECT_EQ(row[Cell::HeaterPower].text, "65:0003");
  EXPECT_EQ(row[Cell::LelConc].text, "720000");
  EXPECT_EQ(row[Cell::Current].text, "660000");
  // Magnetic calibration: the word alone.
  EXPECT_EQ(row[Cell::MagneticCalibration].text, "0000");
  // Raw view never changes fonts by length.
  for (const CellText& c : row.cells) EXPECT_EQ(c.fontWidth, kFontWidth5) << c.text;
}

TEST(RawView, KveltCurrentAndTypeSpecificRegisters) {
  RegisterImage img = Image({{55, 0x0800}, {62, 1}, {63, 0x0050}, {61, 1}});
  RowCells row = DecodeRow(img, Ctx(kTypeKvelt, true));
  EXPECT_EQ(row[Cell::Current].text, "---");
  EXPECT_EQ(row[Cell::EmitterPower].text, "560800");
  EXPECT_EQ(row[Cell::HeatingLimit].text, "640050");
  EXPECT_EQ(row[Cell::ZeroingNegative].text, "620001");
  // A KVELT in fault keeps its raw text: the fault current is a normal-view rule.
  img[reg::kStatus] = 0x0100;
  EXPECT_EQ(Text(img, Ctx(kTypeKvelt, true), Cell::Current), "---");

  img = Image({{reg::z5::kLatching1, 1}, {reg::z5::kLatching2, 0}, {reg::z5::kFlags, 0x78},
               {reg::z5::kShowNegative, 1}, {reg::z5::CV, 5}, {27, 10000}});
  row = DecodeRow(img, Ctx(kTypeZ5, true));
  EXPECT_EQ(row[Cell::Latching1].text, "35:0001");
  EXPECT_EQ(row[Cell::Latching2].text, "36:0000");
  EXPECT_EQ(row[Cell::Flags].text, "240078");
  EXPECT_EQ(row[Cell::ShowNegative].text, "370001");
  EXPECT_EQ(row[Cell::Cv].text, "180005");
  EXPECT_EQ(row[Cell::Kur].text, "282710");

  img = Image({{reg::z40::kLatching, 0x0006}, {reg::z40::kRu6310, 1}});
  row = DecodeRow(img, Ctx(kTypeZ40, true));
  EXPECT_EQ(row[Cell::Latching1].text, "92:0006");
  EXPECT_EQ(row[Cell::Latching2].text, "92:0006");
  EXPECT_EQ(row[Cell::Ru6310].text, "93:0001");
}

TEST(ValueCells, SignedValuesAndTemperatureScale) {
  const RegisterImage img = Image({{reg::kT, 0xFFEC}, {reg::kD, 0xFFFF}, {reg::kDm, 0x8000},
                                   {reg::kConcentration, 0xFFFB}, {reg::kVolumeConcentration, 0xFF38}});
  for (int type : {kTypeKvelt, kTypeZ5}) EXPECT_EQ(Text(img, Ctx(type), Cell::T), "-20") << type;
  for (int type : {kTypeZ, kType2, kTypeZ40}) EXPECT_EQ(Text(img, Ctx(type), Cell::T), "-2.0") << type;
  const RowCells row = DecodeRow(img, Ctx(kTypeZ));
  EXPECT_EQ(row[Cell::D].text, "-1");
  EXPECT_EQ(row[Cell::Dm].text, "-32768");
  EXPECT_EQ(row[Cell::Lel].text, "-0.5");
  EXPECT_EQ(row[Cell::ZeroShift].text, "---");
  EXPECT_EQ(row[Cell::VolumePercent].text, "-0.200");
}

TEST(ValueCells, LelConcTrimsTrailingZeros) {
  EXPECT_EQ(Text(Image({{71, 5000}}), Ctx(kTypeZ), Cell::LelConc), "50");
  EXPECT_EQ(Text(Image({{71, 4375}}), Ctx(kTypeZ), Cell::LelConc), "43.75");
  EXPECT_EQ(Text(Image({{71, 4380}}), Ctx(kTypeZ), Cell::LelConc), "43.8");
  EXPECT_EQ(Text(Image({{78, 440}}), Ctx(kType2), Cell::LelConc), "4.4");
  EXPECT_EQ(Text(Image({{86, 0}}), Ctx(kTypeZ40), Cell::LelConc), "0");
  EXPECT_EQ(Text(Image({{22, 4400}}), Ctx(kTypeZ5), Cell::LelConc), "4.4");
  EXPECT_EQ(Text(Image({{22, 65535}}), Ctx(kTypeZ5), Cell::LelConc), "65.535");
  // KVELT keeps it for settings files only.
  EXPECT_EQ(Text(Image({{71, 5000}}), Ctx(kTypeKvelt), Cell::LelConc), "");
  EXPECT_EQ(DecodeRow(Image({{71, 4375}}), Ctx(kTypeZ))[Cell::LelConc].fontWidth, kFontWidth5);
  EXPECT_EQ(DecodeRow(Image({{71, 5000}}), Ctx(kTypeZ))[Cell::LelConc].fontWidth, kFontWidth7);
}

TEST(ValueCells, HeatingLimit) {
  EXPECT_EQ(Text(Image({{62, 2}, {63, 500}}), Ctx(kTypeZ), Cell::HeatingLimit), "? 2");
  EXPECT_EQ(Text(Image({{62, 0}, {63, 500}}), Ctx(kTypeZ), Cell::HeatingLimit), "---");
  EXPECT_EQ(Text(Image({{62, 1}, {63, 1250}}), Ctx(kTypeZ), Cell::HeatingLimit), "12.5");
  EXPECT_EQ(Text(Image({{62, 1}, {63, 1000}}), Ctx(kTypeZ40), Cell::HeatingLimit), "10");
  EXPECT_EQ(Text(Image({{62, 1}, {63, 0xFF9C}}), Ctx(kTypeKvelt), Cell::HeatingLimit), "-1");
  EXPECT_EQ(Text(Image({{70, 1}, {71, 5}}), Ctx(kType2), Cell::HeatingLimit), "0.05");
  // Z5 keeps a whole number, unsigned.
  EXPECT_EQ(Text(Image({{29, 1}, {30, 40000}}), Ctx(kTypeZ5), Cell::HeatingLimit), "40000");
}

TEST(ValueCells, CurrentOfKveltFollowsConcentrationAndFaults) {
  EXPECT_EQ(Text(Image({{reg::kConcentration, 125}}), Ctx(kTypeKvelt), Cell::Current), "6.00");
  EXPECT_EQ(Text(Image({{reg::kConcentration, 0xFFF6}}), Ctx(kTypeKvelt), Cell::Current), "3.84");
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x0001}}), Ctx(kTypeKvelt), Cell::Current), "?");
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x5601}}), Ctx(kTypeKvelt), Cell::Current), "?");
  // In fault the loop carries 2 mA whatever the concentration or gas.
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x0100}, {reg::kConcentration, 500}}), Ctx(kTypeKvelt), Cell::Current),
            "2.00");
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x0000}}), Ctx(kTypeKvelt), Cell::Current), "2.00");
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x0106}, {90, 12000}}), Ctx(kTypeZ40), Cell::Current), "2.00");
  // Other types read their output register; Z and Z5 report their own fault current.
  EXPECT_EQ(Text(Image({{reg::kStatus, 0x0100}, {65, 4000}}), Ctx(kTypeZ), Cell::Current), "4.000");
  EXPECT_EQ(Text(Image({{38, 20000}}), Ctx(kTypeZ5), Cell::Current), "20.000");
  EXPECT_EQ(DecodeRow(Image({{38, 20000}}), Ctx(kTypeZ5))[Cell::Current].fontWidth, kFontWidth5);
  EXPECT_EQ(DecodeRow(Image({{65, 4000}}), Ctx(kTypeZ))[Cell::Current].fontWidth, kFontWidth7);
}

TEST(ValueCells, EmitterPower) {
  const RowCells kvelt = DecodeRow(Image({{55, 1234}, {56, 3000}, {57, 2000}}), Ctx(kTypeKvelt));
  EXPECT_EQ(kvelt[Cell::EmitterPower].text, "3.73");
  EXPECT_EQ(kvelt[Cell::EmitterPower].fontWidth, kFontWidth7);
  EXPECT_EQ(Text(Image({{56, 0}, {57, 4095}}), Ctx(kTypeKvelt), Cell::EmitterPower), "-7.81");
  EXPECT_EQ(Text(Image({{55, 4095}}), Ctx(kTypeZ), Cell::EmitterPower), "4095");
  EXPECT_EQ(Text(Image({{63, 17}}), Ctx(kType2), Cell::EmitterPower), "17");
  EXPECT_EQ(Text(Image({{26, 2048}}), Ctx(kTypeZ5), Cell::EmitterPower), "2048");
}

TEST(ValueCells, MagneticCalibration) {
  EXPECT_EQ(Text(Image({{73, 2500}}), Ctx(kTypeZ), Cell::MagneticCalibration), "2.500");
  // Seven characters or more fall back to two decimals.
  EXPECT_EQ(Text(Image({{73, 0x8000}}), Ctx(kTypeZ), Cell::MagneticCalibration), "-32.77");
  EXPECT_EQ(Text(Image({{48, 0xD8F0}}), Ctx(kTypeZ5), Cell::MagneticCalibration), "-10.00");
  // Z40 reads it unsigned.
  EXPECT_EQ(Text(Image({{88, 0x8000}}), Ctx(kTypeZ40), Cell::MagneticCalibration), "32.768");
  EXPECT_EQ(Text(Image({{73, 2500}}), Ctx(kTypeKvelt), Cell::MagneticCalibration), "");
}

TEST(ValueCells, SwitchesLatchingAndCompliance) {
  EXPECT_EQ(Text(Image({{61, 0}}), Ctx(kTypeZ), Cell::ZeroingNegative), "disable");
  EXPECT_EQ(Text(Image({{69, 1}}), Ctx(kType2), Cell::ZeroingNegative), "enable");
  EXPECT_EQ(Text(Image({{33, 7}}), Ctx(kTypeZ5), Cell::ZeroingNegative), "? 7");
  EXPECT_EQ(Text(Image({{61, 1}}), Ctx(kTypeZ40), Cell::ZeroingNegative), "");
  EXPECT_EQ(Text(Image({{36, 1}}), Ctx(kTypeZ5), Cell::ShowNegative), "enable");

  RowCells z5 = DecodeRow(Image({{34, 1}, {35, 3}}), Ctx(kTypeZ5));
  EXPECT_EQ(z5[Cell::Latching1].text, "Latch");
  EXPECT_EQ(z5[Cell::Latching2].text, "? 3");
  const RowCells z40 = DecodeRow(Image({{91, 0x04}, {92, 0}}), Ctx(kTypeZ40));
  EXPECT_EQ(z40[Cell::Latching1].text, "No L.");
  EXPECT_EQ(z40[Cell::Latching2].text, "Latch");
  EXPECT_EQ(z40[Cell::Ru6310].text, "Non-FM");
  EXPECT_EQ(Text(Image({{92, 0x0003}}), Ctx(kTypeZ40), Cell::Ru6310), "FM");
  EXPECT_EQ(Text(Image({{91, 0x06}}), Ctx(kTypeZ), Cell::Latching1), "");
}

TEST(ValueCells, Z5FlagsBadGraduationAndOwnRegisters) {
  EXPECT_EQ(Text(Image({{23, 0x78}}), Ctx(kTypeZ5), Cell::Flags), "CMRG");
  EXPECT_EQ(Text(Image({{23, 0x78}}), Ctx(kTypeZ5, false, kRussian), Cell::Flags), "КМRГ");
  EXPECT_EQ(Text(Image({{23, 0x28}}), Ctx(kTypeZ5), Cell::Flags), "CM");
  EXPECT_EQ(Text(Image({{23, 0x87}}), Ctx(kTypeZ5), Cell::Flags), "---");
  EXPECT_EQ(DecodeRow(Image({{23, 0x78}}), Ctx(kTypeZ5, false, kRussian))[Cell::Flags].fontWidth, kFontWidth6);
  EXPECT_EQ(DecodeRow(Image({{23, 0x08}}), Ctx(kTypeZ5))[Cell::Flags].fontWidth, kFontWidth7);
  EXPECT_EQ(Text(Image({{50, 0}}), Ctx(kTypeZ5), Cell::BadGraduation), "---");
  EXPECT_EQ(Text(Image({{50, 0x81}}), Ctx(kTypeZ5), Cell::BadGraduation), "07");
  EXPECT_EQ(Text(Image({{50, 0x05}}), Ctx(kTypeZ5), Cell::BadGraduation), "02");
  EXPECT_EQ(Text(Image({{50, 0xFF00}}), Ctx(kTypeZ5), Cell::BadGraduation), "---");

  const RowCells row = DecodeRow(Image({{16, 0xFF9C}, {17, 123}, {18, 0xFFFF}, {27, 10000}, {28, 9876}}),
                                 Ctx(kTypeZ5));
  EXPECT_EQ(row[Cell::SensorTemperature].text, "-10.0");
  EXPECT_EQ(row[Cell::Cv].text, "12.3");
  EXPECT_EQ(row[Cell::CvVol].text, "-0.001");
  EXPECT_EQ(row[Cell::Kur].text, "10000");
  EXPECT_EQ(row[Cell::Kuw].text, "9876");
  // Not shown for the older layouts.
  EXPECT_EQ(Text(Image({{58, 10000}}), Ctx(kTypeKvelt), Cell::Kur), "");
  EXPECT_EQ(Text(Image({{23, 0x78}}), Ctx(kTypeZ), Cell::Flags), "");
}

TEST(RelayTest, BoxStateReadBacksAndImages) {
  EXPECT_EQ(RelayTestState(kTypeZ, Image({{67, 0}})), RelayTestBox::Off);
  EXPECT_EQ(RelayTestState(kTypeZ, Image({{67, 1}})), RelayTestBox::On);
  EXPECT_EQ(RelayTestState(kTypeZ, Image({{67, 2}})), RelayTestBox::Mixed);
  EXPECT_EQ(RelayTestState(kType2, Image({{74, 1}})), RelayTestBox::On);
  EXPECT_EQ(RelayTestState(kTypeZ40, Image({{89, 63}})), RelayTestBox::Off);
  EXPECT_EQ(RelayTestState(kTypeZ40, Image({{89, 21}})), RelayTestBox::On);
  EXPECT_EQ(RelayTestState(kTypeZ40, Image({{89, 0x26}})), RelayTestBox::On);   // fields 2, 1, 2
  EXPECT_EQ(RelayTestState(kTypeZ40, Image({{89, 0x3D}})), RelayTestBox::Mixed); // a field still normal
  EXPECT_EQ(RelayTestState(kTypeZ40, Image({{89, 0x14}})), RelayTestBox::Mixed); // a field 0

  // Read-backs show only while the test is on.
  RowCells row = DecodeRow(Image({{67, 1}, {69, 20}, {70, 0xFFFF}}), Ctx(kTypeKvelt));
  EXPECT_EQ(row[Cell::Relay1].text, "20");
  EXPECT_EQ(row[Cell::Relay2].text, "---");
  row = DecodeRow(Image({{67, 0}, {69, 20}}), Ctx(kTypeKvelt));
  EXPECT_EQ(row[Cell::Relay1].text, "");
  // Z5 latching cells stay empty while its relay test is on.
  row = DecodeRow(Image({{67, 1}, {34, 1}}), Ctx(kTypeZ5));
  EXPECT_EQ(row[Cell::Latching1].text, "");

  // Images follow the status bits; a Z40 tuned with its relays forced shows the forced state.
  row = DecodeRow(Image({{reg::kStatus, 0x0103}}), Ctx(kTypeZ));
  EXPECT_TRUE(row.relay1On);
  EXPECT_FALSE(row.relay2On);
  EXPECT_TRUE(row.conditionOn);
  const RegisterImage z40 = Image({{reg::kStatus, 0x0103}, {89, (1 << 2) | (2 << 4) | 3}});
  row = DecodeRow(z40, Ctx(kTypeZ40));
  EXPECT_FALSE(row.relay1On);
  EXPECT_TRUE(row.relay2On);
  row = DecodeRow(z40, Ctx(kTypeZ40, false, kEnglish, kModeCalibration));
  EXPECT_TRUE(row.relay1On);
  EXPECT_FALSE(row.relay2On);
}

TEST(AddressSearchData, CellsNotReadBySearchAreEmptied) {
  const RegisterImage img = Image({{reg::kConcentration, 100}, {65, 4000}, {55, 100}, {62, 1}, {63, 100},
                                   {61, 1}, {reg::kT, 200}});
  DecodeContext ctx = Ctx(kTypeZ);
  ctx.fromAddressSearch = true;
  RowCells row = DecodeRow(img, ctx);
  for (Cell c : {Cell::Lel, Cell::ZeroShift, Cell::VolumePercent, Cell::Current, Cell::EmitterPower,
                 Cell::HeatingLimit, Cell::ZeroingNegative, Cell::Kur, Cell::Kuw})
    EXPECT_EQ(row[c].text, "") << CellKey(c);
  EXPECT_EQ(row[Cell::Gas].text, "Methane");
  EXPECT_EQ(row[Cell::T].text, "20.0");
  // In "Imitation" the concentration cells are filled anyway.
  ctx.mode = kModeImitation;
  row = DecodeRow(img, ctx);
  EXPECT_EQ(row[Cell::Lel].text, "10.0");
  EXPECT_EQ(row[Cell::ZeroShift].text, "---");
}

TEST(Fonts, LengthRules) {
  EXPECT_EQ(FitFont("1234"), kFontWidth7);
  EXPECT_EQ(FitFont("12345"), kFontWidth7);  // contains "1"
  EXPECT_EQ(FitFont("23456"), kFontWidth5);
  EXPECT_EQ(FitFont("-2345"), kFontWidth7);
  EXPECT_EQ(FitFont("enable"), kFontWidth5);
  EXPECT_EQ(FitFont("disable"), kFontWidth4);
  EXPECT_EQ(FitFont("Фикс."), kFontWidth7);  // five characters, ten bytes
  EXPECT_EQ(FitFont("Метан"), kFontWidth5);
  EXPECT_EQ(FitFontNarrow4("12.5"), kFontWidth7);
  EXPECT_EQ(FitFontNarrow4("43.75"), kFontWidth5);
  EXPECT_EQ(FitFontNarrow5("4.000"), kFontWidth7);
  EXPECT_EQ(FitFontNarrow5("20.000"), kFontWidth5);
  EXPECT_EQ(CharCount("Природ- ный газ"), 15u);
  // Firmware keeps width 7 in the normal view.
  EXPECT_EQ(DecodeRow(Image({{reg::kFirmware, 0x0A0B}}), Ctx(kTypeZ))[Cell::Firmware].text, "V10.11");
  EXPECT_EQ(DecodeRow(Image({{reg::kFirmware, 0x0A0B}}), Ctx(kTypeZ))[Cell::Firmware].fontWidth, kFontWidth7);
}

TEST(TrimmedFixed, RemovesZerosThenPoint) {
  EXPECT_EQ(TrimmedFixed(50.0, 2), "50");
  EXPECT_EQ(TrimmedFixed(100.0, 2), "100");  // zeros before the point stay
  EXPECT_EQ(TrimmedFixed(0.0, 3), "0");
  EXPECT_EQ(TrimmedFixed(-0.5, 2), "-0.5");
}

TEST(Locale, RussianLocaleKeepsThePoint) {
  const char* prev = std::setlocale(LC_ALL, nullptr);
  const std::string saved = prev ? prev : "C";
  if (!std::setlocale(LC_ALL, "ru_RU.UTF-8") && !std::setlocale(LC_ALL, "Russian_Russia.1251"))
    GTEST_SKIP() << "ru_RU.UTF-8 locale not installed";
  const RowCells row = DecodeRow(Image({{reg::kConcentration, 125}, {71, 4375}, {reg::kT, 215}}), Ctx(kTypeZ));
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(row[Cell::Lel].text, "12.5");
  EXPECT_EQ(row[Cell::LelConc].text, "43.75");
  EXPECT_EQ(row[Cell::T].text, "21.5");
}

TEST(RawView, ToggleKeys) {
  for (unsigned code : {82u, 114u, 0xCAu, 0xEAu, 0x41Au, 0x43Au}) EXPECT_TRUE(IsRawViewKey(code)) << code;
  for (unsigned code : {81u, 83u, 0xCBu, 0x41Bu, 0u}) EXPECT_FALSE(IsRawViewKey(code)) << code;
}

TEST(Cells, KeysAreDistinct) {
  for (int i = 0; i < kCellCount; ++i)
    for (int j = i + 1; j < kCellCount; ++j) EXPECT_STRNE(CellKey(Cell(i)), CellKey(Cell(j)));
  EXPECT_EQ(QuantityCell(0), Cell::Lel);
  EXPECT_EQ(QuantityCell(8), Cell::HeaterPower);
}

}  // namespace
}  // namespace kvl
