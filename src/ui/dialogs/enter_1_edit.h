#pragma once
// CEnter1Edit: the operator password of the graduation start: the value
// dialog with the edit masking what is typed, "OK" ("Ввести") as the default
// button, ending with kIdOk and the text.
#include <string>

#include "ui/dialogs/enter_limit.h"

namespace kvl {

class CEnter1Edit : public CEnterLimit {
  Q_OBJECT

 public:
  // Value() is empty until the password is entered.
  CEnter1Edit(const std::string& prompt, LanguageIndex language, QWidget* parent = nullptr);
};

}  // namespace kvl
