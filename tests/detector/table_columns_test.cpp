#include "detector/table_columns.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "detector/detector_kinds.h"

namespace kvl {
namespace {

TEST(TableColumns, EveryControlHasItsOwnIdentifier) {
  std::set<int> ids;
  std::set<std::string> keys;
  int controls = 0;
  for (int i = 0; i < kColumnCount; ++i) {
    const ColumnInfo& c = Columns()[std::size_t(i)];
    ASSERT_EQ(int(c.column), i) << c.key;
    EXPECT_TRUE(keys.insert(c.key).second) << c.key;
    EXPECT_EQ(c.headerId == 0, c.header == nullptr) << c.key;
    for (int row = 0; row < kSlotCount; ++row, ++controls) ids.insert(CellId(c.column, row));
  }
  for (const HeaderInfo& h : Headers()) {
    ids.insert(h.id);
    ++controls;
  }
  EXPECT_EQ(ids.size(), std::size_t(controls));
}

TEST(TableColumns, IdentifiersOfTheLayout) {
  struct Expected {
    Column column;
    int first;
    int header;
  };
  const Expected expected[] = {
      {Column::ModbusNumber, 38055, 37916},
      {Column::Serial, 38075, 37917},
      {Column::Firmware, 38095, 37918},
      {Column::Gas, 38115, 37919},
      {Column::Disconnections, 38135, 37920},
      {Column::Milliamps, 38275, 37927},
      {Column::LelConc, 38295, 37928},
      {Column::SwitchToHart, 38415, 37967},
      {Column::GradRecalc, 38435, 37964},
      {Column::PEmitter, 38555, 37948},
      {Column::FlowLimit, 38615, 37954},
      {Column::HeatingLimit, 38815, 37949},
      {Column::ZeroingNegative, 38855, 37951},
      {Column::Ru6310, 38875, 37952},
      {Column::Relay1, 38915, 37955},
      {Column::ConditionImage, 38995, 37957},
      {Column::SensorTemperature, 39115, 37966},
      {Column::RelayTest, 39135, 37958},
      {Column::Imitation, 39155, 0},
  };
  for (const Expected& e : expected) {
    EXPECT_EQ(CellId(e.column, 0), e.first) << ColumnOf(e.column).key;
    EXPECT_EQ(ColumnOf(e.column).headerId, e.header) << ColumnOf(e.column).key;
  }
  // The quantities interleave by row: quantity q of row r is 38635 + 9 r + q.
  EXPECT_EQ(CellId(Column::Lel, 0), 38635);
  EXPECT_EQ(CellId(Column::R, 3), 38635 + 27 + 4);
  EXPECT_EQ(CellId(Column::HeaterPower, 19), 38814);
  EXPECT_EQ(ColumnOf(Column::HeaterPower).headerId, 37947);
  EXPECT_STREQ(ColumnOf(Column::HeaterPower).header->text[0], "P heat");
  EXPECT_STREQ(ColumnOf(Column::Serial).header->text[0], "Serial #");
  EXPECT_STREQ(ColumnOf(Column::SensorTemperature).header->text[0], "°C");
}

TEST(TableColumns, CellIdentifiersLeadBackToColumnAndRow) {
  for (const ColumnInfo& c : Columns())
    for (int row = 0; row < kSlotCount; ++row) {
      const auto at = CellAt(CellId(c.column, row));
      ASSERT_TRUE(at.has_value()) << c.key << " " << row;
      EXPECT_EQ(at->column, c.column) << c.key;
      EXPECT_EQ(at->row, row) << c.key;
    }
  EXPECT_FALSE(CellAt(37916).has_value());  // a header
  EXPECT_FALSE(CellAt(38835).has_value());  // an unused block
  EXPECT_FALSE(CellAt(39175).has_value());  // the stage caption after the last column
}

TEST(TableColumns, RightClickRangesOfTheCommands) {
  // The window routes right clicks by these ranges; each must be one column (or the quantities).
  auto columnsIn = [](int first, int last) {
    std::set<Column> columns;
    for (int id = first; id <= last; ++id) {
      const auto at = CellAt(id);
      EXPECT_TRUE(at.has_value()) << id;
      if (!at) continue;
      EXPECT_TRUE(ColumnOf(at->column).rightClick) << id;
      columns.insert(at->column);
    }
    return columns;
  };
  EXPECT_EQ(columnsIn(38635, 38814).size(), 9u);
  EXPECT_EQ(columnsIn(38075, 38094), std::set<Column>{Column::Serial});
  EXPECT_EQ(columnsIn(38115, 38134), std::set<Column>{Column::Gas});
  EXPECT_EQ(columnsIn(38855, 38874), std::set<Column>{Column::ZeroingNegative});
  EXPECT_EQ(columnsIn(39095, 39114), std::set<Column>{Column::ShowNegative});
  int rightClickColumns = 0;
  for (const ColumnInfo& c : Columns()) rightClickColumns += c.rightClick ? 1 : 0;
  EXPECT_EQ(rightClickColumns, 4 + 9);
}

TEST(TableColumns, EveryDecodedCellHasOneColumn) {
  for (int i = 0; i < kCellCount; ++i) {
    int owners = 0;
    for (const ColumnInfo& c : Columns()) owners += c.cell == Cell(i) ? 1 : 0;
    EXPECT_EQ(owners, 1) << CellKey(Cell(i));
    EXPECT_EQ(ColumnOf(ColumnForCell(Cell(i))).cell, Cell(i)) << CellKey(Cell(i));
  }
}

TEST(TableColumns, HeadersCoverEveryHeadedColumnAndTheRelayTestPair) {
  std::set<int> ids;
  int relayTestHeaders = 0;
  for (const HeaderInfo& h : Headers()) {
    ASSERT_NE(h.text, nullptr);
    EXPECT_TRUE(ids.insert(h.id).second) << h.id;
    if (h.column == Column::RelayTest) ++relayTestHeaders;
  }
  EXPECT_EQ(relayTestHeaders, 2);
  EXPECT_TRUE(ids.count(37959));
  EXPECT_TRUE(ids.count(37892) && ids.count(37893));  // KUR, KUW
  for (const ColumnInfo& c : Columns())
    if (c.headerId != 0) {
      EXPECT_TRUE(ids.count(c.headerId)) << c.key;
    }
}

}  // namespace
}  // namespace kvl
