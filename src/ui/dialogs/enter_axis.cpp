#include "ui/dialogs/enter_axis.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "text/dialog_texts.h"
#include "text/selector_lists.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

int AxisValueFromText(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t(INT_MAX) + 1) value = std::int64_t(INT_MAX) + 1;
  }
  if (negative) value = -value;
  return int(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

CEnterAxis::CEnterAxis(bool manual, int value, LanguageIndex language, QWidget* parent, int end)
    : CEnterDialog(language, parent), manual_(manual), value_(value) {
  SetTemplateSize(183, 94);
  setWindowTitle(QStringLiteral(" ") + Text(txt::kEnterTheValue));
  static const TextEntry* const ends[] = {&txt::kAxisXMin, &txt::kAxisXMax, &txt::kAxisYMin, &txt::kAxisYMax};
  AddGroup(-1, {29, 10, 123, 53}, end >= 0 && end < 4 ? Text(*ends[end]) : QString());
  // "Автоматически" needs more than the template's 70 units: both choices
  // reach the group's inner edge.
  QRadioButton* manualRadio = AddRadio(dlg::kManualRadio, {38, 23, 55, 10}, Text(kAxisModes[1], "Manual"));
  QRadioButton* autoRadio = AddRadio(dlg::kAutoRadio, {38, 43, 110, 10}, Text(kAxisModes[0], "Automatic"));
  QLineEdit* edit = AddEdit(dlg::kAxisValue, {97, 20, 40, 14});
  edit->setAlignment(Qt::AlignCenter);
  edit->setText(QString::number(value));
  QPushButton* set = AddButton(dlg::kSetButton, {7, 72, 75, 14}, Text(txt::kSet));
  QPushButton* cancel = AddButton(kIdCancel, {99, 72, 75, 14}, Text(txt::kCancel));

  (manual ? manualRadio : autoRadio)->setChecked(true);
  edit->setEnabled(manual);
  connect(manualRadio, &QRadioButton::clicked, edit, [edit] { edit->setEnabled(true); });
  connect(autoRadio, &QRadioButton::clicked, edit, [edit] { edit->setEnabled(false); });
  EndsWith(set, kIdSet, [=, this] {
    manual_ = manualRadio->isChecked();
    value_ = AxisValueFromText(edit->text().toStdString());
  });
  CancelsWith(cancel);
  (manual ? static_cast<QWidget*>(edit) : autoRadio)->setFocus();
}

}  // namespace kvl
