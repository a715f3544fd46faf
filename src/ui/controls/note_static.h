#pragma once
// A colour static in the fixed font with a note.
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_label.h"

namespace kvl {

class CNoteStatic : public CColorStaticST, public CNoteCarrier {
  Q_OBJECT

 public:
  CNoteStatic(unsigned style, int x, int y, int w, int h, QWidget* parent, int id,
              const QString& note = {}, int noteDx = 0, int noteDy = 0, int noteWidth = 0,
              int noteHeight = 0, CMessageTarget* notify = nullptr);
};

}  // namespace kvl
