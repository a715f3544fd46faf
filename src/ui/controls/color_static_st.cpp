#include "ui/controls/color_static_st.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"

namespace kvl {

namespace {

Qt::Alignment StaticAlignment(unsigned style) {
  Qt::Alignment a = (style & kStyleCenter) ? Qt::AlignHCenter : (style & kStyleRight) ? Qt::AlignRight : Qt::AlignLeft;
  a |= (style & kStyleVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
  return a;
}

}  // namespace

CColorStaticST::CColorStaticST(unsigned style, int x, int y, int w, int h, QWidget* parent, int id,
                               CMessageTarget* notify)
    : QLabel(parent), id_(id), notify_(notify) {
  setAlignment(StaticAlignment(style));
  setTextFormat(Qt::PlainText);
  SetUpControl(this, style, x, y, w, h, id);
  ApplyColors();
}

bool CColorStaticST::SetTextIfChanged(const QString& text) {
  if (text == this->text()) return false;
  setText(text);
  return true;
}

bool CColorStaticST::SetTextIfChanged(const std::string& utf8) {
  return SetTextIfChanged(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

bool CColorStaticST::SetFontWidth(int charWidth) {
  if (charWidth == fontWidth_) return false;
  fontWidth_ = charWidth;
  setFont(FixedFont(charWidth));
  return true;
}

void CColorStaticST::SetTextColor(const QColor& color) {
  textColor_ = color;
  ApplyColors();
  update();
}

void CColorStaticST::SetBkColor(const QColor& color) {
  bkColor_ = color;
  ApplyColors();
  update();
}

void CColorStaticST::ApplyColors() {
  QPalette pal = palette();
  // The cell's default text colour is the button-text colour, as the old cells had.
  pal.setColor(QPalette::WindowText, textColor_.isValid() ? textColor_ : pal.color(QPalette::ButtonText));
  if (bkColor_.isValid()) pal.setColor(QPalette::Window, bkColor_);
  setAutoFillBackground(bkColor_.isValid());
  setPalette(pal);
}

void CColorStaticST::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && notify_) notify_->Post(WM_USER_CELL_RCLICK, id_, 0);
  QLabel::mousePressEvent(event);
  // Keep the left button so that its release comes here and makes a click.
  if (event->button() == Qt::LeftButton) event->accept();
}

void CColorStaticST::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked(id_);
  QLabel::mouseReleaseEvent(event);
}

void CColorStaticST::contextMenuEvent(QContextMenuEvent* event) {
  // A cell that reports its right-click keeps the click: the window's own
  // context menu must not open over it as well.
  if (notify_) {
    event->accept();
    return;
  }
  QLabel::contextMenuEvent(event);
}

}  // namespace kvl
