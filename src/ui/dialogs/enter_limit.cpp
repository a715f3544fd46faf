#include "ui/dialogs/enter_limit.h"

#include <QLineEdit>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnterLimit::CEnterLimit(const std::string& prompt, const std::string& value, LanguageIndex language, QWidget* parent)
    : CEnterLimit(prompt, value, txt::kOkSet, kIdSet, false, language, parent) {}

CEnterLimit::CEnterLimit(const std::string& prompt, const std::string& value, const TextEntry& okText, int okResult,
                         bool masked, LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), value_(value) {
  SetTemplateSize(204, 74);
  AddStatic(dlg::kPrompt, {7, 7, 188, 20}, QString::fromStdString(prompt));
  QLineEdit* edit = AddEdit(dlg::kValue, {45, 30, 72, 12});
  edit->setText(QString::fromStdString(value));
  if (masked) edit->setEchoMode(QLineEdit::Password);
  QPushButton* ok = AddButton(kIdOk, {23, 52, 55, 14}, Text(okText));
  QPushButton* cancel = AddButton(kIdCancel, {126, 52, 50, 14}, Text(txt::kCancel));
  SetDefaultButton(ok);
  connect(ok, &QPushButton::clicked, this, [this, edit, okResult] {
    const std::string text = edit->text().toStdString();
    if (const std::string refusal = check_ ? check_(text) : std::string(); !refusal.empty()) {
      if (show_) show_(refusal);
      edit->setFocus();
      edit->selectAll();
      return;
    }
    value_ = text;
    done(okResult);
  });
  CancelsWith(cancel);
  edit->setFocus();
}

void CEnterLimit::RefuseWith(std::function<std::string(const std::string&)> check,
                             std::function<void(const std::string&)> show) {
  check_ = std::move(check);
  show_ = std::move(show);
}

void CEnterLimit::MaskInput() {
  if (auto* edit = findChild<QLineEdit*>(QString::number(dlg::kValue))) edit->setEchoMode(QLineEdit::Password);
}

}  // namespace kvl
