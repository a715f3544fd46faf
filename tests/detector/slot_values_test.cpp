#include "detector/slot_values.h"

#include <gtest/gtest.h>

#include "detector/register_map.h"

namespace kvl {
namespace {

TEST(SlotValues, KeptFromTheImageByType) {
  RegisterImage img{};
  img[reg::kStatus] = 0x0501;
  img[reg::kConcentration] = 0xFFF6;
  img[55] = 1500;
  img[56] = 3000;
  img[57] = 2000;
  img[58] = 10000;
  img[59] = 9000;
  DecodeContext ctx;
  ctx.type = kTypeKvelt;
  ctx.language = kEnglish;
  SlotValues v;
  UpdateSlotValues(v, img, ctx);
  EXPECT_EQ(v.gasNameText, "Isobutane");
  EXPECT_DOUBLE_EQ(v.concentrationLel, -1.0);
  EXPECT_NEAR(v.emitterPower, KveltEmitterPower(3000, 2000), 1e-12);
  EXPECT_EQ(v.emitterPowerWord, 1500);
  EXPECT_EQ(v.KUR, 10000);
  EXPECT_EQ(v.KUW, 9000);

  // Z5 reads its factors and power at its own addresses and has no computed power.
  RegisterImage z5{};
  z5[26] = 2222;
  z5[27] = 11111;
  z5[28] = 8888;
  ctx.type = kTypeZ5;
  SlotValues w;
  UpdateSlotValues(w, z5, ctx);
  EXPECT_EQ(w.emitterPowerWord, 2222);
  EXPECT_EQ(w.KUR, 11111);
  EXPECT_EQ(w.KUW, 8888);
  EXPECT_DOUBLE_EQ(w.emitterPower, 0.0);
  EXPECT_EQ(w.gasNameText, "? 0");
}

TEST(SlotValues, GasNameTextIsTheRealNameEvenInRawView) {
  RegisterImage img{};
  img[reg::kStatus] = 0x2701;  // natural gas
  DecodeContext ctx;
  ctx.type = kTypeZ;
  ctx.language = kRussian;
  ctx.rawView = true;
  SlotValues v;
  UpdateSlotValues(v, img, ctx);
  EXPECT_EQ(v.gasNameText, "Природный газ");
}

TEST(SlotValues, SearchDataKeepTheLastMeasuredValues) {
  RegisterImage img{};
  img[reg::kStatus] = 0x0101;
  img[reg::kConcentration] = 250;
  img[55] = 700;
  DecodeContext ctx;
  ctx.type = kTypeZ;
  SlotValues v;
  UpdateSlotValues(v, img, ctx);
  img[reg::kConcentration] = 999;
  img[55] = 1;
  img[reg::kStatus] = 0x0201;
  ctx.fromAddressSearch = true;
  ctx.language = kEnglish;
  UpdateSlotValues(v, img, ctx);
  EXPECT_DOUBLE_EQ(v.concentrationLel, 25.0);
  EXPECT_EQ(v.emitterPowerWord, 700);
  EXPECT_EQ(v.gasNameText, "Propane");
  ctx.mode = kModeImitation;
  UpdateSlotValues(v, img, ctx);
  EXPECT_NEAR(v.concentrationLel, 99.9, 1e-9);
}

}  // namespace
}  // namespace kvl
