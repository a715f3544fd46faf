#pragma once
// A drop-down list in the fixed font with a note. Enter pressed on it is
// swallowed, so it never reaches the dialog's default button.
#include <QComboBox>

#include "ui/controls/note_label.h"

namespace kvl {

// Height of a closed drop-down list: the old 16 px font in an edit-like box.
inline constexpr int kComboHeight = 24;

class CNoteComboBox : public QComboBox, public CNoteCarrier {
  Q_OBJECT

 public:
  // `listHeight` is the height of the dropped-down list including the closed
  // box (the old creation height); the closed box is kComboHeight high and
  // the list shows as many items as fit. Style bits: kStyleHidden, kStyleDisabled.
  CNoteComboBox(unsigned style, int x, int y, int w, int listHeight, QWidget* parent, int id,
                const QString& note = {}, int noteDx = 0, int noteDy = 0, int noteWidth = 0, int noteHeight = 0);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kvl
