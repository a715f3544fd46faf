#include "ui/controls/note_static.h"

#include "ui/controls/fixed_font.h"

namespace kvl {

CNoteStatic::CNoteStatic(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& note,
                         int noteDx, int noteDy, int noteWidth, int noteHeight, CMessageTarget* notify)
    : CColorStaticST(style, x, y, w, h, parent, id, notify) {
  SetFontWidth(kDefaultFontWidth);
  AttachNote(this, {note, noteDx, noteDy, noteWidth, noteHeight});
}

}  // namespace kvl
