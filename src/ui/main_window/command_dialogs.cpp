// What the operator is asked before a per-detector command: the dialog of the
// command's kind, opened with the row's present value and the window's
// language, and its answer turned into the core's outcome. Cancel (or
// Escape) ends a command with nothing to do. The dialogs run through the
// window's dialog runner, so tests answer them.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

#include "commands/command_catalog.h"
#include "commands/command_rules.h"
#include "commands/emitter_tuning.h"
#include "detector/register_map.h"
#include "text/command_texts.h"
#include "text/format.h"
#include "ui/controls/note_combo_box.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_1_edit_1_checkbox.h"
#include "ui/dialogs/enter_4_button.h"
#include "ui/dialogs/enter_factory_number.h"
#include "ui/dialogs/enter_gas_name.h"
#include "ui/dialogs/enter_heat_limit.h"
#include "ui/dialogs/enter_limit.h"
#include "ui/dialogs/enter_slave_number.h"
#include "ui/dialogs/enter_work_refer.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

namespace {

// The baud rates of the Modbus address dialog's list, in its order.
constexpr std::array<const char*, 5> kDialogBauds = {"1200", "2400", "4800", "9600", "19200"};

int DialogBaudPosition(const std::string& baud) {
  for (std::size_t i = 0; i < kDialogBauds.size(); ++i)
    if (baud == kDialogBauds[i]) return int(i);
  return -1;
}

}  // namespace

int CKvlDlg::RunDialog(QDialog& dialog) { return options_.runDialog ? options_.runDialog(dialog) : dialog.exec(); }

std::string CKvlDlg::CellText(Column column, int slot) const {
  QWidget* w = c_.cells[size_t(column)][size_t(slot)];
  if (auto* button = qobject_cast<QPushButton*>(w)) return button->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
  return {};
}

std::optional<CommandOutcome> CKvlDlg::AskAndDecide(CommandId id, int slot, Column column, const CommandTarget& t) {
  const std::string prompt = CommandPrompt(id, t.type, config_.language);
  switch (id) {
    case CommandId::ModbusAddress:
      return AskModbusAddress(prompt, slot, column, t);
    case CommandId::SetZero: return SetZeroCommand(t);
    case CommandId::SwitchToHart: return SwitchToHartCommand(t);
    case CommandId::GradRecalc: return GradRecalcCommand(t);
    case CommandId::FactoryDefaults:
      return AskFactoryDefaults(prompt, t);
    case CommandId::MainCalibration:
    case CommandId::AdditionalCalibration:
      return CalibrationCommand(t, id == CommandId::MainCalibration, table_.Slot(slot).values.gasNameText,
                                config_.gases, config_.gasPosition);
    case CommandId::LelConc:
    case CommandId::Limit1:
    case CommandId::Limit2:
    case CommandId::MagneticCalibration:
      return AskLimitValue(id, prompt, slot, column, t);
    case CommandId::HeatingLimit:
      return AskHeatingLimit(prompt, t);
    case CommandId::EmitterPower:
      if (t.type == kTypeKvelt) return TuneKveltEmitter(slot, t);
      return AskEmitterPower(prompt, slot, column, t);
    case CommandId::Serial:
      return AskSerial(prompt, slot, t);
    case CommandId::Gas:
      return AskGas(prompt, t);
    case CommandId::ZeroingNegative: return ZeroingNegativeCommand(t);
    case CommandId::ShowNegative: return ShowNegativeCommand(t);
    case CommandId::Latching1: return LatchingCommand(t, 1);
    case CommandId::Latching2: return LatchingCommand(t, 2);
    case CommandId::Ru6310: return Ru6310Command(t);
    case CommandId::RelayTest:
      return ToggleRelayTest(slot, t);
    case CommandId::RelayPicture:
      return RelayPictureOf(column, t);
    case CommandId::WorkingFactor:
    case CommandId::ReferenceFactor:
      return AskCorrectionFactor(id == CommandId::ReferenceFactor, prompt, t);
    default: return std::nullopt;
  }
}

