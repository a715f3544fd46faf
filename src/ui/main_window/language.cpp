// Switching the window's language: every caption, note and header is set
// again from its text entry, the text selectors are refilled at the same
// positions, and the settings and the link follow.
#include <QCheckBox>
#include <QStandardItemModel>

#include "text/format.h"
#include "text/gas_tables.h"
#include "text/main_window_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/controls/note_static.h"
#include "ui/main_window/graph_panel.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/traffic_window.h"
#include "ui/qt_texts.h"

namespace kvl {

namespace {

// The note of the language selector is the same word in every language, so
// that anyone can find the way back to a language they read.
constexpr char kLanguageNote[] = "Language";

void Refill(QComboBox* combo, TextList items, LanguageIndex language) {
  const int position = combo->currentIndex();
  const QSignalBlocker block(combo);
  combo->clear();
  for (const TextEntry& item : items) combo->addItem(QString::fromUtf8(item(language)));
  combo->setCurrentIndex(position);
}

}  // namespace

void CKvlDlg::OnLanguageSelected(int index) {
  if (index < 0) return;
  config_.language = index == 0 ? kEnglish : kRussian;
  ApplyLanguage();
}

void CKvlDlg::ApplyLanguage() {
  const LanguageIndex lang = config_.language;
  setWindowTitle(QString::fromUtf8(txt::kWindowTitle(lang)));
  UseQtTranslations(lang);  // the file dialogs' own texts
  RelabelControls();
  RefillTextSelectors();
  ShowLineNote(lineWatch_);
  PostConfig();
  link_.SetLanguage(lang);
  table_.SetLanguage(lang);
  graphPanel_->SetLanguage(lang);
  if (trafficWindow_) trafficWindow_->SetLanguage(lang);
  // Headers take other widths in another language; gas names in the cells change.
  LayOutTableIfChanged();
  RedescribeAllRows();
}

void CKvlDlg::RelabelControls() {
  const LanguageIndex lang = config_.language;
  auto text = [lang](const TextEntry& entry) { return QString::fromUtf8(entry(lang)); };

  c_.port[0]->SetNote(text(txt::kPortCom));
  c_.baud[0]->SetNote(text(txt::kBaudRate));
  c_.pause[0]->SetNote(text(txt::kPauseMs));
  c_.typeSelector->SetNote(text(txt::kKveltType));
  c_.languageSelector->SetNote(QString::fromLatin1(kLanguageNote));
  c_.modeSelector->SetNote(text(txt::kMode));
  c_.period->SetNote(text(txt::kPeriodSec));
  c_.responses->SetNote(text(config_.mode == kModeImitation ? txt::kRequests : txt::kResponses));
  c_.recorded->SetNote(text(txt::kRecordedCount));
  c_.relayTestStep->SetNote(text(txt::kStepForRelayTest));
  c_.emitterPower->SetNote(text(txt::kPEmitter));
  c_.sensors->setText(text(txt::kSensors));
  c_.chamberCaption->setText(text(txt::kChamber));

  c_.search->SetTextIfChanged(text(kSearchButton[table_.Searching() ? 1 : 0]));
  c_.enterPassword->SetTextIfChanged(text(txt::kEnterPasswordButton));
  c_.recording->SetTextIfChanged(text(kRecordingButton[writer_.Recording() ? 1 : 0]));
  c_.graduation->SetTextIfChanged(text(kGraduationButton[0]));
  c_.dataFolder->SetTextIfChanged(text(txt::kDataFolder));
  c_.readFromFile->SetTextIfChanged(text(txt::kReadFromFile));
  c_.readFromTab->SetTextIfChanged(text(txt::kReadFromTab));
  c_.done->SetTextIfChanged(text(txt::kDone));
  c_.kurView->SetTextIfChanged(text(txt::kKur));
  c_.stageCaption->SetTextIfChanged(text(txt::kStage));
  c_.schedule->setToolTip(text(txt::kScheduleTip));

  c_.usePropane->setText(text(txt::kUsePropane));
  c_.concentrationKind->SetTextIfChanged(text(kConcentrationKinds[0]));
  for (auto* unit : c_.unit) unit->SetTextIfChanged(text(txt::kVolPercentUnit));
  c_.coefficientCaption->SetTextIfChanged(text(txt::kConvertingCoef));
  c_.limitsCaption->SetTextIfChanged(text(txt::kLimits));
  c_.limitsUnit->SetTextIfChanged(text(kQuantities[0]));
  for (int k = 0; k < 2; ++k) c_.limitCaption[size_t(k)]->SetTextIfChanged(text(kLimitKinds[k]));
  c_.temperatureCaption->SetTextIfChanged(text(txt::kTEquals));

  for (int h = 0; h < kHeaderCount; ++h) c_.headers[size_t(h)]->SetTextIfChanged(text(*Headers()[size_t(h)].text));
  const TextEntry* graph[] = {&txt::kGradChar, &txt::kGrid, &txt::kClear, &txt::kFOfN, &txt::kFOfT};
  for (int g = 0; g < int(c_.graph.size()); ++g) c_.graph[size_t(g)]->SetTextIfChanged(text(*graph[g]));
}

void CKvlDlg::RefillTextSelectors() {
  const LanguageIndex lang = config_.language;
  Refill(c_.modeSelector, OperatingModes(), lang);
  Refill(c_.stageControl, StageControl(), lang);
  Refill(c_.typeSelector, DetectorTypes(), lang);
  // The unnamed type 2 stays in the list, so that positions are type
  // indexes, but it cannot be chosen.
  if (auto* model = qobject_cast<QStandardItemModel*>(c_.typeSelector->model()))
    if (QStandardItem* item = model->item(kType2)) item->setEnabled(false);
  OfferModesOfType();
  FillGasSelector();
}

}  // namespace kvl
