#include "ui/dialogs/enter_work_refer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnterWorkRefer::CEnterWorkRefer(const std::string& prompt, bool graduationChoices, bool referenceChannel,
                                 const std::string& value, LanguageIndex language, QWidget* parent)
    : CEnterDialog(language, parent), value_(value) {
  // 25 units wider than the template, the group, the choices and the level
  // with it, so that the Russian prompts keep to one line; the buttons spread
  // over the new width.
  SetTemplateSize(232, 112);
  AddStatic(dlg::kPrompt, {7, 5, 216, 12}, QString::fromStdString(prompt));
  AddGroup(-1, {7, 14, 216, 67}, QString());
  QRadioButton* asInGraduation = AddRadio(dlg::kAsInGraduationRadio, {15, 20, 150, 10}, Text(txt::kAsInGraduation));
  QRadioButton* proportion = AddRadio(dlg::kProportionRadio, {15, 35, 150, 10}, Text(txt::kInProportionToGraduation));
  QRadioButton* irrespective =
      AddRadio(dlg::kIrrespectiveRadio, {15, 50, 150, 10}, Text(txt::kIrrespectiveOfGraduation));
  QLabel* level = AddStatic(dlg::kLabel1, {15, 66, 159, 12},
                            Text(referenceChannel ? txt::kReferenceChannelLevel : txt::kWorkingChannelLevel),
                            Qt::AlignRight);
  QLineEdit* edit = AddEdit(dlg::kValue, {178, 64, 35, 12});
  edit->setText(QString::fromStdString(value));
  QPushButton* ok = AddButton(kIdOk, {7, 90, 55, 14}, Text(txt::kOkSet));
  QPushButton* setOne = AddButton(dlg::kSetOneButton, {88, 90, 55, 14}, Text(txt::kSetOne));
  QPushButton* cancel = AddButton(kIdCancel, {168, 90, 55, 14}, Text(txt::kCancel));

  // Proportion to graduation scales the working factor by the reference
  // factor, so it is offered for the working channel only.
  asInGraduation->setVisible(graduationChoices);
  proportion->setVisible(graduationChoices && !referenceChannel);
  setOne->setVisible(!graduationChoices);
  irrespective->setChecked(true);

  auto choose = [=, this](int kind) {
    shownKind_ = kind;
    edit->clear();
    edit->setEnabled(kind == 3 || (kind == 2 && referenceChannel));
    setOne->setEnabled(kind == 3);
    level->setEnabled(kind == 3);
  };
  connect(asInGraduation, &QRadioButton::clicked, this, [choose] { choose(1); });
  connect(proportion, &QRadioButton::clicked, this, [choose] { choose(2); });
  connect(irrespective, &QRadioButton::clicked, this, [choose] { choose(3); });

  SetDefaultButton(ok);
  auto store = [this, edit] {
    value_ = edit->text().toStdString();
    kind_ = shownKind_;
  };
  EndsWith(ok, kIdSet, store);
  EndsWith(setOne, kIdSetOne, store);
  CancelsWith(cancel);
  edit->setFocus();
}

}  // namespace kvl
