#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "ui/command_line.h"

namespace kvl {
namespace {

bool Parse(std::vector<std::string> args, CommandLine* out, std::string* error = nullptr) {
  std::string ignored;
  return ParseCommandLine(args, out, error ? error : &ignored);
}

TEST(CommandLine, GoodLines) {
  CommandLine line;
  ASSERT_TRUE(Parse({}, &line));
  EXPECT_FALSE(line.demo);
  EXPECT_TRUE(line.configPath.empty());

  ASSERT_TRUE(Parse({"--config", "/tmp/a b.cfg", "--demo"}, &line));
  EXPECT_EQ(line.configPath, "/tmp/a b.cfg");
  EXPECT_TRUE(line.demo);
  EXPECT_FALSE(line.demoType.has_value());
  EXPECT_EQ(line.demoCount, kDefaultDemoCount);

  ASSERT_TRUE(Parse({"--demo=z40:20", "--config=x.cfg"}, &line));
  EXPECT_EQ(line.demoType, 3);
  EXPECT_EQ(line.demoCount, 20);
  EXPECT_EQ(line.configPath, "x.cfg");

  for (auto [arg, type] : {std::pair("--demo=KVELT", 0), std::pair("--demo=Z", 1), std::pair("--demo=Z5:1", 4),
                           std::pair("--demo=0", 0), std::pair("--demo=4:7", 4)}) {
    ASSERT_TRUE(Parse({arg}, &line)) << arg;
    EXPECT_EQ(line.demoType, type) << arg;
  }
  ASSERT_TRUE(Parse({"--demo", "--stabilization=20"}, &line));
  EXPECT_EQ(line.stabilizationSeconds, 20);
  ASSERT_TRUE(Parse({"--help"}, &line));
  EXPECT_TRUE(line.help);
}

TEST(CommandLine, BadLinesSayWhy) {
  struct Case {
    std::vector<std::string> args;
    const char* mentions;
  };
  for (const Case& c : {Case{{"--demo=Q"}, "'Q'"},
                        Case{{"--demo=2"}, "'2'"},  // type 2 is never a working type
                        Case{{"--demo=5"}, "'5'"},
                        Case{{"--demo=Z:0"}, "1 to 20"},
                        Case{{"--demo=Z:21"}, "1 to 20"},
                        Case{{"--demo=Z:"}, "1 to 20"},
                        Case{{"--demo=Z:3x"}, "1 to 20"},
                        Case{{"--demo=:3"}, "type is missing"},
                        Case{{"--config"}, "needs a file"},
                        Case{{"--config="}, "needs a file"},
                        Case{{"--config", "a", "--config", "b"}, "twice"},
                        Case{{"--verbose"}, "'--verbose'"},
                        Case{{"--stabilization=0"}, "1 to 2100"},
                        Case{{"--stabilization=5s"}, "1 to 2100"},
                        Case{{"file.cfg"}, "'file.cfg'"}}) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(Parse(c.args, &line, &error)) << c.args[0];
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
}

// The built program: exit statuses and messages that need no window.
struct ProgramRun {
  int status;
  QString out;
  QString err;
};

ProgramRun RunKvlgrad(const QStringList& args, const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(KVL_BUILD_DIR_PATH "/src/app/kvlgrad"), args);
  if (!process.waitForFinished(20000)) {
    process.kill();
    process.waitForFinished();
    return {-1, {}, {}};
  }
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

TEST(CommandLine, ProgramExitStatuses) {
  QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) noDisplay.remove(QString::fromLatin1(name));

  ProgramRun run = RunKvlgrad({}, noDisplay);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("needs a graphical display"))) << run.err.toStdString();

  run = RunKvlgrad({QStringLiteral("--help")}, noDisplay);
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: kvlgrad"))) << run.out.toStdString();

  run = RunKvlgrad({QStringLiteral("--demo=Z5:21")}, noDisplay);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("1 to 20"))) << run.err.toStdString();
}

}  // namespace
}  // namespace kvl
