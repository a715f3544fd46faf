#include "detector/table_columns.h"

#include "text/main_window_texts.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

using K = ColumnKind;
using C = Column;

constexpr ColumnInfo Button(C c, const char* key, K kind, int first, int header, const TextEntry* text,
                            std::optional<Cell> cell = std::nullopt) {
  return {c, key, kind, first, 1, header, text, false, cell};
}
constexpr ColumnInfo Static(C c, const char* key, int first, int header, const TextEntry* text,
                            std::optional<Cell> cell, bool rightClick = false) {
  return {c, key, K::Text, first, 1, header, text, rightClick, cell};
}
constexpr ColumnInfo Quantity(int q, const char* key) {
  return {Column(int(C::Lel) + q), key,  K::Text,        38635 + q, kQuantityCount, 37939 + q,
          &kQuantities[q],         true, QuantityCell(q)};
}

// KUR and KUW are shown side by side (mode "Graduation", type Z5), so each
// needs a control array of its own; they take the two unused arrays between
// "P emitter" and "Flow limit". Their right clicks therefore never reach the
// zeroing command, whose range is 38855..38874.
const std::array<ColumnInfo, kColumnCount> kColumns = {{
    Button(C::ModbusNumber, "modbus_number", K::PushButton, 38055, 37916, &txt::kModbusNumber),
    Button(C::LelConc, "lel_conc", K::ValueButton, 38295, 37928, &txt::kLelVol, Cell::LelConc),
    Button(C::SetZero, "set_zero", K::PushButton, 38315, 37929, &txt::kSetZero),
    Button(C::MainCalibr, "main_calibr", K::PushButton, 38335, 37930, &txt::kMainCalibr),
    Button(C::AddCalibr, "add_calibr", K::PushButton, 38355, 37931, &txt::kAddCalibr),
    Button(C::MagnCalibr, "magn_calibr", K::PushButton, 38375, 37932, &txt::kMagnCalibr,
           Cell::MagneticCalibration),
    Button(C::FactoryDefaults, "factory_defaults", K::PushButton, 38395, 37933, &txt::kFactoryDefaults),
    Button(C::SwitchToHart, "switch_to_hart", K::PushButton, 38415, 37967, &txt::kSwitchToHart),
    Button(C::GradRecalc, "grad_recalc", K::PushButton, 38435, 37964, &txt::kGradRecalc),
    Button(C::SettToFile, "sett_to_file", K::PushButton, 38455, 37936, &txt::kSettToFile),
    Button(C::SettFromFile, "sett_from_file", K::PushButton, 38475, 37937, &txt::kSettFromFile),
    Button(C::CompareSett, "compare_sett", K::PushButton, 38495, 37938, &txt::kCompareSett),
    Button(C::Limit1, "limit1", K::ValueButton, 38515, 37934, &txt::kLimit1, Cell::Limit1),
    Button(C::Limit2, "limit2", K::ValueButton, 38535, 37935, &txt::kLimit2, Cell::Limit2),
    Button(C::PEmitter, "p_emitter", K::ValueButton, 38555, 37948, &txt::kPEmitter, Cell::EmitterPower),
    Button(C::HeatingLimit, "heating_limit", K::ValueButton, 38815, 37949, &txt::kHeatingLimit,
           Cell::HeatingLimit),
    Button(C::FlowLimit, "flow_limit", K::ValueButton, 38615, 37954, &txt::kFlowLimit),
    Static(C::Serial, "serial", 38075, 37917, &txt::kSerialNumber, Cell::SerialNumber, true),
    Static(C::Firmware, "firmware", 38095, 37918, &txt::kFirmware, Cell::Firmware),
    Static(C::Gas, "gas", 38115, 37919, &txt::kGas, Cell::Gas, true),
    Static(C::Disconnections, "disconnections", 38135, 37920, &txt::kDisconnections, std::nullopt),
    Static(C::MinCrosses, "min_crosses", 38155, 37921, &txt::kMinCrosses, std::nullopt),
    Static(C::MaxCrosses, "max_crosses", 38175, 37922, &txt::kMaxCrosses, std::nullopt),
    Static(C::Flags, "flags", 38195, 37923, &txt::kFlags, Cell::Flags),
    Static(C::BadGraduation, "bad_graduation", 38215, 37924, &txt::kBadGraduation, Cell::BadGraduation),
    Static(C::ZeroShift, "zero_shift", 38235, 37925, &txt::kZeroShift, Cell::ZeroShift),
    Static(C::VolumePercent, "volume", 38255, 37926, &txt::kVolumePercent, Cell::VolumePercent),
    Static(C::Milliamps, "ma", 38275, 37927, &txt::kMilliamps, Cell::Current),
    Quantity(0, "lel"),
    Quantity(1, "t"),
    Quantity(2, "d"),
    Quantity(3, "w"),
    Quantity(4, "r"),
    Quantity(5, "dm"),
    Quantity(6, "wo"),
    Quantity(7, "ro"),
    Quantity(8, "p_heat"),
    Static(C::ZeroingNegative, "zeroing", 38855, 37951, &txt::kZeroingNegConc, Cell::ZeroingNegative, true),
    Static(C::Kur, "kur", 38575, 37892, &txt::kKur, Cell::Kur),
    Static(C::Kuw, "kuw", 38595, 37893, &txt::kKuw, Cell::Kuw),
    Static(C::Ru6310, "ru6310", 38875, 37952, &txt::kRu6310Compl, Cell::Ru6310),
    Static(C::FlowSpeed, "flow_speed", 38895, 37953, &txt::kFlowSpeed, std::nullopt),
    Static(C::Relay1, "relay1", 38915, 37955, &txt::kRelay1, Cell::Relay1),
    {C::Relay1Image, "relay1_image", K::Image, 38935, 1, 0, nullptr, false, std::nullopt},
    Static(C::Relay2, "relay2", 38955, 37956, &txt::kRelay2, Cell::Relay2),
    {C::Relay2Image, "relay2_image", K::Image, 38975, 1, 0, nullptr, false, std::nullopt},
    {C::ConditionImage, "condition_image", K::Image, 38995, 1, 37957, &txt::kCondition, false, std::nullopt},
    Static(C::Latching1, "latching1", 39015, 37960, &txt::kLatching1, Cell::Latching1),
    Static(C::Latching2, "latching2", 39035, 37961, &txt::kLatching2, Cell::Latching2),
    Static(C::Cv, "cv", 39055, 37962, &txt::kCv, Cell::Cv),
    Static(C::CvVol, "cv_vol", 39075, 37963, &txt::kCvVol, Cell::CvVol),
    Static(C::ShowNegative, "show_negative", 39095, 37965, &txt::kShowNegConc, Cell::ShowNegative, true),
    Static(C::SensorTemperature, "sensor_t", 39115, 37966, &txt::kDegreesC, Cell::SensorTemperature),
    {C::RelayTest, "relay_test", K::ThreeStateCheck, 39135, 1, 37958, &txt::kRelayTest, false, std::nullopt},
    {C::Imitation, "imitation", K::Check, 39155, 1, 0, nullptr, false, std::nullopt},
}};

