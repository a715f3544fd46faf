#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "ui/qt_operator.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

using namespace std::chrono_literals;
using test::RunUntil;

QMessageBox* ShownBox() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

// Waits without running the GUI thread's event loop.
bool WaitBlocked(const std::atomic<bool>& flag, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// A worker that asks for one box and notes when the call came back.
struct Worker {
  std::atomic<bool> returned{false};
  std::atomic<bool> abandon{false};
  std::thread thread;

  Worker(COperator& op, std::string text, MessageIcon icon) {
    thread = std::thread([this, &op, text, icon] {
      op.ShowMessage(text, icon, &abandon);
      returned = true;
    });
  }
  ~Worker() {
    abandon = true;
    if (thread.joinable()) thread.join();
  }
};

TEST(QtOperator, WorkerBoxIsShownByTheGuiThreadAndTheWorkerWaitsForIt) {
  QWidget window;
  window.setWindowTitle(QStringLiteral("Qm"));
  CQtOperator op(&window);
  Worker worker(op, "Port COM3 is not available", MessageIcon::Information);

  ASSERT_TRUE(RunUntil([] { return ShownBox() != nullptr; }));
  QMessageBox* box = ShownBox();
  EXPECT_EQ(box->thread(), QApplication::instance()->thread());
  EXPECT_EQ(box->text(), QStringLiteral("Port COM3 is not available"));
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Qm"));
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  ASSERT_NE(box->button(QMessageBox::Ok), nullptr);

  RunUntil([] { return false; }, 100);
  EXPECT_FALSE(worker.returned);  // still waiting for the operator
  box->button(QMessageBox::Ok)->click();
  EXPECT_TRUE(RunUntil([&] { return worker.returned.load(); }));
}

// A worker's question (the link's identity check) is asked by the GUI thread
// and answered to the worker; a stopping worker stops waiting with No.
TEST(QtOperator, WorkerQuestionGetsTheOperatorsAnswerOrNoWhenAbandoned) {
  CQtOperator op;
  for (const auto& [button, expected] :
       {std::pair(QMessageBox::Yes, kAnswerYes), std::pair(QMessageBox::No, kAnswerNo),
        std::pair(QMessageBox::NoButton, kAnswerNo)}) {
    std::atomic<int> answer{0};
    std::atomic<bool> abandon{false};
    std::thread worker([&] {
      answer = op.AskFromWorker("Write?", MessageIcon::Question, QuestionButtons::YesNo, &abandon);
    });
    ASSERT_TRUE(RunUntil([] { return ShownBox() != nullptr; }));
    EXPECT_EQ(ShownBox()->text(), QStringLiteral("Write?"));
    button == QMessageBox::NoButton ? void(abandon = true) : ShownBox()->button(button)->click();
    EXPECT_TRUE(RunUntil([&] { return answer.load() != 0; }));
    worker.join();
    EXPECT_EQ(answer.load(), expected);
    RunUntil([] { return ShownBox() == nullptr; }, 1000);
  }
}

TEST(QtOperator, IconsOtherThanInformationAndTheApplicationTitle) {
  CQtOperator op;
  for (auto [icon, expected] : {std::pair(MessageIcon::None, QMessageBox::NoIcon),
                                std::pair(MessageIcon::Error, QMessageBox::Critical)}) {
    Worker worker(op, "x", icon);
    ASSERT_TRUE(RunUntil([] { return ShownBox() != nullptr; }));
    EXPECT_EQ(ShownBox()->icon(), expected);
    EXPECT_EQ(ShownBox()->windowTitle(), QStringLiteral("KvlGrad"));
    ShownBox()->accept();
    EXPECT_TRUE(RunUntil([&] { return worker.returned.load() && ShownBox() == nullptr; }));
  }
}

TEST(QtOperator, AbandonReturnsAtOnceAndTheBoxGoesLater) {
  CQtOperator op;
  Worker worker(op, "write failed", MessageIcon::Information);
  ASSERT_TRUE(RunUntil([] { return ShownBox() != nullptr; }));
  QPointer<QMessageBox> box = ShownBox();

  worker.abandon = true;
  // The worker does not need the GUI thread to let go.
  EXPECT_TRUE(WaitBlocked(worker.returned, 500ms));
  EXPECT_TRUE(RunUntil([&] { return box.isNull() || !box->isVisible(); }));
}

TEST(QtOperator, AbandonWhileTheGuiThreadIsBlockedOnTheWorker) {
  CQtOperator op;
  auto worker = std::make_unique<Worker>(op, "never seen", MessageIcon::Information);
  // The GUI thread stops the worker without running its event loop, as a
  // stopping window does: the box was never shown, the worker must still end.
  std::this_thread::sleep_for(30ms);
  worker->abandon = true;
  EXPECT_TRUE(WaitBlocked(worker->returned, 500ms));
  worker.reset();
  test::Settle();
  EXPECT_EQ(ShownBox(), nullptr);  // and the box is not shown afterwards
}

TEST(QtOperator, CallOnTheGuiThreadRunsTheBoxThere) {
  CQtOperator op;
  QString seen;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = ShownBox()) {
      seen = box->text();
      box->button(QMessageBox::Ok)->click();
    }
  });
  closer.start(10);
  op.ShowMessage("Готово", MessageIcon::Information);
  EXPECT_EQ(seen, QStringLiteral("Готово"));

  // An abandon flag closes a box shown on the GUI thread as well.
  closer.stop();
  std::atomic<bool> abandon{false};
  QTimer::singleShot(50, [&] { abandon = true; });
  QElapsedTimer timer;
  timer.start();
  op.ShowMessage("closed by abandon", MessageIcon::Warning, &abandon);
  EXPECT_LT(timer.elapsed(), 2000);
}

TEST(QtOperator, DestroyingTheOperatorReleasesAWaitingWorker) {
  auto op = std::make_unique<CQtOperator>();
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    op->ShowMessage("pending", MessageIcon::Information);  // no abandon flag
    returned = true;
  });
  ASSERT_TRUE(RunUntil([] { return ShownBox() != nullptr; }));
  op.reset();
  EXPECT_TRUE(WaitBlocked(returned, 500ms));
  worker.join();
  test::Settle();
  EXPECT_EQ(ShownBox(), nullptr);
}

}  // namespace
}  // namespace kvl
