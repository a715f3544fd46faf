// kvlctl calc over generated run data files: the same tables and blocks as the
// core calculation gives, and the blocks written to a detector on the bus.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "graduation/calc_async.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_result.h"
#include "graduation/calc_test_support.h"
#include "graduation/grad_file_reader.h"
#include "kvlctl_process.h"
#include "link/modbus_frames.h"
#include "support/pty_pair.h"
#include "support/scripted_peer.h"
#include "text/text_file.h"

namespace kvl::testing {
namespace {

std::string Ints(const GradPoints& v) {
  std::string s = "[";
  for (std::size_t i = 0; i < v.size(); ++i) s += Format(i ? ", %d" : "%d", v[i]);
  return s + "]";
}

std::string Words(const std::vector<std::uint16_t>& v) {
  std::string s = "[";
  for (std::size_t i = 0; i < v.size(); ++i) s += Format(i ? ", %u" : "%u", unsigned(v[i]));
  return s + "]";
}

struct Files {
  TempFolder dir;
  std::vector<std::string> paths;
};

// Three Z5 sensors, one of them with two files, and one with a file too warm to pass.
void MakeFiles(Files& f) {
  for (int k = 0; k < 3; ++k)
    f.paths.push_back(WriteSimulatedRun(f.dir, kTypeZ5, Format("%d", 500 + k), 2500 + 700 * std::size_t(k),
                                        std::uint64_t(k + 11), Format("%d", k + 1)));
  SimRunSetup warm;
  warm.type = kTypeZ5;
  warm.lines = 1500;
  warm.coldC = -20;
  f.paths.push_back(WriteFile(f.dir, "501_1.grad", SimRunFile(Header(kTypeZ5, "501", "2"), SimulatedRunRows(warm))));
}

// kvlctl calc with these options over the files.
test::KvlctlResult RunCalc(std::vector<std::string> args, const Files& f) {
  args.insert(args.begin(), "calc");
  args.insert(args.end(), f.paths.begin(), f.paths.end());
  return test::RunKvlctl(args, 60000);
}

// What the core makes of the files.
CalcRead CoreRead(const Files& f, const CalcSettings& settings) {
  CalcRead read = ReadGradFiles(f.paths, settings);
  CheckSegments(read, settings);
  return read;
}

TEST(KvlctlCalc, JsonGivesTheCoreTables) {
  Files f;
  MakeFiles(f);
  const test::KvlctlResult r = RunCalc({"--type", "Z5", "--json"}, f);
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;

  const CalcSettings settings = FreshSettings(kTypeZ5);
  const CalcRead read = CoreRead(f, settings);
  const CalcSummary sum = BuildSummary(read, kEnglish);
  ASSERT_EQ(sum.calculable, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(sum.icon, SummaryIcon::Exclamation);
  for (int slot : sum.calculable) {
    const CalcSensor& s = read.sensors[std::size_t(slot)];
    const SensorTables t = FitSensor(s, settings, FitMethod::Reference);
    ASSERT_FALSE(t.tables.empty());
    EXPECT_NE(r.out.find("{\"serial\": \"" + s.serial + Format("\", \"modbus\": %d", s.address)), std::string::npos);
    for (const SegmentTable& table : t.tables) {
      const std::string want = "\"T\": " + Ints(table.T) + ", \"D\": [" + Ints(table.D[0]) + ", " + Ints(table.D[1]) + "]";
      EXPECT_NE(r.out.find(want), std::string::npos) << s.serial << ": " << want << "\n" << r.out;
    }
    for (const RegisterBlock& b : RegisterBlocks(s, t.tables[std::size_t(t.written)], kTypeZ5)) {
      const std::string want = Format("{\"register\": %u, \"words\": ", unsigned(b.first)) + Words(b.words) + "}";
      EXPECT_NE(r.out.find(want), std::string::npos) << want;
    }
  }
  // The warm file of sensor 501 is reported and not fitted.
  EXPECT_NE(r.out.find("File 501_1.grad: Tmin="), std::string::npos);
  EXPECT_NE(r.out.find("{\"file\": \"501_1.grad\", \"valid\": true, \"good\": false"), std::string::npos);

  // The text form: summary, result texts, blocks.
  const test::KvlctlResult text = RunCalc({"--type", "Z5"}, f);
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out.find("Sensor 500: File 500_0.grad: data are normal\n"), 0u) << text.out;
  EXPECT_NE(text.out.find("Sensor 501,  File 501_0.grad:\n  n      T       W        R\n"), std::string::npos);
  EXPECT_NE(text.out.find("register 104:"), std::string::npos);
}

// Detectors on a pty that keep every register written and answer reads from them.
struct StoringDetectors {
  explicit StoringDetectors(test::PtyPair& pty)
      : peer(pty, [this](const Bytes& req, int) -> test::PeerReply {
          if (req.size() < 8) return {};
          std::lock_guard<std::mutex> lock(mutex);
          const int slave = req[0];
          const auto first = std::uint16_t((req[2] << 8) | req[3]);
          if (req[1] != 16) return {test::ReadAnswerFor(req, [&](std::uint16_t reg) { return regs[{slave, reg}]; })};
          ++writes;
          for (int i = 0; i < req[5]; ++i) regs[{slave, first + i}] = std::uint16_t((req[7 + 2 * i] << 8) | req[8 + 2 * i]);
          return {BuildWriteMultipleAnswer(req[0], first, req[5])};
        }) {
    // Sensors 500..502 at addresses 1..3: each table is written only after its
    // detector's serial number (registers 79 and 9) reads as the file's.
    std::lock_guard<std::mutex> lock(mutex);
    for (int k = 0; k < 3; ++k) regs[{k + 1, 9}] = std::uint16_t(500 + k);
  }
  int Writes() {
    std::lock_guard<std::mutex> lock(mutex);
    return writes;
  }
  std::mutex mutex;
  std::map<std::pair<int, int>, std::uint16_t> regs;  // (slave, register) -> value
  int writes = 0;
  test::ScriptedPeer peer;  // last: it answers from the members above
};

TEST(KvlctlCalc, WritesTheBlocksToTheDetectors) {
  Files f;
  MakeFiles(f);
  test::PtyPair pty;
  StoringDetectors detectors(pty);
  std::mutex& mutex = detectors.mutex;
  auto& regs = detectors.regs;
  const test::KvlctlResult r = RunCalc({"--type", "Z5", "--json", "--write", "--port", pty.SlavePath(), "--baud",
                                        "19200", "--report", f.dir.path(), "--journal", f.dir.path()},
                                       f);
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  // A report per sensor written and read back, and the summary linking them.
  std::string summary, journal, text;
  const std::size_t at = r.out.find("\"summary_file\": \"");
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::size_t from = at + 17;
  ASSERT_EQ(ReadFileBytes(r.out.substr(from, r.out.find('"', from) - from), summary), 0);
  for (const auto& e : std::filesystem::directory_iterator(f.dir.path()))
    if (e.path().filename().string().rfind("journal_", 0) == 0 && ReadFileBytes(e.path().string(), text) == 0)
      journal += text;
  for (const char* serial : {"500", "501", "502"}) {
    std::string report;
    ASSERT_EQ(ReadFileBytes(f.dir / (std::string(serial) + "_0.html"), report), 0) << serial;
    EXPECT_NE(report.find("<p class=\"verdict ok\">Table written and verified</p>"), std::string::npos) << serial;
    EXPECT_NE(summary.find(std::string("<a href=\"") + serial + "_0.html\">"), std::string::npos) << serial;
    EXPECT_NE(journal.find(std::string("serial=") + serial + "  "), std::string::npos) << serial;
  }

  const CalcSettings settings = FreshSettings(kTypeZ5);
  const CalcRead read = CoreRead(f, settings);
  std::lock_guard<std::mutex> lock(mutex);
  for (int slot : BuildSummary(read, kEnglish).calculable) {
    const CalcSensor& s = read.sensors[std::size_t(slot)];
    const SensorTables t = FitSensor(s, settings);
    for (const RegisterBlock& b : RegisterBlocks(s, t.tables[std::size_t(t.written)], kTypeZ5))
      for (std::size_t i = 0; i < b.words.size(); ++i)
        EXPECT_EQ((regs[{s.address, int(b.first + i)}]), b.words[i]) << s.serial << " register " << b.first + i;
  }
  EXPECT_NE(r.out.find("\"write_result\": 0"), std::string::npos) << r.out;
}

// A sample far from the table holds the sensor back from --write until the
// operator accepts it; the output lists it either way.
TEST(KvlctlCalc, OutliersAreWrittenOnlyWhenAccepted) {
  Files f;
  SimRunSetup setup;
  setup.type = kTypeZ5;
  setup.lines = 2500;
  setup.seed = 5;
  std::vector<SimRunRow> rows = SimulatedRunRows(setup);
  rows[1234].values[kQR] = Format("%g", std::stod(rows[1234].values[kQR]) + 900);  // one spike
  f.paths.push_back(WriteFile(f.dir, "600_0.grad", SimRunFile(Header(kTypeZ5, "600", "4"), rows)));
  test::PtyPair pty;
  StoringDetectors detectors(pty);
  {
    std::lock_guard<std::mutex> lock(detectors.mutex);
    detectors.regs[{4, 9}] = 600;  // the file's detector answers at its address
  }
  const std::vector<std::string> write = {"--type", "Z5", "--write", "--port", pty.SlavePath(), "--baud", "19200"};
  test::KvlctlResult r = RunCalc(write, f);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.out.find("1 samples lie farther than deltaDmax=100 from the table:\n" + rows[1234].time + " R="),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("sensor 600 not written"), std::string::npos) << r.err;
  EXPECT_EQ(detectors.Writes(), 0);
  std::vector<std::string> accept = write;
  accept.push_back("--accept-outliers");
  r = RunCalc(accept, f);
  EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_EQ(detectors.Writes(), 3);
}

}  // namespace
}  // namespace kvl::testing
