#pragma once
// Small helpers of the window tests: letting the event loop run, counting a
// widget's paints, waiting for a modal box.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QWidget>
#include <functional>
#include <string>

#include "text/text_file.h"

namespace kvl::test {

// A file's bytes as they stand; "" when it cannot be read.
inline std::string ReadAll(const std::string& path) {
  std::string bytes;
  ReadFileBytes(path, bytes);
  return bytes;
}

// Runs the event loop until `done` holds or `timeoutMs` passes; the result of `done`.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // A wait is no busy loop: the link, the demo bus and the other tests need the cores.
    QThread::usleep(500);
  }
  return true;
}

// Lets every pending update and posted event be handled.
inline void Settle() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count_;
    return QObject::eventFilter(watched, event);
  }

 private:
  int count_ = 0;
};

}  // namespace kvl::test
