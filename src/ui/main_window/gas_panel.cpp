// The gas panel and the other numeric edits whose values the detector model
// uses: calibration concentrations per gas (typed, or converted from a
// propane concentration), the emitter-power target and the two crossing
// thresholds. The rules are the core's (calibration_gas.h); the window shows
// their results and keeps the settings up to date.
#include <QCheckBox>

#include "detector/calibration_gas.h"
#include "text/format.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/show_cleaned.h"

namespace kvl {

namespace {

std::string CleanEdit(QLineEdit* edit, bool allowMinus) {
  const std::string cleaned = FilterNumericEdit(edit->text().toStdString(), allowMinus);
  ShowCleaned(edit, cleaned);
  return cleaned;
}

void SetEditText(QLineEdit* edit, const std::string& text) {
  const QString q = QString::fromStdString(text);
  if (edit->text() != q) edit->setText(q);
}

}  // namespace

void CKvlDlg::ConnectGasPanel() {
  connect(c_.gasSelector, &QComboBox::currentIndexChanged, this, [this](int g) { OnGasSelected(g); });
  connect(c_.usePropane, &QCheckBox::clicked, this, [this](bool checked) { OnUsePropaneClicked(checked); });
  for (int k = 0; k < 2; ++k) {
    connect(c_.concentration[size_t(k)], &QLineEdit::textEdited, this, [this, k] { OnConcentrationEdited(k); });
    connect(c_.propaneEntry[size_t(k)], &QLineEdit::textEdited, this, [this, k] { OnPropaneEntryEdited(k); });
    connect(c_.limit[size_t(k)], &QLineEdit::textEdited, this, [this, k] { OnLimitEdited(k); });
  }
  connect(c_.coefficient, &QLineEdit::textEdited, this, [this] { OnCoefficientEdited(); });
  connect(c_.emitterPower, &QLineEdit::textEdited, this, [this] { OnEmitterPowerEdited(); });
}

void CKvlDlg::OnGasSelected(int position) {
  if (position < 0 || position >= kGasCount) return;
  config_.gasPosition = position;
  ApplyGasPanelView();
  PostConfig();
}

void CKvlDlg::ApplyGasPanelView() {
  const int g = std::clamp(config_.gasPosition, 0, kGasCount - 1);
  const GasCalibration& gas = config_.gases[size_t(g)];
  const GasPanelView view = ViewGasPanel(config_.mode, config_.detectorType, g, gas);
  c_.usePropane->setVisible(view.propaneOffered);
  if (c_.usePropane->isChecked() != view.propaneChecked) c_.usePropane->setChecked(view.propaneChecked);
  for (int k = 0; k < 2; ++k) {
    SetEditText(c_.concentration[size_t(k)], gas.concentration[size_t(k)]);
    c_.concentration[size_t(k)]->setEnabled(view.concentrationsEnabled);
    SetEditText(c_.propaneEntry[size_t(k)], gas.propaneEntry[size_t(k)]);
    c_.propaneEntry[size_t(k)]->Show(view.propaneEditsShown);
  }
  c_.coefficientCaption->setVisible(view.propaneEditsShown);
  c_.coefficient->Show(view.propaneEditsShown);
  if (view.propaneEditsShown) SetEditText(c_.coefficient, view.coefficientText);
}

void CKvlDlg::OnUsePropaneClicked(bool checked) {
  config_.gases[size_t(config_.gasPosition)].usePropane = checked;
  ApplyGasPanelView();
  PostConfig();
}

void CKvlDlg::OnConcentrationEdited(int k) {
  config_.gases[size_t(config_.gasPosition)].concentration[size_t(k)] =
      CleanEdit(c_.concentration[size_t(k)], false);
  PostConfig();
}

void CKvlDlg::OnPropaneEntryEdited(int k) {
  GasCalibration& gas = config_.gases[size_t(config_.gasPosition)];
  SetPropaneEntry(gas, config_.gasPosition, k, CleanEdit(c_.propaneEntry[size_t(k)], false));
  SetEditText(c_.concentration[size_t(k)], gas.concentration[size_t(k)]);
  PostConfig();
}

void CKvlDlg::OnCoefficientEdited() {
  GasCalibration& gas = config_.gases[size_t(config_.gasPosition)];
  SetConvertingCoefficient(gas, config_.gasPosition, EditTextNumber(CleanEdit(c_.coefficient, false)));
  for (int k = 0; k < 2; ++k) SetEditText(c_.concentration[size_t(k)], gas.concentration[size_t(k)]);
  PostConfig();
}

void CKvlDlg::OnEmitterPowerEdited() {
  config_.emitterPower = EditTextNumber(CleanEdit(c_.emitterPower, false));
  PostConfig();
}

void CKvlDlg::OnLimitEdited(int k) {
  const double value = EditTextNumber(CleanEdit(c_.limit[size_t(k)], true));
  (k == 0 ? config_.lowLimit : config_.highLimit) = value;
  table_.SetThresholds(config_.lowLimit, config_.highLimit);
  PostConfig();
}

}  // namespace kvl
