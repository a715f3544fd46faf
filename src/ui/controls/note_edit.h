#pragma once
// A one-line edit in the fixed font with a sunken frame and a note. Enter
// pressed in it is swallowed, so it never closes the dialog it sits in.
#include <QLineEdit>
#include <string>

#include "ui/controls/note_label.h"

namespace kvl {

class CNoteEdit : public QLineEdit, public CNoteCarrier {
  Q_OBJECT

 public:
  // Style bits: kStyleHidden, kStyleDisabled, kStyleRight, kStyleCenter.
  CNoteEdit(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& note = {},
            int noteDx = 0, int noteDy = 0, int noteWidth = 0, int noteHeight = 0);

  bool SetTextIfChanged(const QString& text);
  bool SetTextIfChanged(const std::string& utf8);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kvl
