#pragma once
// CEnter2Combo2Check: the graduation start question. Two lists (the start
// stage and the valve mode) and two check boxes whose captions the caller
// gives ("Without delay", "Without gas"). The second list shows the caller's
// choice but is disabled. Button 1 (the default) ends with kIdOk, both
// positions and both check states.
#include <string>
#include <vector>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnter2Combo2Check : public CEnterDialog {
  Q_OBJECT

 public:
  struct Input {
    std::string prompt;
    std::vector<std::string> firstItems;  // list 1018
    std::vector<std::string> secondItems;  // list 1019 (shown, not changeable)
    int firstPosition = 0;
    int secondPosition = 0;
    std::string firstCheck;   // caption of check box 1029
    std::string secondCheck;  // caption of check box 1030
    // Caption of button 1; empty gives "Set" in the dialog's language.
    std::string okCaption;
  };

  CEnter2Combo2Check(const Input& input, LanguageIndex language, QWidget* parent = nullptr);

  // After kIdOk the lists' positions (-1: nothing selected) and the check
  // states; the initial positions and clear checks otherwise.
  int FirstPosition() const { return first_; }
  int SecondPosition() const { return second_; }
  bool FirstChecked() const { return firstChecked_; }
  bool SecondChecked() const { return secondChecked_; }

 private:
  int first_;
  int second_;
  bool firstChecked_ = false;
  bool secondChecked_ = false;
};

}  // namespace kvl
