#pragma once
// CEnterAxis: one end of a graph axis, automatic or a manual value. The value
// edit is enabled only while "Manual" is chosen. "Set" ends with kIdSet, the
// manual flag and the edit's whole number; the template has no default button.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

// The whole number an axis value edit holds: blanks, an optional sign and the
// leading digits; no digits give 0, and values beyond int saturate.
int AxisValueFromText(const std::string& text);

class CEnterAxis : public CEnterDialog {
  Q_OBJECT

 public:
  // `end` (0 x minimum, 1 x maximum, 2 y minimum, 3 y maximum) names the
  // axis end it sets over its choices; any other value names none.
  CEnterAxis(bool manual, int value, LanguageIndex language, QWidget* parent = nullptr, int end = -1);

  // After kIdSet the choice and the value; the initial ones otherwise.
  bool Manual() const { return manual_; }
  int Value() const { return value_; }

 private:
  bool manual_;
  int value_;
};

}  // namespace kvl
