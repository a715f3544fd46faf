#pragma once
// CEnterFactoryNumber: a new serial number typed as text. "Set" ends with
// kIdSet and the text; the template has no default button, so Enter in the
// field does not end it.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterFactoryNumber : public CEnterDialog {
  Q_OBJECT

 public:
  CEnterFactoryNumber(const std::string& prompt, const std::string& value, LanguageIndex language,
                      QWidget* parent = nullptr);

  // The entered text after kIdSet; the initial text otherwise.
  const std::string& Value() const { return value_; }

 private:
  std::string value_;
};

}  // namespace kvl
