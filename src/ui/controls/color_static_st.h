#pragma once
// A static text cell with its own text and background colours that reports a
// right-click to the window (message 1025 with the cell's identifier) and a
// left click as a signal. Its text is replaced only when it changes, so cells
// refreshed on every poll do not flicker.
#include <QColor>
#include <QLabel>
#include <string>

#include "link/messages.h"

namespace kvl {

class CColorStaticST : public QLabel {
  Q_OBJECT

 public:
  // `notify` receives the right-click message; null: the cell reports none.
  // Style bits: kStyleCenter, kStyleRight, kStyleVCenter, kStyleHidden, kStyleDisabled.
  CColorStaticST(unsigned style, int x, int y, int w, int h, QWidget* parent, int id,
                 CMessageTarget* notify = nullptr);

  int Id() const { return id_; }
  void SetNotify(CMessageTarget* notify) { notify_ = notify; }

  // Replaces the text only when it differs; true when it changed.
  bool SetTextIfChanged(const QString& text);
  bool SetTextIfChanged(const std::string& utf8);

  // Sets the fixed font of this character width (4..9, fixed_font.h) unless
  // the cell already has it; true when the font changed. A cell starts with
  // its parent's font until this is called.
  bool SetFontWidth(int charWidth);
  int FontWidth() const { return fontWidth_; }

  // An invalid colour (QColor()) is the "-1" of the old interface: the
  // palette's button-text colour. Always repaints.
  void SetTextColor(const QColor& color);
  QColor TextColor() const { return textColor_; }
  // An invalid colour: no background of its own (the window shows through).
  void SetBkColor(const QColor& color);
  QColor BkColor() const { return bkColor_; }

 signals:
  // A left click on the cell (released over it), with its identifier.
  void Clicked(int id);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ApplyColors();

  int id_;
  CMessageTarget* notify_;
  int fontWidth_ = 0;  // 0: not set
  QColor textColor_;
  QColor bkColor_;
};

}  // namespace kvl
