#include "ui/dialogs/enter_heat_limit.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "text/dialog_texts.h"
#include "text/format.h"
#include "text/selector_lists.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

std::string HeatLimitText(std::uint16_t value, bool integerFormat) {
  if (integerFormat) return Format("%u", unsigned(value));
  return Format("%.2f", std::int16_t(value) * 0.01);
}

CEnterHeatLimit::CEnterHeatLimit(const std::string& prompt, int state, std::uint16_t value, bool integerFormat,
                                 LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), value_(HeatLimitText(value, integerFormat)), state_(state) {
  SetTemplateSize(290, 100);
  AddStatic(dlg::kPrompt, {10, 20, 160, 12}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kHeatValue, {35, 35, 72, 12});
  edit->setText(QString::fromStdString(value_));
  AddGroup(dlg::kHeatingGroup, {180, 20, 80, 40}, Text(txt::kHeating));
  QRadioButton* enable = AddRadio(dlg::kEnableRadio, {190, 30, 67, 10}, Text(kSwitchesUpper[1]));
  QRadioButton* disable = AddRadio(dlg::kDisableRadio, {190, 45, 67, 10}, Text(kSwitchesUpper[0]));
  enable->setChecked(state == 1);
  disable->setChecked(state == 0);
  QPushButton* ok = AddButton(kIdOk, {55, 78, 60, 14}, Text(txt::kOkSet));
  QPushButton* cancel = AddButton(kIdCancel, {175, 78, 60, 14}, Text(txt::kCancel));
  SetDefaultButton(ok);
  EndsWith(ok, kIdSet, [=, this] {
    value_ = edit->text().toStdString();
    state_ = enable->isChecked() ? 1 : disable->isChecked() ? 0 : 2;
  });
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
