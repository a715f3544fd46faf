#pragma once
// A main window on the built-in simulated bus, with its configuration in a
// temporary folder, a capturing operator and a scripted exit answer.
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
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

struct WindowRun {
  QTemporaryDir dir;
  CapturingOperator op;
  int exitAnswer = kIdNo;
  int questionsAsked = 0;
  std::unique_ptr<CKvlDlg> window;

  std::string ConfigPath() const { return QDir(dir.path()).filePath(QStringLiteral("KvlGrad.cfg")).toStdString(); }

  // Writes a configuration file before the window reads it.
  void WriteConfig(const std::string& bytes) const;

  // Opens the window on a demo bus of `count` detectors (none: on the
  // configured port) at `size`; with a screen area, Place() sizes it as at start-up instead.
  void Open(int type, int count, bool show = true, QSize size = QSize(1280, 1024),
            std::optional<QRect> screen = std::nullopt);

  CSimBus& Bus() { return window->DemoBus()->Bus(); }

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
