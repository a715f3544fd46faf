#include "ui/dialogs/enter_gas_name.h"

#include <QComboBox>
#include <QPushButton>

#include "text/dialog_texts.h"
#include "text/gas_tables.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnterGasName::CEnterGasName(const std::string& prompt, int detectorType, int position, LanguageIndex language,
                             QWidget* parent)
    : CEnterDialog(language, parent), position_(position) {
  SetTemplateSize(187, 74);
  AddStatic(dlg::kPrompt, {7, 7, 171, 8}, QString::fromStdString(prompt));
  QStringList names;
  for (const TextEntry& gas : GasTable(detectorType)) names << QString::fromStdString(SelectorGasName(gas(language)));
  QComboBox* list = AddList(dlg::kGasList, {51, 25, 80, 92}, names);
  list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
  QPushButton* set = AddButton(dlg::kSetButton, {7, 52, 70, 14}, Text(txt::kSet));
  QPushButton* cancel = AddButton(kIdCancel, {107, 52, 71, 14}, Text(txt::kCancel));
  EndsWith(set, kIdSet, [this, list] { position_ = list->currentIndex(); });
  CancelsWith(cancel);
  list->setFocus();
}

}  // namespace kvl
