#pragma once
// A main window on the built-in simulated bus, with its configuration in a
// temporary folder, a capturing operator and a scripted exit answer.
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>
#include <optional>
#include <string>

#include "sim/demo_bus.h"
#include "support/capture.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/control_lookup.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui_test_support.h"

namespace kvl::test {

// One scripted answer to an input dialog: the texts to type into its edits
// and the positions to choose in its lists (by identifier, the object name),
// then the button to press (by identifier: 1 "OK", 1001 "Set", ...).
struct DialogAnswer {
  DialogAnswer(std::vector<std::pair<int, QString>> typed = {}, std::vector<std::pair<int, int>> chosen = {},
               std::vector<int> clicked = {}, int pressed = 2)
      : texts(std::move(typed)), positions(std::move(chosen)), clicks(std::move(clicked)), button(pressed) {}
  std::vector<std::pair<int, QString>> texts;
  std::vector<std::pair<int, int>> positions;
  std::vector<int> clicks;  // check boxes and radio buttons to click first
  int button = 2;           // Cancel
  std::function<void(QDialog&)> fill;  // anything else, before the button
};

struct WindowRun {
  QTemporaryDir dir;
  CapturingOperator op;
  int exitAnswer = kIdNo;
  int questionsAsked = 0;
  // The exit questions as asked, and whether No was the default of the last.
  std::vector<std::string> exitQuestions;
  bool exitNoByDefault = false;
  std::unique_ptr<CKvlDlg> window;
  // Input dialogs are answered from here in order (none left: Cancel); the
  // class names of the dialogs opened are kept.
  std::deque<DialogAnswer> dialogAnswers;
  std::vector<std::string> dialogsOpened;
  // The folder and files the file dialogs "choose".
  std::string folderChoice;
  std::vector<std::string> fileChoice;
  std::optional<int> stabilizationMs;
  // A device to open as the detector line instead of the configured port (count 0 only).
  std::string linePort;

  std::string ConfigPath() const { return QDir(dir.path()).filePath(QStringLiteral("KvlGrad.cfg")).toStdString(); }

  // Writes a configuration file before the window reads it.
  void WriteConfig(const std::string& bytes) const;

  // Opens the window on a demo bus of `count` detectors (none: on the
  // configured port) at `size`; with a screen area, Place() sizes it as at start-up instead.
  void Open(int type, int count, bool show = true, QSize size = QSize(1280, 1024),
            std::optional<QRect> screen = std::nullopt);

  CSimBus& Bus() { return window->DemoBus()->Bus(); }
  // Answers an input dialog from dialogAnswers; fails the test while the
  // operator fails on any box (an unattended run is on).
  int Answer(QDialog& dialog);

  template <class T = QWidget>
  T* Control(int id) const {
    return FindControl<T>(window.get(), id);
  }
  QString CellText(Column column, int row) const;
  bool CellShown(Column column, int row) const;

  // Waits until every listed detector has a serial number in its row.
  bool WaitForRows(int count, int timeoutMs = 8000);
};

}  // namespace kvl::test
