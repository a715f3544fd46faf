#include "ui/dialogs/enter_2_edit.h"

#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter2Edit::CEnter2Edit(const std::string& medium, const std::string& high, LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), medium_(medium), high_(high) {
  SetTemplateSize(267, 87);
  AddStatic(dlg::kPrompt, {7, 7, 251, 8}, Text(txt::kEnterConcentrationsForCalibration));
  AddStatic(dlg::kLabel1, {15, 27, 145, 12}, Text(txt::kMediumMixtureConc));
  QLineEdit* mediumEdit = AddEdit(dlg::kMediumValue, {170, 25, 60, 12});
  AddStatic(dlg::kLabel2, {15, 47, 145, 12}, Text(txt::kHighMixtureConc));
  QLineEdit* highEdit = AddEdit(dlg::kHighValue, {170, 45, 60, 12});
  mediumEdit->setText(QString::fromStdString(medium));
  highEdit->setText(QString::fromStdString(high));
  QPushButton* ok = AddButton(kIdOk, {22, 65, 80, 14}, Text(txt::kOkSet));
  QPushButton* cancel = AddButton(kIdCancel, {163, 65, 80, 14}, Text(txt::kCancel));
  SetDefaultButton(ok);
  EndsWith(ok, kIdOk, [=, this] {
    medium_ = mediumEdit->text().toStdString();
    high_ = highEdit->text().toStdString();
  });
  CancelsWith(cancel);
  mediumEdit->setFocus();
}

}  // namespace kvl