std::optional<CommandOutcome> CKvlDlg::AskModbusAddress(const std::string& prompt, int slot, Column column,
                                                        const CommandTarget& t) {
  CEnterSlaveNumber dialog(prompt, CellText(column, slot), DialogBaudPosition(config_.lines[0].baud),
                           config_.language, this);
  const int answer = RunDialog(dialog);
  if (answer == kIdPollNumber) {
    if (const std::optional<ListEdit> edit = table_.PollNumber(slot, dialog.Number())) ApplyListEdit(*edit);
    return std::nullopt;
  }
  if (answer != kIdSet) return std::nullopt;
  return AssignAddressCommand(t, dialog.Number(), dialog.Baud());
}

std::optional<CommandOutcome> CKvlDlg::AskFactoryDefaults(const std::string& prompt, const CommandTarget& t) {
  if (t.type != kTypeZ5) return FactoryDefaultsCommand(t);
  const LanguageIndex lang = config_.language;
  CEnter4Button dialog(prompt, CalibrationResetButtons(lang), lang, this);
  const int answer = RunDialog(dialog);
  if (answer < kIdButton1 || answer > kIdButton4) return std::nullopt;
  return FactoryDefaultsCommand(t, CalibrationReset(answer - kIdButton1));
}

std::optional<CommandOutcome> CKvlDlg::AskLimitValue(CommandId id, const std::string& prompt, int slot,
                                                     Column column, const CommandTarget& t) {
  CEnterLimit dialog(prompt, CellText(column, slot), config_.language, this);
  if (RunDialog(dialog) != kIdSet) return std::nullopt;
  if (id == CommandId::LelConc) return LelConcCommand(t, dialog.Value());
  if (id == CommandId::MagneticCalibration) return MagneticCalibrationCommand(t, dialog.Value());
  return LimitCommand(t, id == CommandId::Limit1 ? 1 : 2, dialog.Value());
}

std::optional<CommandOutcome> CKvlDlg::AskHeatingLimit(const std::string& prompt, const CommandTarget& t) {
  const RegisterLayout& layout = LayoutFor(t.type);
  if (layout.heatingOn < 0 || layout.heatingValue < 0) return std::nullopt;
  CEnterHeatLimit dialog(prompt, t.image[size_t(layout.heatingOn)], t.image[size_t(layout.heatingValue)],
                         !layout.heatingValueInHundredths, config_.language, this);
  if (RunDialog(dialog) != kIdSet) return std::nullopt;
  return HeatingLimitCommand(t, dialog.State(), dialog.Value());
}

std::optional<CommandOutcome> CKvlDlg::TuneKveltEmitter(int slot, const CommandTarget& t) {
  const SlotValues& values = table_.Slot(slot).values;
  // The memory belongs to the detector, wherever its row is now.
  const std::string serial = SerialNumberText(t.type, t.image, false);
  EmitterTuningMemory& memory =
      tuning_[serial.empty() || serial == "0" ? "#" + std::to_string(t.slave) : serial];
  const EmitterTuningStep step = ComputeEmitterTuning(memory, values.emitterPower, values.emitterPowerWord,
                                                      config_.emitterPower, config_.language);
  if (!step.question.empty() &&
      operator_->Ask(step.question, MessageIcon::Question, QuestionButtons::OkCancel) != kAnswerOk)
    return std::nullopt;
  return CommitEmitterTuning(memory, t, step);
}

std::optional<CommandOutcome> CKvlDlg::AskEmitterPower(const std::string& prompt, int slot, Column column,
                                                       const CommandTarget& t) {
  CEnter1Edit1Checkbox dialog(prompt, CellText(column, slot), config_.language, t.type == kTypeZ5, this);
  if (RunDialog(dialog) != kIdSet) return std::nullopt;
  return EmitterPowerCommand(t, dialog.Value(), dialog.Checked());
}

std::optional<CommandOutcome> CKvlDlg::AskSerial(const std::string& prompt, int slot,
                                                 const CommandTarget& t) {
  CEnterFactoryNumber dialog(prompt, CellText(Column::Serial, slot), config_.language, this);
  if (RunDialog(dialog) != kIdSet) return std::nullopt;
  return SerialCommand(t, dialog.Value());
}

