#pragma once
// Puts the cleaned text of a filtered edit back, caret at its end, without
// the edit reporting it as typed.
#include <QLineEdit>
#include <QSignalBlocker>
#include <string>

namespace kvl {

inline void ShowCleaned(QLineEdit* edit, const std::string& cleaned) {
  const QString text = QString::fromStdString(cleaned);
  if (edit->text() == text) return;
  const QSignalBlocker block(edit);
  edit->setText(text);
  edit->setCursorPosition(int(text.size()));
}

}  // namespace kvl
