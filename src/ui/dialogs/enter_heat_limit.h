#pragma once
// CEnterHeatLimit: the heating limit and its switch. The value shows as the
// register's whole number ("%u") when the integer-format flag is set, else as
// the register read signed, times 0.01 ("%.2f": 250 -> "2.50", 65436 ->
// "-1.00"). "OK" (the default button) ends with kIdSet, the value text and the
// state: 1 "Enable", 0 "Disable", 2 when neither is chosen.
#include <cstdint>
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

// The value text the dialog starts with.
std::string HeatLimitText(std::uint16_t value, bool integerFormat);

class CEnterHeatLimit : public CEnterDialog {
  Q_OBJECT

 public:
  // `state` 1 checks "Enable", 0 "Disable", any other value neither.
  CEnterHeatLimit(const std::string& prompt, int state, std::uint16_t value, bool integerFormat,
                  LanguageIndex language, QWidget* parent = nullptr);

  // After kIdSet the edited text and the chosen state; the initial ones otherwise.
  const std::string& Value() const { return value_; }
  int State() const { return state_; }

 private:
  std::string value_;
  int state_;
};

}  // namespace kvl
