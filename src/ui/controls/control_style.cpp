#include "ui/controls/control_style.h"

#include <QKeyEvent>
#include <QWidget>

namespace kvl {

void SetUpControl(QWidget* control, unsigned style, int x, int y, int w, int h, int id) {
  control->setObjectName(QString::number(id));
  control->setGeometry(x, y, w, h);
  if (style & kStyleHidden) control->hide();
  if (style & kStyleDisabled) control->setEnabled(false);
}

bool IsEnterKey(const QKeyEvent* event) { return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter; }

}  // namespace kvl
