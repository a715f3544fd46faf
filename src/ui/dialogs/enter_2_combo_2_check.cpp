#include "ui/dialogs/enter_2_combo_2_check.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter2Combo2Check::CEnter2Combo2Check(const Input& input, LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), first_(input.firstPosition), second_(input.secondPosition) {
  SetTemplateSize(211, 102);
  AddStatic(dlg::kPrompt, {7, 7, 195, 25}, QString::fromStdString(input.prompt));
  QComboBox* firstList = AddList(dlg::kFirstList, {15, 40, 85, 92}, ToQStringList(input.firstItems));
  QComboBox* secondList = AddList(dlg::kSecondList, {110, 40, 85, 92}, ToQStringList(input.secondItems));
  firstList->setCurrentIndex(input.firstPosition);
  secondList->setCurrentIndex(input.secondPosition);
  secondList->setEnabled(false);
  // The check boxes reach the next column and the dialog's edge (the
  // template's 61 and 55 units cut "Without delay" and "Без выдержки").
  QCheckBox* firstCheck = AddCheck(dlg::kFirstCheck, {15, 60, 90, 10}, QString::fromStdString(input.firstCheck));
  QCheckBox* secondCheck = AddCheck(dlg::kSecondCheck, {110, 60, 92, 10}, QString::fromStdString(input.secondCheck));
  const QString okCaption = input.okCaption.empty() ? Text(txt::kSet) : QString::fromStdString(input.okCaption);
  QPushButton* ok = AddButton(kIdOk, {7, 80, 70, 14}, okCaption);
  QPushButton* cancel = AddButton(kIdCancel, {131, 80, 71, 14}, Text(txt::kCancel));
  SetDefaultButton(ok);
  EndsWith(ok, kIdOk, [=, this] {
    first_ = firstList->currentIndex();
    second_ = secondList->currentIndex();
    firstChecked_ = firstCheck->isChecked();
    secondChecked_ = secondCheck->isChecked();
  });
  CancelsWith(cancel);
  firstList->setFocus();
}

}  // namespace kvl
