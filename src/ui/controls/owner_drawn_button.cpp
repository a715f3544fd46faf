#include "ui/controls/owner_drawn_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace kvl {

QRect OwnerDrawnTextRect(const QRect& item) { return item.adjusted(1, 1, -2, -2); }

void PaintOwnerDrawnButton(QPushButton* button, const QColor& textColor) {
  QStylePainter painter(button);
  QStyleOptionButton option;
  option.initFrom(button);
  option.features = QStyleOptionButton::None;
  option.state |= (button->isDown() || button->isChecked()) ? QStyle::State_Sunken : QStyle::State_Raised;
  painter.drawControl(QStyle::CE_PushButtonBevel, option);

  painter.save();
  painter.setPen(textColor.isValid() ? textColor : button->palette().color(QPalette::ButtonText));
  // "&" marks a mnemonic and "&&" shows one "&", as on the other buttons.
  painter.drawText(OwnerDrawnTextRect(button->rect()), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                   button->text());
  painter.restore();
}

}  // namespace kvl
