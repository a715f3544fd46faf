// The window tests share one QApplication per process. They run offscreen
// unless a platform is chosen (CTest sets offscreen too; test discovery does
// not pass the test environment, hence the default here).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KvlGrad"));
  return RUN_ALL_TESTS();
}
