#include "ui/dialogs/confirmation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/dialog_texts.h"
#include "ui/controls/note_label.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

namespace {
QString Text(const TextEntry& entry, LanguageIndex language) { return QString::fromUtf8(entry(language)); }
}  // namespace

CConfirmation::CConfirmation(LanguageIndex language, QWidget* parent, const std::string& running)
    : QDialog(parent) {
  setWindowTitle(Text(txt::kExitCaption, language));
  question_ = new QLabel(running.empty() ? Text(txt::kExitQuestion, language) : QString::fromStdString(running), this);
  question_->setObjectName(QString::number(kNoteIdentifier));
  question_->setAlignment(Qt::AlignCenter);
  yes_ = new QPushButton(Text(txt::kYes, language), this);
  yes_->setObjectName(QString::number(kIdYes));
  no_ = new QPushButton(Text(txt::kNo, language), this);
  no_->setObjectName(QString::number(kIdNo));
  // Enter on a running graduation's question keeps it running.
  QPushButton* byDefault = running.empty() ? yes_ : no_;
  byDefault->setDefault(true);
  byDefault->setFocus();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(yes_);
  buttons->addWidget(no_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(question_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(yes_, &QPushButton::clicked, this, [this] { done(kIdYes); });
  connect(no_, &QPushButton::clicked, this, [this] { done(kIdNo); });
}

void CConfirmation::reject() { done(kIdCancel); }

}  // namespace kvl