std::optional<CommandOutcome> CKvlDlg::AskGas(const std::string& prompt, const CommandTarget& t) {
  CEnterGasName dialog(prompt, t.type, config_.gasDialogPosition, config_.language, this);
  if (RunDialog(dialog) != kIdSet) return std::nullopt;
  return GasCommand(t, dialog.Position());
}

std::optional<CommandOutcome> CKvlDlg::ToggleRelayTest(int slot, const CommandTarget& t) {
  const bool on = RelayTestClickTurnsOn(relayBoxBefore_[size_t(slot)]);
  SetRelayTestBox(slot, on);
  return RelayTestCommand(t, on, c_.relayTestStep->currentText().toStdString());
}

std::optional<CommandOutcome> CKvlDlg::RelayPictureOf(Column column, const CommandTarget& t) const {
  const RelayPicture picture = column == Column::Relay1Image   ? RelayPicture::Relay1
                               : column == Column::Relay2Image ? RelayPicture::Relay2
                                                               : RelayPicture::Condition;
  return RelayPictureCommand(t, picture, RelayTestState(t.type, t.image) == RelayTestBox::On);
}

std::optional<CommandOutcome> CKvlDlg::AskCorrectionFactor(bool reference, const std::string& prompt,
                                                           const CommandTarget& t) {
  std::string& lastText = reference ? config_.referenceFactor : config_.workingFactor;
  CEnterWorkRefer dialog(prompt, t.type == kTypeZ5, reference, lastText, config_.language, this);
  const int answer = RunDialog(dialog);
  if (answer != kIdSet && answer != kIdSetOne) return std::nullopt;
  if (lastText != dialog.Value()) {
    lastText = dialog.Value();
    PostConfig();
  }
  const FactorKind kind = answer == kIdSetOne  ? FactorKind::SetOne
                          : dialog.Kind() == 1 ? FactorKind::AsInGraduation
                          : dialog.Kind() == 2 ? FactorKind::InProportion
                                               : FactorKind::Irrespective;
  return CorrectionFactorCommand(t, reference, kind, dialog.Value());
}

void CKvlDlg::OnEnterPassword() {
  if (!CommandAvailable(CommandId::Password, ContextOfRow(table_, -1))) return;
  const LanguageIndex lang = config_.language;
  const std::vector<std::uint8_t> slaves = PasswordSlaves(table_);
  CEnterLimit dialog(CommandPrompt(CommandId::Password, config_.detectorType, lang), "", lang, this);
  dialog.MaskInput();  // as the graduation's own password
  dialog.RefuseWith(
      [&](const std::string& text) {
        const CommandOutcome out = PasswordCommand(text, slaves, lang);
        return out.rejected ? out.message : std::string();
      },
      [this](const std::string& refusal) { operator_->ShowMessage(refusal, MessageIcon::None); });
  if (RunDialog(dialog) != kIdSet) return;
  const CommandOutcome out = PasswordCommand(dialog.Value(), slaves, lang);
  if (out.rejected || out.writes.empty()) return;
  // The detectors that took it are named once every list has run; a
  // write that failed is the link's to report.
  struct Taken {
    std::mutex mutex;
    int left = 0;
    std::vector<std::uint8_t> addresses;
  };
  auto taken = std::make_shared<Taken>();
  taken->left = int(slaves.size());
  WriteOrigin origin = OriginOf(CommandKey(CommandId::Password));
  origin.done = [this, taken, lang](const LinkWriteList& list) {
    std::lock_guard lock(taken->mutex);
    if (list.AllWritten()) taken->addresses.push_back(list.slave);
    if (--taken->left > 0 || taken->addresses.empty()) return;
    std::string text = txt::kPasswordTaken(lang);
    for (std::uint8_t a : taken->addresses) text += Format(" %u", unsigned(a));
    QMetaObject::invokeMethod(
        this, [this, text] { operator_->ShowMessage(text, MessageIcon::Information); }, Qt::QueuedConnection);
  };
  link_.BeginWriteList(std::move(origin));
  QueueWriteList(out.writes);
  link_.EndWriteList();
}

void CKvlDlg::SetRelayTestBox(int slot, bool on) {
  auto* box = static_cast<QCheckBox*>(c_.cells[size_t(Column::RelayTest)][size_t(slot)]);
  const QSignalBlocker block(box);
  box->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

}  // namespace kvl