constexpr int kRelayTestOnHeaderId = 37959;

std::array<HeaderInfo, kHeaderCount> BuildHeaders() {
  std::array<HeaderInfo, kHeaderCount> headers{};
  std::size_t n = 0;
  for (const ColumnInfo& c : kColumns) {
    if (c.headerId == 0) continue;
    if (n < headers.size()) headers[n] = {c.headerId, c.header, c.column};
    ++n;
    if (c.column == C::RelayTest && n < headers.size())
      headers[n++] = {kRelayTestOnHeaderId, &txt::kRelayTestOn, c.column};
  }
  // kHeaderCount is checked by the tests against this walk.
  return headers;
}

}  // namespace

const std::array<ColumnInfo, kColumnCount>& Columns() {
  return kColumns;
}

const ColumnInfo& ColumnOf(Column column) {
  return kColumns[std::size_t(column)];
}

int CellId(Column column, int row) {
  const ColumnInfo& c = ColumnOf(column);
  return c.firstId + c.rowStride * row;
}

std::optional<CellAddress> CellAt(int id) {
  for (const ColumnInfo& c : kColumns) {
    const int offset = id - c.firstId;
    if (offset < 0 || offset % c.rowStride != 0) continue;
    const int row = offset / c.rowStride;
    if (row < kSlotCount) return CellAddress{c.column, row};
  }
  return std::nullopt;
}

const std::array<HeaderInfo, kHeaderCount>& Headers() {
  static const std::array<HeaderInfo, kHeaderCount> headers = BuildHeaders();
  return headers;
}

Column ColumnForCell(Cell cell) {
  for (const ColumnInfo& c : kColumns)
    if (c.cell == cell) return c.column;
  return C::FlowSpeed;  // unreachable: every cell has a column (checked by the tests)
}

}  // namespace kvl
