#include "main_window_fixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "ui/dialogs/confirmation.h"

namespace kvl::test {

void WindowRun::WriteConfig(const std::string& bytes) const {
  std::ofstream out(ConfigPath(), std::ios::binary);
  out << bytes;
}

void WindowRun::Open(int type, int count, bool show, QSize size, std::optional<QRect> screen) {
  KvlDlgOptions options;
  options.configPath = ConfigPath();
  options.op = &op;
  // No detectors: the window polls the port of its configuration.
  if (count > 0) options.demo = DemoOptions{type, count};
  options.linePort = linePort;
  options.exitQuestion = [this](CConfirmation& question) {
    ++questionsAsked;
    if (op.FailingOnAny()) ADD_FAILURE() << "the exit question during an unattended run";
    exitQuestions.push_back(question.Question()->text().toStdString());
    exitNoByDefault = question.NoButton()->isDefault();
    return exitAnswer;
  };
  options.screenArea = screen;
  options.runDialog = [this](QDialog& dialog) { return Answer(dialog); };
  options.chooseFolder = [this](const std::string&, const std::string&) { return folderChoice; };
  options.chooseFiles = [this](const std::string&, const std::string&, const std::string&) { return fileChoice; };
  options.stabilizationMs = stabilizationMs;
  window = std::make_unique<CKvlDlg>(std::move(options));
  if (screen)
    window->Place();
  else
    window->resize(size);
  if (show) {
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
}

int WindowRun::Answer(QDialog& dialog) {
  dialogsOpened.push_back(dialog.metaObject()->className());
  if (op.FailingOnAny()) ADD_FAILURE() << "a dialog while nobody is there to answer it: " << dialogsOpened.back();
  if (dialogAnswers.empty()) return kIdCancel;
  const DialogAnswer answer = dialogAnswers.front();
  dialogAnswers.pop_front();
  auto find = [&](int id) { return dialog.findChild<QWidget*>(QString::number(id)); };
  for (int id : answer.clicks) {
    const auto buttons = dialog.findChildren<QAbstractButton*>(QString::number(id));
    if (!buttons.isEmpty()) buttons.front()->click();
  }
  for (const auto& [id, text] : answer.texts)
    if (auto* edit = qobject_cast<QLineEdit*>(find(id))) edit->setText(text);
  for (const auto& [id, position] : answer.positions)
    if (auto* combo = qobject_cast<QComboBox*>(find(id))) combo->setCurrentIndex(position);
  if (answer.fill) answer.fill(dialog);
  auto* button = qobject_cast<QAbstractButton*>(find(answer.button));
  EXPECT_NE(button, nullptr) << "no button " << answer.button << " in " << dialog.metaObject()->className();
  if (!button) return kIdCancel;
  button->click();  // ends the dialog as the operator's click would, storing its values
  return dialog.result();
}

QString WindowRun::CellText(Column column, int row) const {
  QWidget* w = Control(CellId(column, row));
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
  return {};
}

bool WindowRun::CellShown(Column column, int row) const {
  QWidget* w = Control(CellId(column, row));
  return w && !w->isHidden();
}

bool WindowRun::WaitForRows(int count, int timeoutMs) {
  return RunUntil(
      [&] {
        for (int r = 0; r < count; ++r)
          if (CellText(Column::Serial, r).isEmpty()) return false;
        return true;
      },
      timeoutMs);
}

}  // namespace kvl::test
