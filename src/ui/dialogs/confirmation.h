#pragma once
// The exit question: "Exit the program?" with Yes (the default button) and No,
// in the window's language; while a graduation runs, the question that names
// it instead, with No the default. exec() returns kIdYes, kIdNo, or kIdCancel
// when it is closed by Escape or the close box (which is not a yes either).
#include <QDialog>
#include <string>

#include "text/language.h"

class QLabel;
class QPushButton;

namespace kvl {

class CConfirmation : public QDialog {
  Q_OBJECT

 public:
  // `running`: the question naming the running graduation ("" none).
  explicit CConfirmation(LanguageIndex language, QWidget* parent = nullptr, const std::string& running = {});

  QLabel* Question() const { return question_; }
  QPushButton* YesButton() const { return yes_; }
  QPushButton* NoButton() const { return no_; }

 public slots:
  void reject() override;

 private:
  QLabel* question_;
  QPushButton* yes_;
  QPushButton* no_;
};

}  // namespace kvl
