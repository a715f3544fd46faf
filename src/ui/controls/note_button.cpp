#include "ui/controls/note_button.h"

#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"
#include "ui/controls/owner_drawn_button.h"

namespace kvl {

CNoteButton::CNoteButton(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& note,
                         int noteDx, int noteDy, int noteWidth, int noteHeight)
    : QPushButton(parent), ownerDraw_(style & kStyleOwnerDraw), fontWidth_(kDefaultFontWidth) {
  setFont(FixedFont(fontWidth_));
  SetUpControl(this, style, x, y, w, h, id);
  AttachNote(this, {note, noteDx, noteDy, noteWidth, noteHeight});
}

bool CNoteButton::SetTextIfChanged(const QString& text) {
  if (text == this->text()) return false;
  setText(text);
  return true;
}

bool CNoteButton::SetTextIfChanged(const std::string& utf8) {
  return SetTextIfChanged(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

bool CNoteButton::SetFontWidth(int charWidth) {
  if (charWidth == fontWidth_) return false;
  fontWidth_ = charWidth;
  setFont(FixedFont(charWidth));
  return true;
}

void CNoteButton::SetTextColor(const QColor& color) {
  if (color == textColor_) return;
  textColor_ = color;
  update();
}

void CNoteButton::paintEvent(QPaintEvent* event) {
  if (!ownerDraw_) {
    QPushButton::paintEvent(event);
    return;
  }
  PaintOwnerDrawnButton(this, textColor_);
}

}  // namespace kvl
