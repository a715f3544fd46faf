#pragma once
// A push button in the fixed font with a note. Created with kStyleOwnerDraw it
// draws itself with its own text colour (the value buttons of the table).
#include <QColor>
#include <QPushButton>
#include <string>

#include "ui/controls/note_label.h"

namespace kvl {

class CNoteButton : public QPushButton, public CNoteCarrier {
  Q_OBJECT

 public:
  // Style bits: kStyleOwnerDraw, kStyleHidden, kStyleDisabled.
  CNoteButton(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& note = {},
              int noteDx = 0, int noteDy = 0, int noteWidth = 0, int noteHeight = 0);

  bool OwnerDrawn() const { return ownerDraw_; }

  // Replaces the text only when it differs; true when it changed.
  bool SetTextIfChanged(const QString& text);
  bool SetTextIfChanged(const std::string& utf8);

  // Sets the fixed font of this character width (4..9) unless the button
  // already has it; true when the font changed. Starts at width 6.
  bool SetFontWidth(int charWidth);
  int FontWidth() const { return fontWidth_; }

  // Stores the colour and repaints only when it differs from the stored one.
  // An invalid colour is the palette's button-text colour.
  void SetTextColor(const QColor& color);
  QColor TextColor() const { return textColor_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool ownerDraw_;
  QColor textColor_;
  int fontWidth_;
};

}  // namespace kvl
