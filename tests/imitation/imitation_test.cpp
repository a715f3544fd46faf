// The imitation core: the images built on entering, the answers to requests
// and what they do to the image, the concentration the operator sets, the
// Z5 mode substitution.
#include "imitation/imitation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "detector/register_map.h"

namespace kvl {
namespace {

CDetectorTable Table(int type, std::vector<std::uint8_t> list) {
  CDetectorTable t;
  t.SetType(type);
  t.SetLanguage(kEnglish);
  t.SetAddressList(list);
  return t;
}

std::int16_t Signed(std::uint16_t w) { return std::int16_t(w); }

TEST(Imitation, EnteringBuildsTwentyDetectorsInsideTheirBounds) {
  for (int type : {kTypeKvelt, kTypeZ, kTypeZ40}) {
    SCOPED_TRACE(DetectorTypeName(type));
    CDetectorTable t = Table(type, {5, 0, 200});
    t.SetSlotAddress(2, 200);  // polled before the mode was entered
    CImitation im(7);
    const ImitationSwitch sw = im.Enter(t, "4800");
    EXPECT_EQ(t.Layout().mode, kModeImitation);
    EXPECT_FALSE(sw.masterRole);
    ASSERT_EQ(sw.addressList.size(), 20u);
    for (int s = 0; s < 20; ++s) EXPECT_EQ(sw.addressList[std::size_t(s)], s + 1);
    EXPECT_EQ(sw.rows.size(), 20u);
    // Register 0 names the row's number before entering (0 reads as none).
    EXPECT_EQ(t.Slot(0).image[0], 5 * 256 + 4);
    EXPECT_EQ(t.Slot(1).image[0], 2 * 256 + 4);
    EXPECT_EQ(t.Slot(2).image[0], 200 * 256 + 4);
    EXPECT_EQ(t.Slot(19).image[0], 20 * 256 + 4);
    const ImitationBounds& b = ImitationBoundsFor(type);
    const int tScale = LayoutFor(type).temperatureInTenths ? 10 : 1;
    for (int s = 0; s < 20; ++s) {
      const RegisterImage& img = t.Slot(s).image;
      EXPECT_GE(img[1] >> 8, 1);
      EXPECT_LE(img[1] >> 8, 8);
      EXPECT_EQ(img[1] & 0xFF, 9);
      EXPECT_EQ(img[2], 1);
      EXPECT_EQ(img[3], 0x0A14);
      EXPECT_EQ(img[9], 1001 + s);
      EXPECT_EQ(img[10], 12);
      EXPECT_EQ(img[11], 0x070A);
      EXPECT_EQ(img[12], 523);
      // Unnamed registers (and the volume concentration) hold anything below 0xFFFF.
      EXPECT_LT(img[13], 0xFFFF);
      for (int a = 16; a < kImageWords; ++a) EXPECT_LT(img[std::size_t(a)], 0xFFFF);
      // The middle half of each range; D a quarter of that.
      auto inMiddle = [&](int address, QuantityBounds q, int scale, int spreadDivisor) {
        const int v = Signed(img[std::size_t(address)]);
        const int lo = (3 * q.lo + q.hi) * scale / 4;
        EXPECT_GE(v, lo) << "register " << address;
        EXPECT_LT(v, lo + (q.hi - q.lo) * scale / spreadDivisor) << "register " << address;
      };
      inMiddle(reg::kT, b.t, tScale, 2);
      inMiddle(reg::kD, b.d, 1, 8);
      inMiddle(reg::kW, b.w, 1, 2);
      inMiddle(reg::kR, b.r, 1, 2);
      inMiddle(reg::kDm, b.dm, 1, 2);
      inMiddle(reg::kWo, b.wo, 1, 2);
      inMiddle(reg::kRo, b.ro, 1, 2);
    }
    const ImitationSwitch out = im.Leave(t, kModeTuning);
    EXPECT_EQ(t.Layout().mode, kModeTuning);
    EXPECT_TRUE(out.masterRole);
    EXPECT_EQ(out.addressList, std::vector<std::uint8_t>{1});
    ASSERT_EQ(out.rows.size(), 20u);
    // Rows without a detector are emptied again, and so is a row the list
    // no longer names, whatever it showed before.
    EXPECT_TRUE(out.rows[1].emptied);
    EXPECT_EQ(out.rows[1][Column::Lel].text, "");
    EXPECT_TRUE(out.rows[2].emptied);
    EXPECT_EQ(t.Slot(2).address, -1);
  }
}

TEST(Imitation, BaudCodesFollowTheBaudList) {
  CImitationRandom r(1);
  const std::pair<const char*, int> cases[] = {{"1200", 1}, {"2400", 2}, {"4800", 4}, {"9600", 8}, {"19200", 16},
                                               {"38400", 8}, {"", 8}};
  for (const auto& [baud, code] : cases) EXPECT_EQ(BuildImitatedImage(kTypeZ, 3, 9, baud, r)[0], 9 * 256 + code) << baud;
}

// A table of 20 imitated Z detectors with rows 0 and 2 ticked; row 2 also
// answers address 1 but row 0 comes first.
struct Fixture {
  CDetectorTable table = Table(kTypeZ, {});
  CImitation im{3};
  Fixture() {
    im.Enter(table, "9600");
    im.SetTicked(0, true);
    im.SetTicked(2, true);
    table.SetRowAddress(2, 1);
    table.SetRowAddress(5, 77);  // not ticked
    table.MutableSlot(0).image[1] = 0x0309;
    table.MutableSlot(0).image[3] = 0x0A14;
  }
  RegisterImage& Image() { return table.MutableSlot(0).image; }
};

TEST(Imitation, RequestsAnswerFromTheFirstTickedRowWithTheAddress) {
  struct Case {
    const char* name;
    ModbusRequest request;
    std::optional<ImitationResponse> response;  // words of a read left out (checked below)
    int slot;
  };
  const Case cases[] = {
      {"unknown address stays silent", {9, 3, 0, 1}, std::nullopt, -1},
      {"unticked row stays silent", {77, 3, 0, 1}, std::nullopt, -1},
      {"10 from 151 reach the last register", {1, 3, 151, 10}, ImitationResponse{1, 3, {}}, 0},
      {"10 from 152 run past it", {1, 3, 152, 10}, ImitationResponse{1, 0x83, {2}}, 0},
      {"1 from 161", {1, 4, 161, 1}, ImitationResponse{1, 0x84, {2}}, 0},
      {"first past the image", {1, 3, 65535, 1}, ImitationResponse{1, 0x83, {2}}, 0},
      {"125 registers is one frame", {1, 3, 0, 125}, ImitationResponse{1, 3, {}}, 0},
      {"126 registers are not", {1, 3, 0, 126}, ImitationResponse{1, 0x83, {3}}, 0},
      {"count 0", {1, 4, 0, 0}, ImitationResponse{1, 0x84, {3}}, 0},
      {"count too large before range", {1, 3, 152, 200}, ImitationResponse{1, 0x83, {3}}, 0},
      {"write-multiple", {1, 16, 5, 1}, ImitationResponse{1, 0x90, {1}}, 0},
      {"function 1", {1, 1, 0, 1}, ImitationResponse{1, 0x81, {1}}, 0},
      {"write echoes", {1, 6, 5, 300}, ImitationResponse{1, 6, {5, 300}}, 0},
      {"write past the image", {1, 6, 161, 1}, ImitationResponse{1, 0x86, {2}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const ImitationOutcome out = f.im.Answer(f.table, c.request);
    EXPECT_EQ(out.slot, c.slot);
    ASSERT_EQ(out.response.has_value(), c.response.has_value());
    if (!out.response) continue;
    EXPECT_EQ(out.response->slave, c.response->slave);
    EXPECT_EQ(out.response->function, c.response->function);
    if (c.response->function == 3 || c.response->function == 4) {
      ASSERT_EQ(out.response->words.size(), c.request.countOrValue);
      for (std::size_t k = 0; k < out.response->words.size(); ++k)
        EXPECT_EQ(out.response->words[k], f.Image()[c.request.first + k]);
    } else {
      EXPECT_EQ(out.response->words, c.response->words);
    }
  }
}

TEST(Imitation, ReadsRefreshTheMeasuringRegistersOnly) {
  Fixture f;
  const RegisterImage before = f.Image();
  for (int i = 0; i < 50; ++i) {
    const ImitationOutcome out = f.im.Answer(f.table, {1, 3, 0, 16});
    ASSERT_TRUE(out.response);
    const RegisterImage& img = f.Image();
    EXPECT_LT(img[1] >> 8, 85);
    EXPECT_EQ(img[1] & 0xFF, 1);
    EXPECT_GE(img[4], 160); EXPECT_LT(img[4], 170);
    EXPECT_GE(img[5], 2300); EXPECT_LT(img[5], 2400);
    EXPECT_GE(img[6], 2200); EXPECT_LT(img[6], 2300);
    EXPECT_GE(img[7], 9600); EXPECT_LT(img[7], 9700);
    EXPECT_GE(img[8], 150); EXPECT_LT(img[8], 170);
    for (int a : {0, 2, 3, 9, 10, 11, 12, 13, 14, 15}) EXPECT_EQ(img[std::size_t(a)], before[std::size_t(a)]);
    EXPECT_TRUE(out.rows.empty());
  }
  // A refused read changes nothing.
  const RegisterImage now = f.Image();
  f.im.Answer(f.table, {1, 3, 152, 10});
  EXPECT_EQ(f.Image(), now);
}

TEST(Imitation, WritesReactAsADetectorWould) {
  struct Case {
    const char* name;
    std::uint16_t reg, value;
    std::vector<ImageChange> changes;
  };
  const Case cases[] = {
      {"zero setting, status kept", 1, 7, {{2, 0}, {10, 0}, {13, 0}}},
      {"additional calibration", 2, 450, {{13, 450}}},
      {"main calibration", 3, 900, {{13, 900}}},
      {"factory limits", 4, 1, {{3, 0x0A14}}},
      {"limit 1", 5, 30, {{3, 0x1E14}}},
      {"limit 1 above 255 ignored", 5, 300, {}},
      {"limit 2", 6, 255, {{3, 0x0AFF}}},
      {"limit 2 above 255 ignored", 6, 256, {}},
      {"gas code", 50, 7, {{1, 0x0709}, {50, 7}}},
      {"gas code above 255 only stored", 50, 0x1234, {{50, 0x1234}}},
      {"serial number", 51, 4321, {{51, 4321}, {9, 4321}}},
      {"address and baud", 0, 0x0510, {{0, 0x0510}}},
      {"any other register", 160, 0xBEEF, {{160, 0xBEEF}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    RegisterImage expected = f.Image();
    for (const ImageChange& ch : c.changes) expected[ch.reg] = ch.value;
    const ImitationOutcome out = f.im.Answer(f.table, {1, 6, c.reg, c.value});
    EXPECT_EQ(out.imageChanges, c.changes);
    EXPECT_EQ(f.Image(), expected);
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].slot, 0);
    ASSERT_TRUE(out.response);
    EXPECT_EQ(*out.response, (ImitationResponse{1, 6, {c.reg, c.value}}));
  }
}

TEST(Imitation, TheOperatorSetsTheConcentration) {
  struct Case {
    const char* answer;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> reg10and2;
  };
  const Case cases[] = {
      {"12,34", {{123, 12}}},
      {" 2.25 ", {{23, 2}}},
      {"-1.26", {{std::uint16_t(-13), std::uint16_t(-1)}}},
      {"3276.7", {{32767, 3276}}},
      {"-3276.8", {{std::uint16_t(-32768), std::uint16_t(-3276)}}},
      {"3276.75", std::nullopt},
      {"1e9", std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    Fixture f;
    const RegisterImage before = f.Image();
    const std::optional<RowView> row = f.im.SetConcentration(f.table, 0, c.answer);
    ASSERT_EQ(row.has_value(), c.reg10and2.has_value());
    if (!row) {
      EXPECT_EQ(f.Image(), before);
      continue;
    }
    EXPECT_EQ(f.Image()[10], c.reg10and2->first);
    EXPECT_EQ(f.Image()[2], c.reg10and2->second);
  }
  Fixture f;
  const std::optional<RowView> row = f.im.SetConcentration(f.table, 0, "12,34");
  ASSERT_TRUE(row);
  EXPECT_EQ((*row)[Column::Lel].text, "12.3");
  f.im.Leave(f.table, kModeTuning);
  EXPECT_FALSE(f.im.SetConcentration(f.table, 0, "5"));
  // A request the line received just before leaving is not answered.
  EXPECT_FALSE(f.im.Answer(f.table, {1, 3, 0, 1}).response);
}

TEST(Imitation, Z5NeverImitatesNorRunsIn) {
  for (int type = 0; type < kDetectorTypeCount; ++type)
    for (int mode = 0; mode < kOperatingModeCount; ++mode) {
      int expected = mode;
      if (type == kTypeZ5 && mode == kModeImitation) expected = kModeSaveSettings;
      if (type == kTypeZ5 && mode == kModeRunningIn) expected = kModeGraduationZ5;
      EXPECT_EQ(ModeForType(type, mode), expected) << type << " " << mode;
    }
}

}  // namespace
}  // namespace kvl
