#pragma once
// The drawing of the owner-drawn buttons: a push-button frame (pushed while
// the button is down), then the text on one line, centred in the rectangle
// shrunk by 1 px left and top and 2 px right and bottom, in the text colour.
#include <QColor>
#include <QPushButton>

namespace kvl {

// The rectangle the text is centred in.
QRect OwnerDrawnTextRect(const QRect& item);

// Paints `button` (call from its paintEvent). An invalid colour draws the
// text in the palette's button-text colour.
void PaintOwnerDrawnButton(QPushButton* button, const QColor& textColor);

}  // namespace kvl
