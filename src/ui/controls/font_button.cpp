#include "ui/controls/font_button.h"

#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"
#include "ui/controls/owner_drawn_button.h"

namespace kvl {

CFontButton::CFontButton(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& text)
    : QPushButton(text, parent), text_(text) {
  setFont(FixedFont());
  SetUpControl(this, style, x, y, w, h, id);
}

bool CFontButton::SetTextIfChanged(const QString& text) {
  if (text == text_ && text == this->text()) return false;
  text_ = text;
  setText(text);
  return true;
}

bool CFontButton::SetTextIfChanged(const std::string& utf8) {
  return SetTextIfChanged(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

void CFontButton::SetTextColor(const QColor& color) {
  if (color == textColor_) return;
  textColor_ = color;
  update();
}

void CFontButton::paintEvent(QPaintEvent*) { PaintOwnerDrawnButton(this, textColor_); }

}  // namespace kvl
