#include "main_window_fixture.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <fstream>

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
  options.exitQuestion = [this](LanguageIndex) {
    ++questionsAsked;
    return exitAnswer;
  };
  options.screenArea = screen;
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
