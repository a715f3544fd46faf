#include "detector/detector_table.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "detector/poll_sets.h"
#include "detector/register_map.h"

namespace kvl {
namespace {

constexpr int kSearch = kPollSetAddressSearch;

// A poll image as the link hands it over (256 words), methane and serviceable.
std::vector<std::uint16_t> Poll(std::initializer_list<std::pair<int, std::uint16_t>> words = {}) {
  std::vector<std::uint16_t> image(256, 0);
  image[reg::kStatus] = 0x0101;
  image[reg::SER_NUM] = 4321;
  for (const auto& [address, value] : words) image[std::size_t(address)] = value;
  return image;
}

std::uint16_t Tenths(double lel) {
  return std::uint16_t(std::int16_t(lel * 10));
}

CDetectorTable Table(std::vector<std::uint8_t> list, int type = kTypeZ, int mode = kModeTuning) {
  CDetectorTable t;
  t.SetType(type);
  t.SetMode(mode);
  t.SetLanguage(kEnglish);
  t.SetAddressList(list);
  t.PortOpened();
  return t;
}

const int kZPollSet = PollSetFor(kTypeZ, kModeTuning);

// ---------------------------------------------------------------------------
// Completed polls outside a search.

TEST(CompletedPoll, FillsTheSlotAtTheLinkPositionAndResumes) {
  CDetectorTable t = Table({7, 9});
  const PollOutcome out = t.CompletedPoll(1, kZPollSet, Poll({{reg::kConcentration, Tenths(12.5)}}));
  EXPECT_EQ(out.disposition, PollDisposition::Refreshed);
  EXPECT_TRUE(out.resumeWorker);
  ASSERT_EQ(out.slot, 1);
  EXPECT_EQ(t.Slot(1).address, 9);
  EXPECT_EQ(t.PollSetEcho(), kZPollSet);
  ASSERT_TRUE(out.row);
  EXPECT_FALSE(out.row->emptied);
  EXPECT_EQ((*out.row)[Column::ModbusNumber].text, "9");
  EXPECT_EQ((*out.row)[Column::Serial].text, "4321");
  EXPECT_EQ((*out.row)[Column::Lel].text, "12.5");
  EXPECT_EQ((*out.row)[Column::Disconnections].text, "0");
  EXPECT_TRUE(out.row->redrawGraph);
  EXPECT_EQ(t.Slot(1).history.Size(), 1u);
}

TEST(CompletedPoll, IgnoredMessagesStillResumeTheWorkerUnlessATableIsWritten) {
  CDetectorTable t = Table({7, 9});
  // A late answer of a finished search.
  PollOutcome out = t.CompletedPoll(0, kSearch, Poll());
  EXPECT_EQ(out.disposition, PollDisposition::LateSearchAnswer);
  EXPECT_TRUE(out.resumeWorker);
  EXPECT_FALSE(t.Slot(0).HasDetector());
  // Positions that name no row of the list.
  for (int position : {2, 19, 20, -1}) {
    out = t.CompletedPoll(position, kZPollSet, Poll());
    EXPECT_EQ(out.disposition, PollDisposition::OutsideList) << position;
    EXPECT_TRUE(out.resumeWorker) << position;
  }
  // While a table is written the worker stays held until writing ends.
  t.SetTableWriting(true);
  out = t.CompletedPoll(0, kZPollSet, Poll());
  EXPECT_EQ(out.disposition, PollDisposition::WhileTableWriting);
  EXPECT_FALSE(out.resumeWorker);
  EXPECT_FALSE(t.Slot(0).HasDetector());
  EXPECT_TRUE(t.SetTableWriting(false));   // the window owes a Resume
  EXPECT_FALSE(t.SetTableWriting(false));  // only once
  t.SetTableWriting(true);
  EXPECT_FALSE(t.SetTableWriting(false));  // nothing was held this time
  // At exit the window stops resuming.
  t.SetResumeAfterData(false);
  EXPECT_FALSE(t.CompletedPoll(0, kZPollSet, Poll()).resumeWorker);
  EXPECT_FALSE(t.CompletedPoll(5, kZPollSet, Poll()).resumeWorker);
}

TEST(CompletedPoll, InImitationALatePollOfTheMasterRoleLeavesTheRowAlone) {
  CDetectorTable t = Table({7, 9}, kTypeZ, kModeImitation);
  t.MutableSlot(0).image[reg::kConcentration] = 55;
  const PollOutcome out = t.CompletedPoll(0, kZPollSet, Poll({{reg::kConcentration, 12}}));
  EXPECT_EQ(out.disposition, PollDisposition::WhileImitating);
  EXPECT_TRUE(out.resumeWorker);
  EXPECT_EQ(t.Slot(0).image[reg::kConcentration], 55);
}

TEST(CompletedPoll, ShortPollImageKeepsTheRestOfTheSlotImage) {
  CDetectorTable t = Table({7});
  t.MutableSlot(0).image[150] = 0xBEEF;
  std::vector<std::uint16_t> shortImage(20, 0);
  shortImage[reg::kStatus] = 0x0101;
  t.CompletedPoll(0, kZPollSet, shortImage);
  EXPECT_EQ(t.Slot(0).image[150], 0xBEEF);
  EXPECT_EQ(t.Slot(0).image[reg::kStatus], 0x0101);
}

// ---------------------------------------------------------------------------
// Line statistics and breaks.

TEST(LineStatistics, BreaksCountOnceFromAnswerToSilenceAndNotDuringASearch) {
  CDetectorTable t = Table({7, 9, 11});
  for (int r : {0, 1, 1, 1, 2, 1, 0, 1, 1}) t.ReadResult(r, 2);
  EXPECT_EQ(t.Slot(2).counters.breaks, 2u);
  EXPECT_EQ(t.Slot(1).counters.breaks, 0u);
  // The first result of a position counts against a good answer.
  t.ReadResult(1, 0);
  EXPECT_EQ(t.Slot(0).counters.breaks, 1u);

  t.StartSearch();
  for (int r : {0, 1, 0, 1}) t.ReadResult(r, 1);
  EXPECT_EQ(t.Slot(1).counters.breaks, 0u);
  EXPECT_EQ(t.Counters()[0], 1u + 1 + 2);
}

TEST(LineStatistics, PositionOutsideTheRowsCountsOnlyTheLine) {
  CDetectorTable t = Table({7});
  t.ReadResult(0, 25);
  const auto text = t.ReadResult(1, 25);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text, "1:1:0");
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(t.Slot(s).counters.breaks, 0u);
  // Codes outside 0..4 are not counted at all.
  EXPECT_FALSE(t.ReadResult(5, 0));
  EXPECT_FALSE(t.ReadResult(-1, 0));
  EXPECT_EQ(t.Statistics().text, "1:1:0");
  t.SetMode(kModeImitation);  // playing detectors, a quiet line is no unanswered request
  EXPECT_FALSE(t.ReadResult(1, 0) || t.Statistics().text != "1:1:0");
}

TEST(LineStatistics, TextFallsBackToFewerFieldsAndPicksItsFont) {
  // Failures in the millions next to a billion answers: three fields are 26
  // characters, two are 18, so only the answer count is left.
  StatisticsView v = StatisticsText({1000000000, 2000000, 1000000, 500000, 700000});
  EXPECT_EQ(v.text, "1000000000");
  EXPECT_EQ(v.fontWidth, kFontWidth7);
  // Exactly 17 characters still fit.
  v = StatisticsText({123456789, 1234567, 9000000, 0, 0});
  EXPECT_EQ(v.text, "123456789:1234567");
  EXPECT_EQ(v.fontWidth, kFontWidth5);
  // The third field sums the three failure kinds.
  v = StatisticsText({12345, 12, 1, 2, 3});
  EXPECT_EQ(v.text, "12345:12:6");
  EXPECT_EQ(v.fontWidth, kFontWidth7);
  v = StatisticsText({123456, 1234, 123, 0, 0});
  EXPECT_EQ(v.text, "123456:1234:123");
  EXPECT_EQ(v.fontWidth, kFontWidth5);
  // 13 characters are the widest text in the wide font.
  EXPECT_EQ(StatisticsText({12345, 12345, 0, 0, 0}).fontWidth, kFontWidth7);
  EXPECT_EQ(StatisticsText({123456, 12345, 0, 0, 0}).fontWidth, kFontWidth5);
  // Counts past 32 bits are not cut.
  EXPECT_EQ(StatisticsText({5000000000ull, 0, 0, 0, 0}).text, "5000000000:0:0");
}

// ---------------------------------------------------------------------------
// Address search.

TEST(AddressSearch, StartProbesEveryAddressWithEmptyRows) {
  CDetectorTable t = Table({7, 9});
  t.CompletedPoll(0, kZPollSet, Poll());
  const SearchStart start = t.StartSearch();
  ASSERT_EQ(start.addressList.size(), 256u);
  EXPECT_EQ(start.addressList[0], 1);
  EXPECT_EQ(start.addressList[254], 255);
  EXPECT_EQ(start.addressList[255], 0);
  EXPECT_EQ(start.pollSet, kSearch);
  ASSERT_EQ(start.rows.size(), std::size_t(kSlotCount));
  for (const RowView& row : start.rows) {
    EXPECT_TRUE(row.emptied);
    EXPECT_EQ(row[Column::ModbusNumber].text, "");
  }
  EXPECT_FALSE(t.Slot(0).HasDetector());
  EXPECT_EQ(t.Slot(0).values.gasNameText, "");
  EXPECT_FALSE(t.ModbusButtonsEnabled());
}

TEST(AddressSearch, DetectorsFillRowsInAnswerOrderAndOneRowEach) {
  CDetectorTable t = Table({7});
  t.StartSearch();
  // Address 5 (position 4) answers, then address 10, then 5 once more.
  PollOutcome out = t.CompletedPoll(4, kSearch, Poll());
  EXPECT_TRUE(out.newDetector);
  EXPECT_EQ(out.slot, 0);
  EXPECT_EQ(t.PollSetEcho(), kSearch);
  out = t.CompletedPoll(9, kSearch, Poll());
  EXPECT_EQ(out.slot, 1);
  out = t.CompletedPoll(4, kSearch, Poll({{reg::SER_NUM, 777}}));
  EXPECT_FALSE(out.newDetector);
  EXPECT_EQ(out.slot, 0);
  EXPECT_EQ(t.FoundCount(), 2);
  EXPECT_EQ(t.Slot(0).image[reg::SER_NUM], 777);
  EXPECT_FALSE(t.Slot(2).HasDetector());
  // Search data add no history and leave the graph alone.
  EXPECT_EQ(t.Slot(0).history.Size(), 0u);
  EXPECT_FALSE(out.row->redrawGraph);
  // Answers read before the search's poll set took over do not count.
  EXPECT_EQ(t.CompletedPoll(20, kZPollSet, Poll()).disposition, PollDisposition::NotSearchAnswer);
  EXPECT_EQ(t.FoundCount(), 2);

  // A failed probe shows its address in the next free row.
  const auto cleared = t.ClearedPosition(30);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(cleared->slot, 2);
  EXPECT_TRUE(cleared->emptied);
  EXPECT_EQ((*cleared)[Column::ModbusNumber].text, "31");

  // A cycle of the list polled before the search is no pass of it; the
  // search's own pass ends once its probe reached the last address.
  t.ReadResult(1, 19);
  EXPECT_FALSE(t.CycleCompleted());
  EXPECT_TRUE(t.Searching());
  t.ReadResult(1, 255);
  // The pass ends: the list is the two found addresses and the probing row loses its address.
  const auto end = t.CycleCompleted();
  ASSERT_TRUE(end);
  EXPECT_FALSE(t.Searching());
  EXPECT_EQ(end->addressList, (std::vector<std::uint8_t>{5, 10}));
  EXPECT_EQ(end->pollSet, kZPollSet);
  ASSERT_TRUE(end->row);
  EXPECT_EQ(end->row->slot, 2);
  EXPECT_EQ((*end->row)[Column::ModbusNumber].text, "");
  EXPECT_FALSE(t.CycleCompleted());
  // The next poll of the old search poll set is late and ignored; the new set fills rows.
  EXPECT_EQ(t.CompletedPoll(0, kSearch, Poll()).disposition, PollDisposition::LateSearchAnswer);
  EXPECT_EQ(t.CompletedPoll(1, kZPollSet, Poll()).slot, 1);
  EXPECT_EQ(t.Slot(1).address, 10);
}

TEST(AddressSearch, TwentyFoundEndsTheSearchAndNothingFoundPollsAddressOne) {
  CDetectorTable t = Table({7});
  t.StartSearch();
  PollOutcome out;
  for (int p = 0; p < 20; ++p) {
    out = t.CompletedPoll(p * 3, kSearch, Poll());
    ASSERT_EQ(out.searchEnd.has_value(), p == 19) << p;
  }
  EXPECT_FALSE(t.Searching());
  ASSERT_EQ(out.searchEnd->addressList.size(), 20u);
  EXPECT_EQ(out.searchEnd->addressList[19], 58);
  EXPECT_FALSE(out.searchEnd->row);  // no row after the twentieth
  // The last row was drawn as search data.
  EXPECT_FALSE((*out.row)[Column::SetZero].visible);

  t.StartSearch();
  const auto end = t.EndSearch();  // "Stop" before anything answered
  ASSERT_TRUE(end);
  EXPECT_EQ(end->addressList, std::vector<std::uint8_t>{1});
  EXPECT_TRUE(t.ModbusButtonsEnabled());
}

// ---------------------------------------------------------------------------
// Failed positions, port failure, counters that stay.

TEST(ClearedPosition, EmptiesTheRowButKeepsItsAddressAndCounters) {
  CDetectorTable t = Table({7, 9});
  t.CompletedPoll(1, kZPollSet, Poll({{reg::kStatus, 0x0101}}));
  t.CompletedPoll(1, kZPollSet, Poll({{reg::kStatus, 0x0103}}));
  t.CompletedPoll(1, kZPollSet, Poll({{reg::kStatus, 0x0101}}));
  t.ReadResult(0, 1);
  t.ReadResult(1, 1);
  const auto row = t.ClearedPosition(1);
  ASSERT_TRUE(row);
  EXPECT_TRUE(row->emptied);
  EXPECT_FALSE(t.Slot(1).HasDetector());
  EXPECT_EQ((*row)[Column::ModbusNumber].text, "9");
  for (const ColumnInfo& c : Columns()) {
    if (c.column == Column::ModbusNumber) continue;
    EXPECT_EQ((*row)[c.column].text, "") << c.key;
    if (c.kind != ColumnKind::Text) {
      EXPECT_FALSE((*row)[c.column].visible) << c.key;
    }
  }
  EXPECT_TRUE((*row)[Column::Serial].visible);
  EXPECT_FALSE((*row)[Column::Relay1].visible);
  EXPECT_FALSE((*row)[Column::ZeroingNegative].visible);

  // The detector comes back: its counters are still there and its status
  // is compared with the one it had, so nothing new is counted.
  const PollOutcome back = t.CompletedPoll(1, kZPollSet, Poll({{reg::kStatus, 0x0101}}));
  EXPECT_EQ(t.Slot(1).counters.over1, 1u);
  EXPECT_EQ(t.Slot(1).counters.breaks, 1u);
  EXPECT_EQ((*back.row)[Column::Disconnections].text, "1");
  EXPECT_EQ(t.Slot(1).history.Size(), 4u);

  EXPECT_FALSE(t.ClearedPosition(20));
  EXPECT_FALSE(t.ClearedPosition(-1));
}

TEST(ClearedPosition, ImitationStillShowsAnEmptySlotsImage) {
  CDetectorTable t = Table({7}, kTypeZ, kModeImitation);
  t.MutableSlot(0).image[reg::SER_NUM] = 55;
  const auto row = t.ClearedPosition(0);
  ASSERT_TRUE(row);
  EXPECT_FALSE(row->emptied);
  EXPECT_EQ((*row)[Column::Serial].text, "55");
  EXPECT_TRUE((*row)[Column::Imitation].visible);
}

TEST(PortFailed, EmptiesEveryRow) {
  CDetectorTable t = Table({7, 9});
  t.CompletedPoll(0, kZPollSet, Poll());
  t.CompletedPoll(1, kZPollSet, Poll());
  const std::vector<RowView> rows = t.PortFailed();
  ASSERT_EQ(rows.size(), std::size_t(kSlotCount));
  for (const RowView& row : rows) EXPECT_TRUE(row.emptied);
  EXPECT_EQ(rows[1][Column::ModbusNumber].text, "9");
  EXPECT_FALSE(t.Slot(0).HasDetector());
  EXPECT_FALSE(t.ModbusButtonsEnabled());
}

// ---------------------------------------------------------------------------
// Counting in the row refresh.

TEST(RowRefresh, StatusEdgesStartFromAllBitsSet) {
  CDetectorTable t = Table({7});
  auto status = [&](std::uint16_t low) {
    t.CompletedPoll(0, kZPollSet, Poll({{reg::kStatus, std::uint16_t(0x0100 | low)}}));
  };
  const SlotCounters& c = t.Slot(0).counters;
  status(0x06);  // found over both limits and in fault
  EXPECT_EQ(c.defect, 1u);
  EXPECT_EQ(c.over1, 0u);
  EXPECT_EQ(c.over2, 0u);
  status(0x07);  // fault gone: no count
  status(0x07);
  EXPECT_EQ(c.defect, 1u);
  status(0x01);  // both limits fall
  status(0x03);
  EXPECT_EQ(c.over1, 1u);
  status(0x07);
  status(0x07);
  EXPECT_EQ(c.over2, 1u);
  status(0x06);
  EXPECT_EQ(c.defect, 2u);
  EXPECT_EQ(c.over1, 1u);
}

TEST(RowRefresh, ABandEntryCountsOnceAndSearchDataDoNotCount) {
  CDetectorTable t = Table({7}, kTypeZ, kModeRunningIn);
  t.SetThresholds(-5.0, 50.0);
  for (int i = 0; i < 6; ++i) t.CompletedPoll(0, kZPollSet, Poll({{reg::kConcentration, Tenths(-5.0)}}));
  EXPECT_EQ(t.Slot(0).counters.minCrossing, 1u);
  t.CompletedPoll(0, kZPollSet, Poll({{reg::kConcentration, Tenths(-4.9)}}));
  const PollOutcome out = t.CompletedPoll(0, kZPollSet, Poll({{reg::kConcentration, Tenths(-7.0)}}));
  EXPECT_EQ(t.Slot(0).counters.minCrossing, 2u);
  EXPECT_EQ((*out.row)[Column::MinCrosses].text, "2");
  EXPECT_TRUE((*out.row)[Column::MinCrosses].visible);
  for (double x : {50.0, 60.0, 10.0, 51.0})
    t.CompletedPoll(0, kZPollSet, Poll({{reg::kConcentration, Tenths(x)}}));
  EXPECT_EQ(t.Slot(0).counters.maxCrossing, 2u);

  // Search data carry no concentration worth counting.
  t.StartSearch();
  t.CompletedPoll(6, kSearch, Poll({{reg::kConcentration, Tenths(-10.0)}}));
  t.CompletedPoll(6, kSearch, Poll({{reg::kConcentration, Tenths(90.0)}}));
  EXPECT_EQ(t.Slot(0).counters.minCrossing, 2u);
  EXPECT_EQ(t.Slot(0).counters.maxCrossing, 2u);
}

TEST(RowRefresh, DescribingARowChangesNothing) {
  CDetectorTable t = Table({7});
  t.CompletedPoll(0, kZPollSet, Poll({{reg::kStatus, 0x0100}}));
  const RowView a = t.DescribeRow(0, true);
  const RowView b = t.DescribeRow(0, true);
  EXPECT_EQ(t.Slot(0).history.Size(), 1u);
  EXPECT_EQ(t.Slot(0).counters.defect, 1u);
  EXPECT_EQ(a.cells, b.cells);
  EXPECT_EQ(t.DescribeRow(0, false)[Column::ModbusNumber].text, "");
}

TEST(SampleHistory, TrimsTheOldestNinetyNinePastAThousand) {
  CSampleHistory h;
  for (int i = 0; i < 1000; ++i) {
    HistorySample s{};
    s[kSeriesT] = float(i);
    h.Append(s);
  }
  EXPECT_EQ(h.Size(), 1000u);
  h.Series(kSeriesWo).resize(98);  // a series that fell behind: 99 after the append
  h.Append(HistorySample{});
  EXPECT_EQ(h.Size(), 1001u - 99u);
  EXPECT_EQ(h.Series(kSeriesT).front(), 99.0f);
  EXPECT_EQ(h.Series(kSeriesD).size(), 902u);
  EXPECT_TRUE(h.Series(kSeriesWo).empty());
  h.Series(kSeriesT).assign(1000000, 7.0f);  // a million file samples: cut to the same 902 in one step
  h.Append(HistorySample{});
  EXPECT_EQ(h.Series(kSeriesT).size(), 902u);
  EXPECT_LE(h.Series(kSeriesT).capacity(), 2 * (CSampleHistory::kMaxSamples + 1));  // and its storage goes
}

// A night of polls never grows the history's storage after the first sample.
TEST(SampleHistory, StorageFixedFromTheFirstSample) {
  CSampleHistory h;
  h.Append(HistorySample{});
  std::array<std::size_t, kHistorySeriesCount> first{};
  for (int q = 0; q < kHistorySeriesCount; ++q) first[std::size_t(q)] = h.Series(q).capacity();
  for (int i = 0; i < 36000; ++i) h.Append(HistorySample{});
  for (int q = 0; q < kHistorySeriesCount; ++q) EXPECT_EQ(h.Series(q).capacity(), first[std::size_t(q)]) << q;
  EXPECT_LE(h.Size(), CSampleHistory::kMaxSamples);
}

TEST(SampleHistory, SampleUsesTheTypesUnitsAndSignedChannels) {
  RegisterImage img{};
  img[reg::kConcentration] = Tenths(-2.5);
  img[reg::kT] = 235;
  img[reg::kW] = 0xFFFE;
  img[LayoutFor(kTypeZ).heaterPower] = 40000;
  HistorySample s = SampleFromImage(kTypeZ, img);
  EXPECT_FLOAT_EQ(s[kSeriesConcentration], -2.5f);
  EXPECT_FLOAT_EQ(s[kSeriesT], 23.5f);
  EXPECT_FLOAT_EQ(s[kSeriesW], -2.0f);
  EXPECT_FLOAT_EQ(s[kSeriesHeaterPower], 40000.0f);
  EXPECT_FLOAT_EQ(SampleFromImage(kTypeKvelt, img)[kSeriesT], 235.0f);
}

// ---------------------------------------------------------------------------
// Row contents that depend on type and mode.

TEST(RowView, RelayPicturesTestBoxAndStepList) {
  CDetectorTable t = Table({7}, kTypeZ40, kModeTuning);
  const int testReg = LayoutFor(kTypeZ40).relayTest;
  // Relay 1 forced on (2), relay 2 forced off (1) while the status says the opposite.
  const std::uint16_t forced = std::uint16_t(1 | (2 << 2) | (1 << 4));
  PollOutcome out = t.CompletedPoll(0, kZPollSet, Poll({{reg::kStatus, 0x0105}, {testReg, forced}}));
  EXPECT_TRUE(out.row->relay1On);
  EXPECT_FALSE(out.row->relay2On);
  EXPECT_TRUE(out.row->conditionOn);
  EXPECT_EQ(out.row->relayTest, RelayTestBox::On);
  EXPECT_TRUE((*out.row)[Column::Relay1Image].visible);
  EXPECT_TRUE(out.row->relayTestStepEnabled);
  // The raw view hides the pictures.
  t.ToggleRawView();
  EXPECT_FALSE(t.DescribeRow(0, true)[Column::Relay1Image].visible);
  // Search data disable the relay test step list.
  t.StartSearch();
  out = t.CompletedPoll(0, kSearch, Poll());
  EXPECT_FALSE(out.row->relayTestStepEnabled);
}

TEST(RowView, Z5LatchingGivesWayToTheRelayTest) {
  CDetectorTable t = Table({7}, kTypeZ5, kModeTuning);
  const int testReg = LayoutFor(kTypeZ5).relayTest;
  PollOutcome out = t.CompletedPoll(0, PollSetFor(kTypeZ5, kModeTuning), Poll({{testReg, 0}}));
  EXPECT_TRUE((*out.row)[Column::Latching1].visible);
  out = t.CompletedPoll(0, PollSetFor(kTypeZ5, kModeTuning), Poll({{testReg, 1}}));
  EXPECT_FALSE((*out.row)[Column::Latching1].visible);
  EXPECT_TRUE((*out.row)[Column::Relay1].visible);
}

struct VisibilityCase {
  int mode;
  int type;
  bool kur;
  int echo;
  std::set<Column> shown;  // among the columns a layout can hide
};

TEST(ColumnVisibility, ByModeTypeAndPollSet) {
  using C = Column;
  const std::set<C> always = {C::ModbusNumber, C::Serial, C::Firmware, C::Gas, C::ZeroShift, C::VolumePercent,
                              C::Lel,          C::T,      C::D,        C::W,   C::R,         C::Dm,
                              C::HeaterPower};
  const VisibilityCase cases[] = {
      {kModeTuning,
       kTypeKvelt,
       false,
       0,
       {C::Disconnections, C::SetZero, C::PEmitter, C::RelayTest, C::Relay1, C::Relay2, C::ZeroingNegative,
        C::Relay1Image, C::Relay2Image, C::ConditionImage, C::Wo, C::Ro, C::Milliamps}},
      {kModeTuning,
       kTypeZ40,
       false,
       3,
       {C::Disconnections, C::SetZero, C::LelConc, C::PEmitter, C::RelayTest, C::Ru6310, C::Latching1,
        C::Latching2, C::Relay1Image, C::Relay2Image, C::ConditionImage, C::Wo, C::Ro, C::Milliamps}},
      {kModeTuning,
       kTypeZ5,
       false,
       4,
       {C::Disconnections, C::SetZero,           C::LelConc,      C::PEmitter,  C::HeatingLimit,
        C::SwitchToHart,   C::SensorTemperature, C::ShowNegative, C::RelayTest, C::Relay1,
        C::Relay2,         C::ZeroingNegative,   C::Latching1,    C::Latching2, C::Relay1Image,
        C::Relay2Image,    C::ConditionImage,    C::Wo,           C::Ro,        C::Milliamps}},
      {kModeCalibration,
       kTypeZ5,
       false,
       4,
       {C::Disconnections, C::SetZero, C::MainCalibr, C::AddCalibr, C::FactoryDefaults, C::MagnCalibr,
        C::Limit1, C::Limit2, C::Flags, C::Relay1Image, C::Relay2Image, C::ConditionImage, C::Milliamps}},
      {kModeGraduation, kTypeZ5, true, 5, {C::Disconnections, C::PEmitter, C::Kur, C::Kuw}},
      {kModeGraduation, kTypeZ5, false, 5, {C::Disconnections, C::PEmitter, C::Wo, C::Ro}},
      {kModeGraduation, kTypeZ, true, 1, {C::Disconnections, C::PEmitter, C::Wo, C::Ro}},
      {kModeGraduationZ5,
       kTypeZ5,
       false,
       5,
       {C::Disconnections, C::PEmitter, C::BadGraduation, C::Cv, C::CvVol, C::GradRecalc, C::Wo, C::Ro}},
      {kModeRunningIn,
       kTypeZ,
       false,
       1,
       {C::Disconnections, C::MinCrosses, C::MaxCrosses, C::SetZero, C::Wo, C::Ro}},
      {kModeSaveSettings,
       kTypeKvelt,
       false,
       9,
       {C::Disconnections, C::Limit1, C::Limit2, C::SettToFile, C::SettFromFile}},
      {kModeSaveSettings,
       kTypeZ5,
       false,
       6,
       {C::Disconnections, C::Limit1, C::Limit2, C::SettToFile, C::SettFromFile, C::CompareSett}},
      {kModeImitation,
       kTypeZ,
       false,
       1,
       {C::Limit1, C::Limit2, C::Relay1Image, C::Relay2Image, C::ConditionImage, C::Imitation}},
      // The address search's poll set hides everything a layout can hide.
      {kModeTuning, kTypeZ5, false, kSearch, {}},
      {kModeCalibration, kTypeZ40, false, kSearch, {}},
  };
  for (const VisibilityCase& c : cases) {
    TableLayout layout{c.type, c.mode, c.kur, false, c.echo};
    for (const ColumnInfo& info : Columns()) {
      const bool expected = always.count(info.column) || c.shown.count(info.column);
      EXPECT_EQ(ColumnShown(info.column, layout), expected)
          << "mode " << c.mode << " type " << c.type << " kur " << c.kur << " echo " << c.echo << ": "
          << info.key;
    }
  }
}

TEST(GraduationStage, DoneOnceEveryOtherListedRowHasAnswered) {
  CDetectorTable t = Table({7, 9, 11});
  t.SetGraduationStage(2);
  EXPECT_FALSE(t.CompletedPoll(0, kZPollSet, Poll()).enableDone);
  EXPECT_FALSE(t.CompletedPoll(0, kZPollSet, Poll()).enableDone);
  EXPECT_FALSE(t.CompletedPoll(1, kZPollSet, Poll()).enableDone);
  EXPECT_TRUE(t.CompletedPoll(2, kZPollSet, Poll()).enableDone);
  EXPECT_FALSE(t.Slot(2).stageSeen);
  EXPECT_TRUE(t.CompletedPoll(2, kZPollSet, Poll()).enableDone);
  EXPECT_FALSE(t.CompletedPoll(1, kZPollSet, Poll()).enableDone);  // already seen
  t.ClearStageSeen();
  EXPECT_FALSE(t.CompletedPoll(2, kZPollSet, Poll()).enableDone);
  t.SetGraduationStage(0);
  EXPECT_FALSE(t.CompletedPoll(0, kZPollSet, Poll()).enableDone);
  EXPECT_FALSE(t.Slot(0).stageSeen);
}

}  // namespace
}  // namespace kvl
