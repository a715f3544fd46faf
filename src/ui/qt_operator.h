#pragma once
// The window's operator: message boxes and questions on the GUI thread. A
// call from the GUI thread runs the box at once; a call from a worker thread
// (a message, or a question by AskFromWorker) has the box shown by the GUI
// thread and waits for it, giving up as soon as its abandon flag
// is set, even when the GUI thread is itself blocked (waiting for that
// worker to stop) and never got round to showing the box.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <mutex>
#include <vector>

#include "link/operator.h"

namespace kvl {

class CQtOperator : public QObject, public COperator {
  Q_OBJECT

 public:
  // Construct on the GUI thread. `window` parents the boxes and gives their
  // title (the application name while it has none); it may be null.
  explicit CQtOperator(QWidget* window = nullptr);
  // Releases every worker still waiting for a box.
  ~CQtOperator() override;

  void ShowMessage(const std::string& text, MessageIcon icon,
                   const std::atomic<bool>* abandon = nullptr) override;

  int Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) override;
  int AskFromWorker(const std::string& text, MessageIcon icon, QuestionButtons buttons,
                    const std::atomic<bool>* abandon) override;

  void SetWindow(QWidget* window) { window_ = window; }

 private:
  struct Request;

  QString Title() const;
  void ShowFromWorker(const std::shared_ptr<Request>& request);
  // Has the GUI thread show the request's box and waits; the button that closed it, 0 when abandoned.
  int RunFromWorker(const std::shared_ptr<Request>& request, const std::atomic<bool>* abandon);
  void Finish(const std::shared_ptr<Request>& request);

  QPointer<QWidget> window_;
  std::mutex mutex_;
  std::vector<std::weak_ptr<Request>> pending_;
};

}  // namespace kvl
