#pragma once
// CEnter4Button: four buttons with the caller's captions (the Z5 calibration
// reset: "Graduation and CALCONC1,2", "Methane", "Propane", "Cancel"), ending
// with kIdButton1..kIdButton4. The first is the default button; Escape and
// the close box end with kIdCancel, which no button gives.
#include <array>
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnter4Button : public CEnterDialog {
  Q_OBJECT

 public:
  CEnter4Button(const std::string& title, const std::array<std::string, 4>& captions, LanguageIndex language,
                QWidget* parent = nullptr);
};

}  // namespace kvl
