#include "ui/controls/note_label.h"

#include <QEvent>


namespace kvl {

CNoteLabel::CNoteLabel(QWidget* control, const NoteSetup& note)
    : QObject(control), control_(control), offset_(note.dx, note.dy) {
  if (!note.Exists() || !control->parentWidget()) return;
  label_ = new QLabel(note.text, control->parentWidget());
  label_->setObjectName(QString::number(kNoteIdentifier));
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setFont(control->font());
  label_->resize(note.width, note.height);
  Follow();
  label_->setVisible(!control->isHidden());
  control->installEventFilter(this);
}

CNoteLabel::~CNoteLabel() { delete label_.data(); }

void CNoteLabel::SetText(const QString& text) {
  if (label_ && label_->text() != text) label_->setText(text);
}

void CNoteLabel::Follow() {
  if (label_) label_->move(control_->pos() + offset_);
}

bool CNoteLabel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control_ && label_) {
    switch (event->type()) {
      case QEvent::Move: Follow(); break;
      // Explicit show and hide of the control, whether or not the window is up.
      case QEvent::ShowToParent:
      case QEvent::HideToParent: label_->setVisible(!control_->isHidden()); break;
      case QEvent::ParentChange:
        // A note without a parent would become a window of its own.
        label_->setParent(control_->parentWidget());
        Follow();
        label_->setVisible(control_->parentWidget() && !control_->isHidden());
        break;
      default: break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void CNoteCarrier::AttachNote(QWidget* self, const NoteSetup& note) {
  self_ = self;
  if (note.Exists()) note_ = new CNoteLabel(self, note);
}

void CNoteCarrier::SetNote(const QString& text) {
  if (note_) note_->SetText(text);
}

QLabel* CNoteCarrier::Note() const { return note_ ? note_->Label() : nullptr; }

void CNoteCarrier::Show(bool show) {
  if (self_) self_->setVisible(show);
}

}  // namespace kvl
