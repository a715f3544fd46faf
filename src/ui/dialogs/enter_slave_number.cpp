#include "ui/dialogs/enter_slave_number.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnterSlaveNumber::CEnterSlaveNumber(const std::string& prompt, const std::string& number, int baudPosition,
                                     LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), number_(number) {
  SetTemplateSize(266, 74);
  AddStatic(dlg::kPrompt, {7, 7, 250, 8}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kValue, {48, 25, 81, 12});
  edit->setText(QString::fromStdString(number));
  const QStringList bauds = {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                             QStringLiteral("9600"), QStringLiteral("19200")};
  QComboBox* baudList = AddList(dlg::kBaudList, {165, 25, 52, 92}, bauds);
  baudList->setCurrentIndex(baudPosition >= 0 && baudPosition < bauds.size() ? baudPosition : -1);
  baud_ = baudList->currentText().toStdString();
  // The first two buttons are wider than in the template and the gaps
  // narrower, for "Опрашивать номер" and "Присвоить номер и скорость".
  QPushButton* poll = AddButton(dlg::kPollButton, {7, 52, 79, 14}, Text(txt::kPollNumber));
  QPushButton* assign = AddButton(dlg::kSetButton, {90, 52, 117, 14}, Text(txt::kAssignNumberAndBaud));
  QPushButton* cancel = AddButton(kIdCancel, {212, 52, 45, 14}, Text(txt::kCancel));
  EndsWith(poll, kIdPollNumber, [this, edit] { number_ = edit->text().toStdString(); });
  EndsWith(assign, kIdSet, [this, edit, baudList] {
    number_ = edit->text().toStdString();
    baud_ = baudList->currentText().toStdString();
  });
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
