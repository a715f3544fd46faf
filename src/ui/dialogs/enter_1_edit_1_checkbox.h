#pragma once
// CEnter1Edit1Checkbox: the emitter power coefficient, typed or taken "As in
// graduation" (the check box, offered for Z5 detectors only). Ticking the box
// disables the edit, clearing it enables the edit again. "Set" ends with
// kIdSet, the text and the check state; the template has no default button.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnter1Edit1Checkbox : public CEnterDialog {
  Q_OBJECT

 public:
  // `offerCheck` false hides the check box (and it stays clear).
  CEnter1Edit1Checkbox(const std::string& prompt, const std::string& value, LanguageIndex language,
                       bool offerCheck = true, QWidget* parent = nullptr);

  // After kIdSet the entered text and the check state; the initial ones otherwise.
  const std::string& Value() const { return value_; }
  bool Checked() const { return checked_; }

 private:
  std::string value_;
  bool checked_ = false;
};

}  // namespace kvl
