#include "ui/controls/note_combo_box.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QKeyEvent>
#include <algorithm>

#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"

namespace kvl {

CNoteComboBox::CNoteComboBox(unsigned style, int x, int y, int w, int listHeight, QWidget* parent, int id,
                             const QString& note, int noteDx, int noteDy, int noteWidth, int noteHeight)
    : QComboBox(parent) {
  setFont(FixedFont());
  setEditable(false);
  SetUpControl(this, style, x, y, w, kComboHeight, id);
  const int itemHeight = std::max(1, QFontMetrics(font()).height() + 2);
  setMaxVisibleItems(std::max(1, (listHeight - kComboHeight) / itemHeight));
  AttachNote(this, {note, noteDx, noteDy, noteWidth, noteHeight});
}

void CNoteComboBox::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    event->accept();
    return;
  }
  QComboBox::keyPressEvent(event);
}

}  // namespace kvl
