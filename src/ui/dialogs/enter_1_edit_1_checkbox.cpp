#include "ui/dialogs/enter_1_edit_1_checkbox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter1Edit1Checkbox::CEnter1Edit1Checkbox(const std::string& prompt, const std::string& value, LanguageIndex language,
                                           bool offerCheck, QWidget* parent)
    : CEnterDialog(language, parent), value_(value) {
  SetTemplateSize(203, 92);
  // Two lines down to the edit: the Russian prompt does not fit one.
  AddStatic(dlg::kPrompt, {7, 7, 187, 17}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kValue, {48, 25, 81, 12});
  edit->setText(QString::fromStdString(value));
  QCheckBox* check = AddCheck(dlg::kFirstCheck, {48, 45, 146, 10}, Text(txt::kAsInGraduation));
  check->setVisible(offerCheck);
  QPushButton* set = AddButton(dlg::kSetButton, {7, 70, 79, 14}, Text(txt::kSet));
  QPushButton* cancel = AddButton(kIdCancel, {113, 70, 81, 14}, Text(txt::kCancel));

  connect(check, &QCheckBox::toggled, edit, [edit](bool on) { edit->setEnabled(!on); });
  EndsWith(set, kIdSet, [this, edit, check] {
    value_ = edit->text().toStdString();
    checked_ = check->isChecked();
  });
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
