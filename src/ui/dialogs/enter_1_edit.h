#pragma once
// CEnter1Edit: the operator password of the graduation start. The edit masks
// what is typed; "OK" (the default button) ends with kIdOk and the text.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnter1Edit : public CEnterDialog {
  Q_OBJECT

 public:
  CEnter1Edit(const std::string& prompt, LanguageIndex language, QWidget* parent = nullptr);

  // The entered text after kIdOk; empty otherwise.
  const std::string& Value() const { return value_; }

 private:
  std::string value_;
};

}  // namespace kvl
