// A table wider than the window scrolls sideways; the row's identity
// ("Modbus #" through the gas) stays at the view's left edge over an opaque
// backing, so a row scrolled to its command buttons still says which
// detector it is. Only the placement moves: the table's layout stays whole.
#include <QScrollArea>
#include <QScrollBar>

#include "ui/controls/color_static_st.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/table_placement.h"

namespace kvl {

namespace {

// The identity block: every column from "Modbus #" up to the gas in display order.
bool IsIdentityColumn(Column c) {
  for (Column d : DisplayOrder()) {
    if (d == c) return true;
    if (d == Column::Gas) return false;
  }
  return false;
}

}  // namespace

void CKvlDlg::ConnectIdentityColumns() {
  identityBacking_ = new QWidget(canvas_);
  identityBacking_->setObjectName(QStringLiteral("identityBacking"));
  identityBacking_->setAutoFillBackground(true);
  identityBacking_->hide();
  connect(scroll_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { KeepIdentityInView(); });
}

void CKvlDlg::KeepIdentityInView() {
  if (!identityBacking_) return;
  const TableGeometry& g = geometry_;
  const int shift = std::max(0, scroll_->horizontalScrollBar()->value());
  int right = 0;
  for (Column c : DisplayOrder()) {
    if (!IsIdentityColumn(c)) break;
    if (g.placed[size_t(c)]) right = std::max(right, g.x[size_t(c)] + g.width[size_t(c)] + 1);
  }
  identityBacking_->setVisible(shift > 0 && right > 0);
  if (shift > 0 && right > 0) {
    const int bottom = g.rowsTop + kSlotCount * g.pitch;
    identityBacking_->setGeometry(shift, g.headerTop, right, bottom - g.headerTop);
    identityBacking_->raise();
  }
  for (Column c : DisplayOrder()) {
    if (!IsIdentityColumn(c)) break;
    if (!g.placed[size_t(c)]) continue;
    for (int r = 0; r < kSlotCount; ++r) {
      QWidget* w = c_.cells[size_t(c)][size_t(r)];
      w->move(g.x[size_t(c)] + shift, g.rowsTop + r * g.pitch);
      if (shift > 0) w->raise();
    }
  }
  for (int h = 0; h < kHeaderCount; ++h) {
    const Column c = Headers()[size_t(h)].column;
    if (!IsIdentityColumn(c) || !g.placed[size_t(c)]) continue;
    QWidget* label = c_.headers[size_t(h)];
    label->move(g.x[size_t(c)] + shift, label->y());
    if (shift > 0) label->raise();
  }
}

}  // namespace kvl
