#pragma once
// CEnterGasName: a gas chosen from the 85 names of the detector type's gas
// table (as selector texts, "- " removed). "Set" ends with kIdSet and the
// position (gas code - 1; -1 when nothing is selected); the template has no
// default button.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterGasName : public CEnterDialog {
  Q_OBJECT

 public:
  CEnterGasName(const std::string& prompt, int detectorType, int position, LanguageIndex language,
                QWidget* parent = nullptr);

  // After kIdSet the chosen position; the initial one otherwise.
  int Position() const { return position_; }

 private:
  int position_;
};

}  // namespace kvl
