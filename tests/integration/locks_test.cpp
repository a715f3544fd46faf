// One master per line and one run per folder, between the real programs: a
// second opener of a line kvlctl polls is refused naming the line and kvlctl's
// process, and gets the line once the first has let go; a second kvlctl
// graduate in a data folder a run holds is refused naming the folder, the
// holder's process and host, before it opens a line.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "kvlctl_process.h"
#include "platform/host_names.h"
#include "sim_process.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::ChildProcess;
using test::KvlctlProcess;
using test::RunKvlctl;
using test::SimProcess;
using test::TempFolder;

const std::string kProfiles = KVL_SOURCE_DIR_PATH "/profiles/";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Locks, SecondOpenerOfAPolledLineIsRefusedNamingItsHolder) {
  SimProcess sim({"--pty", "--type", "Z5", "--count", "1"});
  std::string pty;
  ASSERT_TRUE(sim.ReadLine(&pty));
  const std::vector<std::string> poll = {"poll", "--port", pty, "--addr", "1", "--requests", "0:4"};
  std::vector<std::string> forever = poll;
  forever.insert(forever.end(), {"--cycles", "0"});
  auto first = std::make_unique<KvlctlProcess>(forever);
  ASSERT_TRUE(first->WaitForOut("WM_USER_DATA", 10000)) << "the first master never polled";
  const std::string program = "(kvlctl, ", pid = " " + std::to_string(first->Pid()) + ")";

  struct Opener {
    std::vector<std::string> argv;
    int exitCode;
    const char* refusal;
  } const openers[] = {
      {{test::KvlctlPath(), "poll", "--port", pty, "--addr", "1", "--requests", "0:4"}, 3,
       "is in use by another program"},
      {{test::KvlctlPath(), "poll", "--port", pty, "--addr", "1", "--requests", "0:4", "--lang", "ru"}, 3,
       "занят другой программой"},
      {{test::KvlctlPath(), "read", "--port", pty, "--addr", "1", "--first", "0", "--count", "2"}, 3,
       "is in use by another program"},
      {{test::KvlsimPath(), "--port", pty, "--type", "Z5"}, 1, "is in use by another program"},
  };
  for (const Opener& o : openers) {
    SCOPED_TRACE(o.argv[1] + " " + o.argv.back());
    ChildProcess second(o.argv);
    const test::ProcessResult r = second.Finish(10000);
    EXPECT_EQ(r.exitCode, o.exitCode) << r.out << r.err;
    EXPECT_TRUE(Contains(r.err, pty + " " + o.refusal)) << r.err;
    EXPECT_TRUE(Contains(r.err, program) && Contains(r.err, pid)) << r.err;
    EXPECT_FALSE(Contains(r.out, "WM_USER_DATA")) << "a refused master polled: " << r.out;
  }
  EXPECT_TRUE(first->WaitForOut("WM_USER_DATA", 5000)) << "the first master lost its line";
  // The hold goes with the holder.
  first->Stop();
  first.reset();
  std::vector<std::string> once = poll;
  once.insert(once.end(), {"--cycles", "1"});
  const test::KvlctlResult next = RunKvlctl(once);
  EXPECT_EQ(next.exitCode, 0) << next.out << next.err;
  EXPECT_TRUE(Contains(next.out, "WM_USER_DATA")) << next.out;
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

TEST(Locks, SecondGraduationInOneDataFolderIsRefusedNamingTheRunThatHoldsIt) {
  TempFolder folder;
  SimProcess sim({"--pty", "--type", "Z5", "--count", "1", "--chamber", kProfiles + "demo-ascii.chamber", "--valves",
                  kProfiles + "demo.valves"});
  std::string pty, chamberPty;
  ASSERT_TRUE(sim.ReadLine(&pty));
  ASSERT_TRUE(sim.ReadLine(&chamberPty));
  // Detector 2 never answers: the first run holds the folder while it waits for it.
  const std::vector<std::string> args = {"graduate", "--port", pty, "--chamber-port", chamberPty, "--chamber",
                                         kProfiles + "demo-ascii.chamber", "--valves", kProfiles + "demo.valves",
                                         "--type", "Z5", "--addr", "1,2", "--data", folder.path(), "--conc", "0.5",
                                         "1.0", "--stabilization", "1"};
  KvlctlProcess first(args);
  const std::string lockFile = folder / "graduation.lock";
  const std::string named = "pid = " + std::to_string(first.Pid()) + "\r\n";
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        std::string text;
        return ReadFileBytes(lockFile, text) == 0 && Contains(text, named);
      },
      10000));

  const test::KvlctlResult second = RunKvlctl(args, 10000);
  EXPECT_EQ(second.exitCode, 1) << second.out << second.err;
  EXPECT_TRUE(Contains(second.err, "the data folder " + folder.path() + " is in use by another graduation: process " +
                                       std::to_string(first.Pid()) + " on " + platform::HostName()))
      << second.err;
  EXPECT_FALSE(Contains(second.err, "in use by another program")) << "refused only at its line: " << second.err;
  EXPECT_EQ(second.out, "");

  first.Signal(SIGTERM);
  EXPECT_EQ(first.Finish(10000).exitCode, 130);
  EXPECT_FALSE(std::filesystem::exists(lockFile)) << "an ended run left its folder locked";
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

}  // namespace
}  // namespace kvl
