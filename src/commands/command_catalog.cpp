#include "commands/command_catalog.h"

#include <cstring>

#include "text/command_texts.h"
#include "text/dialog_texts.h"
#include "text/format.h"

namespace kvl {
namespace {

constexpr const char* kKeys[kCommandCount] = {
    "address",       "zero",           "hart",         "grad-recalc",          "factory-defaults",
    "calibrate-main", "calibrate-additional", "lel", "limit1",              "limit2",
    "magnetic",      "heat-limit",     "emitter-power", "serial",              "gas",
    "zeroing",       "show-negative",  "relay-test",   "relay-picture",        "latching1",
    "latching2",     "ru6310",         "scan",         "kuw",                  "kur",
    "password",
};

// The button or cell whose visibility offers a command, for the commands
// available "per visibility".
std::optional<Column> VisibilityColumn(CommandId id) {
  switch (id) {
    case CommandId::SetZero: return Column::SetZero;
    case CommandId::SwitchToHart: return Column::SwitchToHart;
    case CommandId::GradRecalc: return Column::GradRecalc;
    case CommandId::FactoryDefaults: return Column::FactoryDefaults;
    case CommandId::MainCalibration: return Column::MainCalibr;
    case CommandId::AdditionalCalibration: return Column::AddCalibr;
    case CommandId::LelConc: return Column::LelConc;
    case CommandId::Limit1: return Column::Limit1;
    case CommandId::Limit2: return Column::Limit2;
    case CommandId::MagneticCalibration: return Column::MagnCalibr;
    case CommandId::HeatingLimit: return Column::HeatingLimit;
    // The Z5 latching cells give way to the relay test read-backs.
    case CommandId::Latching1: return Column::Latching1;
    case CommandId::Latching2: return Column::Latching2;
    default: return std::nullopt;
  }
}

}  // namespace

const char* CommandKey(CommandId id) {
  const int i = int(id);
  return i >= 0 && i < kCommandCount ? kKeys[i] : "?";
}

std::optional<CommandId> CommandFromKey(const std::string& key) {
  for (int i = 0; i < kCommandCount; ++i)
    if (key == kKeys[i]) return CommandId(i);
  return std::nullopt;
}

CommandOutcome Refused(std::string message) {
  CommandOutcome out;
  out.rejected = true;
  out.message = std::move(message);
  return out;
}

CommandContext ContextOfRow(const CDetectorTable& table, int slot) {
  CommandContext c;
  c.type = table.Layout().type;
  c.mode = table.Layout().mode;
  c.kurView = table.Layout().kurView;
  c.pollSetEcho = table.PollSetEcho();
  c.tableWriting = table.TableWriting();
  c.lineOpen = table.LineOpen();
  c.searching = table.Searching();
  if (slot >= 0 && slot < kSlotCount) {
    c.rowInList = std::size_t(slot) < table.AddressList().size();
    c.rowHasDetector = table.Slot(slot).HasDetector();
    c.relayTestOn = RelayTestState(c.type, table.Slot(slot).image) == RelayTestBox::On;
  }
  return c;
}

bool CommandAvailable(CommandId id, const CommandContext& c) {
  const bool tuning = c.mode == kModeTuning;
  const bool z5 = c.type == kTypeZ5, z40 = c.type == kTypeZ40;
  switch (id) {
    case CommandId::AddressSearch:
    case CommandId::Password:
      // Both talk as the bus master; in "Imitation" another master owns the line.
      return c.lineOpen && c.mode != kModeImitation;
    default:
      break;
  }
  if (!c.rowInList) return false;
  // Outside "Imitation" a row without a detector hides its buttons and check boxes.
  const bool rowShown = c.rowHasDetector || c.mode == kModeImitation;
  if (const auto column = VisibilityColumn(id)) {
    TableLayout layout;
    layout.type = c.type;
    layout.mode = c.mode;
    layout.kurView = c.kurView;
    layout.pollSetEcho = c.pollSetEcho;
    return rowShown && ColumnShown(*column, layout, c.relayTestOn);
  }
  switch (id) {
    case CommandId::ModbusAddress:
      // The "Modbus #" buttons take commands on an open line outside a search.
      return c.lineOpen && !c.searching && !c.tableWriting;
    case CommandId::EmitterPower:
      return (tuning || c.mode == kModeGraduationZ5) && c.rowHasDetector && !c.tableWriting;
    case CommandId::Serial:
      return c.mode != kModeCalibration && rowShown && !c.tableWriting;
    case CommandId::Gas:
      return c.mode != kModeCalibration && c.rowHasDetector && !c.tableWriting;
    case CommandId::ZeroingNegative:
      return tuning && !z40 && rowShown && !c.tableWriting;
    case CommandId::ShowNegative:
      return tuning && z5 && rowShown && !c.tableWriting;
    case CommandId::RelayTest:
      return tuning && c.rowHasDetector;
    case CommandId::RelayPicture:
      return c.mode == kModeImitation || (z40 && tuning && c.rowHasDetector);
    case CommandId::Ru6310:
      return tuning && z40 && rowShown;
    case CommandId::WorkingFactor:
    case CommandId::ReferenceFactor:
      return tuning && c.rowHasDetector && !c.tableWriting;
    default:
      return false;
  }
}

bool SettingsButtonAvailable(Column column, const CommandContext& c) {
  if (column != Column::SettToFile && column != Column::SettFromFile && column != Column::CompareSett) return false;
  if (!c.rowInList || !c.rowHasDetector || c.tableWriting) return false;
  TableLayout layout;
  layout.type = c.type;
  layout.mode = c.mode;
  return ColumnShown(column, layout, c.relayTestOn);
}

std::string CommandPrompt(CommandId id, int type, LanguageIndex lang) {
  const bool z5 = type == kTypeZ5;
  switch (id) {
    case CommandId::ModbusAddress: return txt::kEnterModbusSlaveNumber(lang);
    case CommandId::FactoryDefaults: return z5 ? txt::kCalibrationReset(lang) : "";
    case CommandId::LelConc: return z5 ? txt::kEnterLelValueZ5(lang) : txt::kEnterLelValue(lang);
    case CommandId::Limit1:
    case CommandId::Limit2: {
      const std::string head = txt::kEnterNewLimit(lang), tail = txt::kLimitValueRange(lang);
      if (head.empty() && tail.empty()) return "";
      return head + Format("%d", id == CommandId::Limit1 ? 1 : 2) + tail;
    }
    case CommandId::MagneticCalibration: return txt::kEnterMagnConc(lang);
    case CommandId::HeatingLimit: return txt::kEnterHeatLimit(lang);
    case CommandId::EmitterPower: return type == kTypeKvelt ? "" : txt::kEnterEmitterCoef(lang);
    case CommandId::Serial: return txt::kEnterNewSerial(lang);
    case CommandId::Gas: return txt::kSelectNewGas(lang);
    case CommandId::WorkingFactor: return txt::kCorrectionWorking(lang);
    case CommandId::ReferenceFactor: return txt::kCorrectionReference(lang);
    case CommandId::Password: return txt::kEnterPasswordPrompt(lang);
    default: return "";
  }
}

std::array<std::string, 4> CalibrationResetButtons(LanguageIndex lang) {
  return {txt::kGraduationAndCalconc(lang), txt::kMethane(lang), txt::kPropane(lang), txt::kCancel(lang)};
}

std::vector<std::uint8_t> PasswordSlaves(const CDetectorTable& table) {
  std::vector<std::uint8_t> slaves;
  const std::vector<std::uint8_t>& list = table.AddressList();
  for (std::size_t s = 0; s < list.size() && s < std::size_t(kSlotCount); ++s)
    if (table.Slot(int(s)).HasDetector()) slaves.push_back(list[s]);
  return slaves;
}

std::optional<CommandTarget> TargetOfRow(const CDetectorTable& table, int slot) {
  if (slot < 0 || slot >= kSlotCount || std::size_t(slot) >= table.AddressList().size()) return std::nullopt;
  CommandTarget t;
  t.type = table.Layout().type;
  t.mode = table.Layout().mode;
  t.slave = table.AddressList()[std::size_t(slot)];
  t.image = table.Slot(slot).image;
  t.language = table.Language();
  return t;
}

}  // namespace kvl
