// The run's detectors: one that fails a poll still takes its point, one let
// go takes none and is named in its own log, the saved state keeps who was
// in the run, and a resume names every detector that is not on the bus as
// the run left it.
#include <gtest/gtest.h>

#include <functional>

#include "detector/register_map.h"
#include "graduation/graduation_run.h"

namespace kvl {
namespace {

// Three Z5 detectors at addresses 1..3, serial numbers 5100001..5100003.
class RunRoster : public ::testing::Test {
 public:
  void SetUp() override {
    table.SetAddressList({1, 2, 3});
    for (int s = 0; s < 3; ++s) Plug(s, 5100001 + s);
    env.table = &table;
    env.type = kTypeZ5;
    env.language = kEnglish;
    env.dataFolder = "/data/";
    env.now.tm_year = 126;
    env.now.tm_mday = 9;
  }
  void Plug(int s, std::uint32_t serial) {
    SlotState& slot = table.MutableSlot(s);
    slot.address = s + 1;
    slot.image[reg::z5::GAS] = 1;
    slot.image[reg::z5::LEL_CONC] = 440;
    slot.image[reg::SER_NUM] = std::uint16_t(serial & 0xFFFF);
    slot.image[reg::SER_NUM_HIGH] = std::uint16_t(serial >> 16);
  }
  // Auto, with gas, at the coldest stage; the run waits at its temperature step.
  void Start() {
    run.OnButton(env);
    run.OnPassword("6847", env);
    run.OnStartChoice(RunStartChoice{7, 1, false, true}, env);
    run.OnConcentrations(std::make_pair("0.5", "1.0"), env);
    ASSERT_EQ(run.Stage(), 8);
  }
  static std::vector<int> Slaves(const RunActions& a) {
    std::vector<int> out;
    for (const RunWrite& w : a.writes) out.push_back(w.slave);
    return out;
  }

  CDetectorTable table;
  RunEnvironment env;
  CGraduationRun run;
};

TEST_F(RunRoster, AFailedPollStillCapturesALetGoDetectorNeverDoes) {
  Start();
  run.OnDone(env);  // the temperature step; now zero gas
  table.ClearedPosition(1);  // detector 2's last poll failed: its row is empty, its image kept
  run.OnPollResult(true);    // every detector answered since the last confirmation
  EXPECT_EQ(Slaves(run.OnDone(env)), (std::vector<int>{1, 2, 3}));

  const RunActions drop = run.Drop(2, "no answer since 10:00:00", env);
  ASSERT_EQ(drop.notes.size(), 1u);
  EXPECT_EQ(drop.notes[0],
            "detector 3 (5100003) not graduated: left out of the run at 09.01.2026 00:00:00, stage 8, step 2: "
            "no answer since 10:00:00");
  ASSERT_EQ(drop.logs.size(), 1u);
  EXPECT_EQ(drop.logs[0].path, "/data/5100003.tab");
  EXPECT_TRUE(drop.messages.empty()) << "nothing waits for a person";
  EXPECT_TRUE(run.Drop(2, "again", env).notes.empty()) << "let go once";
  EXPECT_EQ(run.OutOfRun(), (std::array<bool, kSlotCount>{false, false, true}));

  // Its seen flag is not waited for: the others' answers open "   Done".
  table.SetGraduationStage(2);
  table.SetStageExempt(run.OutOfRun());
  table.ClearStageSeen();
  auto poll = [&](int s) {
    Plug(s, 5100001 + s);
    return table.CompletedPoll(s, 0, std::span<const std::uint16_t>(table.Slot(s).image)).enableDone;
  };
  EXPECT_FALSE(poll(0));
  EXPECT_TRUE(poll(1));
  // Let go while the others had both answered: the next answer opens it.
  table.ClearStageSeen();
  table.SetStageExempt({});
  EXPECT_FALSE(poll(0));
  EXPECT_FALSE(poll(1));
  EXPECT_FALSE(poll(0));
  table.SetStageExempt(run.OutOfRun());
  EXPECT_TRUE(poll(0));

  run.OnPollResult(true);
  const RunActions high = run.OnDone(env);
  EXPECT_EQ(Slaves(high), (std::vector<int>{1, 2}));

  SavedRun saved;
  run.SnapshotInto(saved);
  EXPECT_EQ(saved.serials, (std::vector<std::string>{"5100001", "5100002", "5100003"}));
  EXPECT_EQ(saved.dropped, (std::vector<int>{3}));
  saved.addresses = {1, 2, 3};
  saved.medium = "0.5";
  saved.high = "1.0";
  const std::optional<SavedRun> back = ParseRunState(ComposeRunState(saved), "graduation.run", nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->serials, saved.serials);
  EXPECT_EQ(back->dropped, saved.dropped);

  CGraduationRun resumed;
  bool taken = false;
  const RunActions again = resumed.Resume(*back, env, &taken);
  ASSERT_TRUE(taken);
  // The password and the concentrations again, to the run's detectors only.
  EXPECT_EQ(Slaves(again), (std::vector<int>{1, 2, 1, 1, 2, 2}));
  EXPECT_FALSE(resumed.InRun(2));
}

TEST_F(RunRoster, AResumeNamesEveryDetectorNotOnTheBus) {
  SavedRun saved;
  saved.type = kTypeZ5;
  saved.addresses = {1, 2, 3};
  saved.serials = {"5100001", "5100002", "5100003"};
  struct Case {
    const char* name;
    std::function<void(RunRoster&, SavedRun&, int&)> change;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"the same bus", [](RunRoster&, SavedRun&, int&) {}, {}},
      {"another detector at an address", [](RunRoster& t, SavedRun&, int&) { t.Plug(1, 5100099); },
       {"address 2: the saved run's detector is 5100002, the bus answers 5100099"}},
      {"a silent one, and another", [](RunRoster& t, SavedRun&, int&) {
         t.table.ClearedPosition(0);
         t.Plug(2, 7);
       },
       {"address 1: the saved run's detector 5100001 does not answer",
        "address 3: the saved run's detector is 5100003, the bus answers 7"}},
      {"one the run let go may be anything", [](RunRoster& t, SavedRun& s, int&) {
         t.Plug(1, 5100099);
         s.dropped = {2};
       },
       {}},
      {"a state of an earlier version compares addresses only", [](RunRoster& t, SavedRun& s, int&) {
         t.Plug(1, 5100099);
         s.serials.clear();
       },
       {}},
      {"another type", [](RunRoster&, SavedRun&, int& type) { type = kTypeKvelt; },
       {"the saved run graduated type Z5, not KVELT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SavedRun s = saved;
    int type = kTypeZ5;
    c.change(*this, s, type);
    std::vector<std::string> texts;
    for (const ResumeMismatch& m : ResumeMismatches(s, table, type, kEnglish)) texts.push_back(m.text);
    EXPECT_EQ(texts, c.texts);
  }
}

}  // namespace
}  // namespace kvl
