// kvlctl imitate as the operator runs it: imitated detectors on one end of a
// linked pair of devices, kvlctl's own master commands on the other.
#include <gtest/gtest.h>
#include <signal.h>

#include "kvlctl_process.h"
#include "support/pty_bridge.h"

namespace kvl {
namespace {

using test::KvlctlResult;
using test::RunKvlctl;

TEST(KvlctlImitate, AnswersKvlctlsOwnMasterUntilCtrlC) {
  test::PtyBridge bridge;
  test::KvlctlProcess imitate({"imitate", "--port", bridge.PathA(), "--baud", "19200", "--type", "Z40", "--addr",
                               "17,5", "--seed", "3"});
  std::string line;
  ASSERT_TRUE(imitate.ReadLine(&line, 5000));
  EXPECT_EQ(line, "imitating Z40 detectors at 17,5 on " + bridge.PathA());

  auto master = [&](const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), {command, "--port", bridge.PathB(), "--baud", "19200"});
    return RunKvlctl(args);
  };
  // Row 1 answers 5: serial number 1002, concentration 1.2 %LEL.
  KvlctlResult r = master("read", {"--addr", "5", "--first", "9", "--count", "2", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"result\": 0, \"first\": 9, \"words\": [1002, 12]}\n");
  ASSERT_TRUE(imitate.ReadLine(&line, 3000));
  EXPECT_EQ(line, "slave=5 function=3 first=9 count=2 -> 2 words");

  r = master("write", {"--addr", "17", "--reg", "50", "--value", "4"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(imitate.ReadLine(&line, 3000));
  EXPECT_EQ(line, "slave=17 function=6 first=50 value=4 -> echo");
  r = master("read", {"--addr", "17", "--first", "50", "--count", "1", "--json"});
  EXPECT_EQ(r.out, "{\"result\": 0, \"first\": 50, \"words\": [4]}\n");
  ASSERT_TRUE(imitate.ReadLine(&line, 3000));

  // Past the image: an exception, which the master sees as a short answer.
  r = master("read", {"--addr", "17", "--first", "152", "--count", "10", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_TRUE(imitate.ReadLine(&line, 3000));
  EXPECT_EQ(line, "slave=17 function=3 first=152 count=10 -> exception 2");
  // Nobody imitates address 6.
  r = master("read", {"--addr", "6", "--first", "0", "--count", "1"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_TRUE(imitate.ReadLine(&line, 3000));
  EXPECT_EQ(line, "slave=6 function=3 first=0 count=1 -> silent");

  imitate.Signal(SIGINT);
  const KvlctlResult end = imitate.Finish(3000);
  EXPECT_EQ(end.exitCode, 130) << end.err;
}

TEST(KvlctlImitate, RefusesZ5AndAddressesOutsideTheRange) {
  KvlctlResult r = RunKvlctl({"imitate", "--port", "/dev/null", "--type", "Z5", "--addr", "1"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("Z5"), std::string::npos) << r.err;
  r = RunKvlctl({"imitate", "--port", "/dev/null", "--type", "Z", "--addr", "248"});
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
}  // namespace kvl
