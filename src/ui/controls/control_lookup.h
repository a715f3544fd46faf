#pragma once
// Finding a control by its identifier (its object name), for the window's
// dispatch and for tests.
#include <QString>
#include <QWidget>

namespace kvl {

// The first descendant of `root` of type T whose identifier is `id`; null if none.
template <class T = QWidget>
T* FindControl(const QWidget* root, int id) {
  return root->findChild<T*>(QString::number(id));
}

// The identifier of a control created with one; -1 for any other widget.
inline int ControlId(const QObject* control) {
  bool ok = false;
  const int id = control->objectName().toInt(&ok);
  return ok ? id : -1;
}

}  // namespace kvl
