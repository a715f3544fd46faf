#include "ui/controls/note_edit.h"

#include <QKeyEvent>

#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"

namespace kvl {

CNoteEdit::CNoteEdit(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& note,
                     int noteDx, int noteDy, int noteWidth, int noteHeight)
    : QLineEdit(parent) {
  setFont(FixedFont());
  setFrame(true);  // the sunken client edge
  if (style & kStyleCenter) setAlignment(Qt::AlignCenter);
  else if (style & kStyleRight) setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  SetUpControl(this, style, x, y, w, h, id);
  AttachNote(this, {note, noteDx, noteDy, noteWidth, noteHeight});
}

bool CNoteEdit::SetTextIfChanged(const QString& text) {
  if (text == this->text()) return false;
  setText(text);
  return true;
}

bool CNoteEdit::SetTextIfChanged(const std::string& utf8) {
  return SetTextIfChanged(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

void CNoteEdit::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace kvl
