#pragma once
// CEnterLimit: one value typed as text under a prompt (password to all
// detectors, LEL_CONC, limits, magnetic calibration, new concentrations).
// "OK" (the default button) ends with kIdSet and the text; checking it is the
// caller's work.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterLimit : public CEnterDialog {
  Q_OBJECT

 public:
  CEnterLimit(const std::string& prompt, const std::string& value, LanguageIndex language, QWidget* parent = nullptr);

  // The entered text after the confirming button; the initial text otherwise.
  const std::string& Value() const { return value_; }

 protected:
  // The same template with another confirming button and result, the edit
  // masked on request.
  CEnterLimit(const std::string& prompt, const std::string& value, const TextEntry& okText, int okResult, bool masked,
              LanguageIndex language, QWidget* parent);

 private:
  std::string value_;
};

}  // namespace kvl
