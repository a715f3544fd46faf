#include "ui/dialogs/enter_1_edit.h"

#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter1Edit::CEnter1Edit(const std::string& prompt, LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent) {
  SetTemplateSize(204, 74);
  AddStatic(dlg::kPrompt, {7, 7, 188, 20}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kValue, {45, 30, 72, 12});
  edit->setEchoMode(QLineEdit::Password);
  QPushButton* ok = AddButton(kIdOk, {23, 52, 55, 14}, Text(txt::kOkEnter));
  QPushButton* cancel = AddButton(kIdCancel, {126, 52, 50, 14}, Text(txt::kCancel));
  SetDefaultButton(ok);
  EndsWith(ok, kIdOk, [this, edit] { value_ = edit->text().toStdString(); });
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
