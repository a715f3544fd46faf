#include "ui/dialogs/enter_4_button.h"

#include <QPushButton>

#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter4Button::CEnter4Button(const std::string& title, const std::array<std::string, 4>& captions,
                             LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent) {
  SetTemplateSize(267, 73);
  setWindowTitle(QString::fromStdString(title));
  const QRect places[4] = {{7, 22, 110, 14}, {127, 22, 60, 14}, {197, 22, 60, 14}, {197, 51, 60, 14}};
  for (int i = 0; i < 4; ++i) {
    QPushButton* button =
        AddButton(dlg::kFourButtonFirst + i, places[i], QString::fromStdString(captions[std::size_t(i)]));
    EndsWith(button, kIdButton1 + i);
    if (i == 0) {
      SetDefaultButton(button);
      button->setFocus();
    }
  }
}

}  // namespace kvl
