#pragma once
// CEnterSlaveNumber: a detector's Modbus address, and its baud rate. "Poll
// number" ends with kIdPollNumber and the number text (the table entry
// changes, nothing is written); "Assign number && baud rate" ends with kIdSet,
// the number text and the chosen baud text ("1200" .. "19200"). The template
// has no default button.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterSlaveNumber : public CEnterDialog {
  Q_OBJECT

 public:
  // `baudPosition` selects in "1200", "2400", "4800", "9600", "19200"; any
  // other position selects nothing.
  CEnterSlaveNumber(const std::string& prompt, const std::string& number, int baudPosition, LanguageIndex language,
                    QWidget* parent = nullptr);

  // After kIdPollNumber the number text; after kIdSet also the baud text
  // (empty when nothing is selected). The initial texts otherwise.
  const std::string& Number() const { return number_; }
  const std::string& Baud() const { return baud_; }

 private:
  std::string number_;
  std::string baud_;
};

}  // namespace kvl
