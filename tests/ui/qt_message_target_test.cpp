#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <memory>
#include <thread>
#include <vector>

#include "support/capture.h"
#include "ui/qt_message_target.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

TEST(QtMessageTarget, PostsFromAnotherThreadArriveInOrderOnTheGuiThread) {
  constexpr int kCount = 500;
  std::vector<test::PostedMessage> got;
  bool allOnGuiThread = true;
  QThread* gui = QCoreApplication::instance()->thread();
  CQtMessageTarget target([&](unsigned m, std::intptr_t w, std::intptr_t l) {
    allOnGuiThread = allOnGuiThread && QThread::currentThread() == gui;
    got.push_back({m, w, l});
  });
  std::thread worker([&] {
    for (int i = 0; i < kCount; ++i) target.Post(i % 2 ? WM_USER_RESULT : WM_USER_DATA, i, -i);
  });
  worker.join();
  EXPECT_TRUE(got.empty());  // nothing runs behind the GUI thread's back
  ASSERT_TRUE(test::RunUntil([&] { return got.size() == kCount; }));
  EXPECT_TRUE(allOnGuiThread);
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(got[i].message, unsigned(i % 2 ? WM_USER_RESULT : WM_USER_DATA));
    EXPECT_EQ(got[i].w, i);
    EXPECT_EQ(got[i].l, -i);
  }
}

TEST(QtMessageTarget, MessagesStillQueuedAreDroppedWithTheTarget) {
  auto count = std::make_shared<int>(0);
  auto target = std::make_unique<CQtMessageTarget>([count](unsigned, std::intptr_t, std::intptr_t) { ++*count; });
  target->Post(WM_USER_CYCLE, 0, 0);
  target->Post(WM_USER_CYCLE, 0, 0);
  target.reset();
  test::Settle();
  EXPECT_EQ(*count, 0);
}

}  // namespace
}  // namespace kvl
