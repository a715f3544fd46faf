#include "ui/qt_operator.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <condition_variable>

#include "ui/qt_texts.h"

namespace kvl {

namespace {

// How often a waiting side looks at the abandon flag.
constexpr auto kAbandonPoll = std::chrono::milliseconds(20);

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

// One box asked for by a worker. `done` and `abandoned` are guarded by `mutex`;
// `box` is touched on the GUI thread only.
struct CQtOperator::Request {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  int answer = 0;  // the button that closed the box
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;       // the box was closed, or will never be shown
  bool abandoned = false;  // the worker stopped waiting
  QPointer<QMessageBox> box;
};

CQtOperator::CQtOperator(QWidget* window) : window_(window) {}

CQtOperator::~CQtOperator() {
  std::lock_guard lock(mutex_);
  for (auto& weak : pending_) {
    auto request = weak.lock();
    if (!request) continue;
    delete request->box.data();
    std::lock_guard requestLock(request->mutex);
    request->done = true;
    request->cv.notify_all();
  }
}

QString CQtOperator::Title() const {
  if (window_ && !window_->windowTitle().isEmpty()) return window_->windowTitle();
  return QCoreApplication::applicationName();
}

void CQtOperator::ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon) {
  const QString boxText = QString::fromUtf8(text.data(), qsizetype(text.size()));
  if (QThread::currentThread() == thread()) {
    if (abandon && abandon->load()) return;
    QMessageBox box(BoxIcon(icon), Title(), boxText, QMessageBox::Ok, window_);
    KeepTitleWhole(box);
    QTimer watch;
    if (abandon) {
      QObject::connect(&watch, &QTimer::timeout, &box, [&box, abandon] {
        if (abandon->load()) box.done(QMessageBox::Ok);
      });
      watch.start(int(kAbandonPoll.count()));
    }
    box.exec();
    return;
  }

  auto request = std::make_shared<Request>();
  request->text = boxText;
  request->icon = BoxIcon(icon);
  RunFromWorker(request, abandon);
}

int CQtOperator::RunFromWorker(const std::shared_ptr<Request>& request, const std::atomic<bool>* abandon) {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(pending_, [](const std::weak_ptr<Request>& w) { return w.expired(); });
    pending_.push_back(request);
  }
  QMetaObject::invokeMethod(this, [this, request] { ShowFromWorker(request); }, Qt::QueuedConnection);

  std::unique_lock lock(request->mutex);
  while (!request->done) {
    if (abandon && abandon->load()) {
      request->abandoned = true;
      lock.unlock();
      // The box (if the GUI thread got to show it) goes when the GUI thread
      // runs again; the worker need not wait for that.
      QMetaObject::invokeMethod(
          this, [request] { if (request->box) request->box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
      return 0;
    }
    request->cv.wait_for(lock, kAbandonPoll);
  }
  return request->answer;
}

int CQtOperator::AskFromWorker(const std::string& text, MessageIcon icon, QuestionButtons buttons,
                               const std::atomic<bool>* abandon) {
  const bool yesNo = buttons == QuestionButtons::YesNo;
  if (QThread::currentThread() == thread()) return Ask(text, icon, buttons);
  auto request = std::make_shared<Request>();
  request->text = QString::fromUtf8(text.data(), qsizetype(text.size()));
  request->icon = BoxIcon(icon);
  request->buttons = yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel;
  const int answer = RunFromWorker(request, abandon);
  if (yesNo) return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
  return answer == QMessageBox::Ok ? kAnswerOk : kAnswerCancel;
}

int CQtOperator::Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) {
  const bool yesNo = buttons == QuestionButtons::YesNo;
  QMessageBox box(BoxIcon(icon), Title(), QString::fromUtf8(text.data(), qsizetype(text.size())),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel, window_);
  box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Cancel);
  KeepTitleWhole(box);
  const int answer = box.exec();
  if (yesNo) return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
  return answer == QMessageBox::Ok ? kAnswerOk : kAnswerCancel;
}

void CQtOperator::ShowFromWorker(const std::shared_ptr<Request>& request) {
  {
    std::lock_guard lock(request->mutex);
    if (request->abandoned || request->done) return;
  }
  auto* box = new QMessageBox(request->icon, Title(), request->text, request->buttons, window_);
  KeepTitleWhole(*box);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  connect(box, &QDialog::finished, this, [this, request](int result) {
    {
      std::lock_guard lock(request->mutex);
      request->answer = result;
    }
    Finish(request);
  });
  request->box = box;
  box->show();
}

void CQtOperator::Finish(const std::shared_ptr<Request>& request) {
  std::lock_guard lock(request->mutex);
  request->done = true;
  request->cv.notify_all();
}

}  // namespace kvl
