#include "ui/dialogs/enter_factory_number.h"

#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnterFactoryNumber::CEnterFactoryNumber(const std::string& prompt, const std::string& value, LanguageIndex language,
                                         QWidget* parent)
    : CEnterDialog(language, parent), value_(value) {
  SetTemplateSize(203, 74);
  AddStatic(dlg::kPrompt, {7, 7, 187, 8}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kValue, {48, 25, 81, 12});
  edit->setText(QString::fromStdString(value));
  QPushButton* set = AddButton(dlg::kSetButton, {7, 52, 79, 14}, Text(txt::kSet));
  QPushButton* cancel = AddButton(kIdCancel, {113, 52, 81, 14}, Text(txt::kCancel));
  EndsWith(set, kIdSet, [this, edit] { value_ = edit->text().toStdString(); });
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
