// Settings files from the window's side: the row buttons "Sett. to file",
// "Sett. from file" and "Compare sett." of mode "Save settings". The window
// gathers the row's texts and image, asks the operator what the core asks
// for, chooses the file and hands the writes to the link as one reported
// batch. Every rule of the file's text, its reading, the serial and gas check
// and the comparison is the core's (settings_files/); nothing here
// waits for the line: the link reports the writes' outcome itself.
#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <ctime>

#include "commands/command_catalog.h"
#include "detector/decoding.h"
#include "detector/serial_read.h"
#include "settings_files/settings_apply.h"
#include "settings_files/settings_file.h"
#include "settings_files/settings_save.h"
#include "text/file_texts.h"
#include "text/text_file.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/qt_texts.h"
#include "platform/clock.h"

namespace kvl {

void CKvlDlg::ConnectSettingsFiles() {
  for (int r = 0; r < kSlotCount; ++r) {
    auto button = [&](Column column) { return static_cast<QPushButton*>(c_.cells[size_t(column)][size_t(r)]); };
    connect(button(Column::SettToFile), &QPushButton::clicked, this, [this, r] { OnSettingsToFile(r); });
    connect(button(Column::SettFromFile), &QPushButton::clicked, this, [this, r] { OnSettingsFromFile(r, false); });
    connect(button(Column::CompareSett), &QPushButton::clicked, this, [this, r] { OnSettingsFromFile(r, true); });
  }
}

void CKvlDlg::OnSettingsToFile(int slot) {
  if (!SettingsButtonAvailable(Column::SettToFile, ContextOfRow(table_, slot))) return;
  const std::optional<CommandTarget> target = TargetOfRow(table_, slot);
  if (!target) return;
  SettingsSaveRequest q;
  q.type = target->type;
  q.image = target->image;
  q.address = target->slave;
  // The texts the row shows in its normal view, whichever view is on.
  q.serialText = SerialNumberText(target->type, target->image, table_.Searching());
  q.modbusText = CellText(Column::ModbusNumber, slot);
  q.gasText = table_.Slot(slot).values.gasNameText;
  q.dataFolder = config_.dataFolder;
  const std::time_t now = std::time(nullptr);
  q.now = platform::LocalTime(now);
  q.language = config_.language;

  const SettingsSave save = PrepareSettingsSave(q);
  if (!save.Ready()) return;
  if (!save.zeroQuestion.empty() &&
      operator_->Ask(save.zeroQuestion, MessageIcon::Question, QuestionButtons::YesNo) != kAnswerYes)
    return;
  std::string error;
  if (SaveSettingsFile(save, &error) != 0) operator_->ShowMessage(error, MessageIcon::None);
}

std::string CKvlDlg::ChooseSettingsFile() {
  const std::string title = txt::kSelectSetOrTabFile(config_.language);
  if (options_.chooseFiles) {
    const std::vector<std::string> paths = options_.chooseFiles(title, config_.dataFolder, "set");
    return paths.empty() ? std::string() : paths.front();
  }
  return QFileDialog::getOpenFileName(this, TitleText(title), QString::fromStdString(config_.dataFolder),
                                      QStringLiteral("set files (*.set);;tab files (*.tab)"))
      .toStdString();
}

void CKvlDlg::OnSettingsFromFile(int slot, bool compare) {
  const Column button = compare ? Column::CompareSett : Column::SettFromFile;
  if (!SettingsButtonAvailable(button, ContextOfRow(table_, slot))) return;
  const std::optional<CommandTarget> target = TargetOfRow(table_, slot);
  if (!target) return;
  const std::string path = ChooseSettingsFile();
  if (path.empty()) return;

  const LanguageIndex lang = config_.language;
  // Polls wait while the file is read and the questions are open, so the
  // row's image stays the one the file is checked against.
  table_.SetTableWriting(true);
  const SettingsFileRead file = ReadSettingsFile(path, target->type, lang);
  if (!file.ok) {
    operator_->ShowMessage(file.message, MessageIcon::None);
  } else if (compare) {
    operator_->ShowMessage(CompareWithSettings(file.content, target->image, lang).message, MessageIcon::None);
  } else {
    SettingsTarget t{target->type, target->slave, target->image, lang};
    const std::string name = NameOf(path);
    SettingsWritePlan plan = PlanSettingsWrite(file.content, t, name, false);
    bool go = true;
    if (!plan.question.empty()) {
      go = operator_->Ask(plan.question, MessageIcon::Question, QuestionButtons::YesNo) == kAnswerYes;
      if (go) plan = PlanSettingsWrite(file.content, t, name, true);
    }
    if (go && plan.Refused()) {
      operator_->ShowMessage(plan.message, MessageIcon::None);
    } else if (go && plan.BatchCount() > 0) {
      // One batch over every write, so that its report follows the last one.
      link_.BeginBatch(plan.BatchCount());
      WriteOrigin origin = OriginOf(name);
      origin.identity = FileIdentity(target->type, name, file.content.serial, table_.AddressList());
      link_.BeginWriteList(std::move(origin));
      QueueWriteList(plan.singleWrites);
      for (const SettingsBlockWrite& b : plan.blockWrites)
        link_.QueueBlockWrite(target->slave, b.first, b.words, b.report, kVerifySettingsBlocks);
      link_.EndWriteList();
      ShowSettingsWriting(slot);
    }
  }
  BackToPolledRows();
}

void CKvlDlg::ShowSettingsWriting(int slot) {
  // The writes take seconds on a slow line before the link's report: until
  // then the row's button is held down and the pointer shows the work.
  QWidget* button = c_.cells[size_t(Column::SettFromFile)][size_t(slot)];
  button->setEnabled(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  auto* watch = new QTimer(this);
  connect(watch, &QTimer::timeout, this, [this, watch, button] {
    if (link_.BatchLeft() > 0 && link_.WorkerRunning()) return;
    watch->deleteLater();
    button->setEnabled(true);
    QApplication::restoreOverrideCursor();
  });
  watch->start(100);
}

}  // namespace kvl
