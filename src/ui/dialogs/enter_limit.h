#pragma once
// CEnterLimit: one value typed as text under a prompt (password to all
// detectors, LEL_CONC, limits, magnetic calibration, new concentrations).
// "OK" (the default button) ends with kIdSet and the text; checking it is the
// caller's work.
#include <functional>
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterLimit : public CEnterDialog {
  Q_OBJECT

 public:
  CEnterLimit(const std::string& prompt, const std::string& value, LanguageIndex language, QWidget* parent = nullptr);

  // The entered text after the confirming button; the initial text otherwise.
  const std::string& Value() const { return value_; }
  // Checked when the confirming button is pressed: a non-empty refusal is
  // shown by `show` and the dialog stays open with the text selected.
  void RefuseWith(std::function<std::string(const std::string&)> check,
                  std::function<void(const std::string&)> show);
  // Dots in place of what is typed (passwords).
  void MaskInput();

 protected:
  // The same template with another confirming button and result, the edit
  // masked on request.
  CEnterLimit(const std::string& prompt, const std::string& value, const TextEntry& okText, int okResult, bool masked,
              LanguageIndex language, QWidget* parent);

 private:
  std::string value_;
  std::function<std::string(const std::string&)> check_;
  std::function<void(const std::string&)> show_;
};

}  // namespace kvl
