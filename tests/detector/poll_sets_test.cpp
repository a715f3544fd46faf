#include "detector/poll_sets.h"

#include <gtest/gtest.h>

#include <vector>

#include "detector/detector_kinds.h"
#include "detector/register_map.h"

namespace kvl {
namespace {

using Requests = std::vector<int>;

TEST(PollRequests, TableFitsTheImageAndStoresAtTheSameAddresses) {
  for (int i = 0; i < kPollRequestCount; ++i) {
    const PollRequest& r = kPollRequests[i];
    EXPECT_EQ(r.offset, r.first) << "request " << i;
    EXPECT_GT(r.count, 0) << "request " << i;
    EXPECT_LE(r.first + r.count, kImageWords) << "request " << i;
  }
  const PollRequestLists lists = PollRequestTable();
  ASSERT_EQ(lists.firsts.size(), 24u);
  ASSERT_EQ(lists.counts.size(), 24u);
  ASSERT_EQ(lists.offsets.size(), 24u);
  // Spot checks against the fixed table: the search request, the big Z5 block,
  // the last graduation block and the serial high word.
  EXPECT_EQ(lists.firsts[0], 1);
  EXPECT_EQ(lists.counts[0], 9);
  EXPECT_EQ(lists.firsts[12], 48);
  EXPECT_EQ(lists.counts[12], 32);
  EXPECT_EQ(lists.firsts[22], 152);
  EXPECT_EQ(lists.counts[22], 8);
  EXPECT_EQ(lists.firsts[23], 79);
  EXPECT_EQ(lists.counts[23], 1);
}

TEST(PollSets, DerivedFromTypeAndModeForEveryCombination) {
  // Expected poll set for type (row) x mode (column).
  const int expected[kDetectorTypeCount][kOperatingModeCount] = {
      //  Tun Cal Grad GrZ5 Run Save Imit
      {0, 0, 0, 0, 0, 9, 0},  // KVELT
      {1, 1, 1, 1, 1, 1, 1},  // Z
      {2, 2, 2, 2, 2, 2, 2},  // type 2
      {3, 3, 3, 3, 3, 3, 3},  // Z40
      {4, 4, 4, 5, 4, 6, 4},  // Z5
  };
  for (int type = 0; type < kDetectorTypeCount; ++type)
    for (int mode = 0; mode < kOperatingModeCount; ++mode)
      EXPECT_EQ(PollSetFor(type, mode), expected[type][mode]) << "type " << type << " mode " << mode;
  EXPECT_EQ(PollSetFor(5, kModeTuning), -1);
  EXPECT_EQ(PollSetFor(-1, kModeTuning), -1);
}

TEST(PollSets, RequestsOfEachSet) {
  EXPECT_EQ(PollSetRequests(0), (Requests{1, 2, 3}));
  EXPECT_EQ(PollSetRequests(1), (Requests{1, 4}));
  EXPECT_EQ(PollSetRequests(2), (Requests{1, 5}));
  EXPECT_EQ(PollSetRequests(3), (Requests{1, 6, 7}));
  EXPECT_EQ(PollSetRequests(4), (Requests{1, 11, 12, 13}));
  EXPECT_EQ(PollSetRequests(5), (Requests{1, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22}));
  EXPECT_EQ(PollSetRequests(6), (Requests{1, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}));
  EXPECT_TRUE(PollSetRequests(7).empty());
  EXPECT_EQ(PollSetRequests(8), (Requests{0}));
  EXPECT_EQ(PollSetRequests(9), (Requests{1, 3, 8, 9, 10, 23}));
  EXPECT_TRUE(PollSetRequests(10).empty());
  EXPECT_TRUE(PollSetRequests(-1).empty());
}

TEST(PollSets, EachTypeReadsTheRegistersItsRowShows) {
  // The type-dependent registers the row decodes must be read by the type's
  // ordinary poll set, or the row would show stale words.
  for (int type = 0; type < kDetectorTypeCount; ++type) {
    const RegisterLayout& l = LayoutFor(type);
    const int set = PollSetFor(type, kModeTuning);
    for (int address : {l.outputCurrent, l.magneticCalibration, l.emitterPower, l.emitterVoltage1,
                        l.emitterVoltage2, l.heatingOn, l.heatingValue, l.heaterPower, l.KUR, l.KUW,
                        l.zeroingNegative, l.relayTest, l.relay1ReadBack, l.relay2ReadBack}) {
      if (address >= 0) {
        EXPECT_TRUE(PollSetReads(set, address)) << "type " << type << " address " << address;
      }
    }
    if (type != kTypeKvelt) {
      EXPECT_TRUE(PollSetReads(set, l.LEL_CONC)) << "type " << type;
    }
    EXPECT_TRUE(PollSetReads(set, reg::kStatus));
    EXPECT_TRUE(PollSetReads(set, reg::kWo));
  }
  EXPECT_TRUE(PollSetReads(kPollSetZ5, reg::z5::kBadGraduation));
  EXPECT_TRUE(PollSetReads(kPollSetZ5, reg::SER_NUM_HIGH));
  // The search reads status .. serial only.
  EXPECT_TRUE(PollSetReads(kPollSetAddressSearch, reg::SER_NUM));
  EXPECT_FALSE(PollSetReads(kPollSetAddressSearch, reg::kConcentration));
  EXPECT_FALSE(PollSetReads(kPollSetAddressSearch, 0));
  // Settings poll sets carry the serial high word and the saved blocks.
  EXPECT_TRUE(PollSetReads(kPollSetKveltSettings, reg::SER_NUM_HIGH));
  EXPECT_TRUE(PollSetReads(kPollSetKveltSettings, 63));
  EXPECT_TRUE(PollSetReads(kPollSetKveltSettings, LayoutFor(kTypeKvelt).LEL_CONC));  // saved as LEL_CONC
  EXPECT_FALSE(PollSetReads(kPollSetKveltSettings, 56));
  EXPECT_TRUE(PollSetReads(kPollSetZ5Settings, reg::z5::GAS));
  EXPECT_TRUE(PollSetReads(kPollSetZ5Settings, reg::z5::kGradTableLast));
  EXPECT_FALSE(PollSetReads(kPollSetZ5Settings, reg::z5::kGradTableLast + 1));
}

}  // namespace
}  // namespace kvl
