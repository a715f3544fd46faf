#pragma once
// CEnter2Edit: the two calibration gas concentrations of a graduation run
// (medium mixture in 1028, high mixture in 1029). "OK" (the default button)
// ends with kIdOk and both texts.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnter2Edit : public CEnterDialog {
  Q_OBJECT

 public:
  CEnter2Edit(const std::string& medium, const std::string& high, LanguageIndex language, QWidget* parent = nullptr);

  // After kIdOk the entered texts; the initial ones otherwise.
  const std::string& Medium() const { return medium_; }
  const std::string& High() const { return high_; }

 private:
  std::string medium_;
  std::string high_;
};

}  // namespace kvl
