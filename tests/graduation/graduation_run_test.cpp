// The graduation run's state machine: whole runs through its events, the
// refusals at start, runs without delay and without gas, and the log records.
#include <gtest/gtest.h>

#include <cstring>

#include "detector/register_map.h"
#include "graduation/graduation_run.h"
#include "text/cp1251.h"
#include "support/temp_folder.h"

namespace kvl {
namespace {

using reg::z5::GradTableAddress;

std::string Cp(const std::string& utf8) {
  std::string out;
  EncodeCp1251(utf8, out);
  return out;
}

// Two Z5 detectors at addresses 1 and 2 with methane, LEL_CONC 440.
class GraduationRun : public ::testing::Test {
 protected:
  void SetUp() override {
    table.SetAddressList({1, 2});
    for (int s = 0; s < 2; ++s) {
      SlotState& slot = table.MutableSlot(s);
      slot.address = s + 1;
      slot.image[reg::kStatus] = 0x0101;  // methane, serviceable
      slot.image[reg::z5::GAS] = 1;
      slot.image[reg::z5::LEL_CONC] = 440;
      slot.image[reg::SER_NUM] = std::uint16_t(100 + s);
      slot.image[reg::SER_NUM_HIGH] = 0;
      slot.image[reg::kT] = std::uint16_t(-59);
      slot.image[reg::kR] = 2300;
      slot.image[reg::kW] = 2000;
    }
    env.table = &table;
    env.type = kTypeZ5;
    env.language = kEnglish;
    env.dataFolder = "/data/";
    env.now.tm_year = 126;
    env.now.tm_mon = 11;
    env.now.tm_mday = 7;
    env.now.tm_hour = 10;
    env.now.tm_min = 20;
    env.now.tm_sec = 30;
  }

  // Button, password, start dialog and concentrations; returns the last actions.
  RunActions Start(RunStartChoice choice, std::string medium = "0,5", std::string high = "1.0") {
    RunActions a = run.OnButton(env);
    EXPECT_TRUE(a.ask && a.ask->kind == RunDialog::Password);
    a = run.OnPassword("6847", env);
    if (!a.ask) return a;
    EXPECT_EQ(a.ask->kind, RunDialog::StartChoice);
    a = run.OnStartChoice(choice, env);
    EXPECT_TRUE(a.ask && a.ask->kind == RunDialog::Concentrations);
    return run.OnConcentrations(std::make_pair(medium, high), env);
  }
  std::string Message() const { return run.View(env).message; }

  CDetectorTable table;
  RunEnvironment env;
  CGraduationRun run;
};

TEST_F(GraduationRun, FromListIndex7OnlyTheColdestStageRunsAndLogsPoint0) {
  RunActions a = run.OnButton(env);
  EXPECT_EQ(a.ask->prompt, "Enter password");
  a = run.OnPassword("6847", env);
  EXPECT_TRUE(a.writes.empty()) << "nothing reaches a detector before every question is answered";
  ASSERT_TRUE(a.ask);
  EXPECT_EQ(a.ask->prompt, "Start graduation from the specified temperature\nin the specified mode,\nare you sure?  ");
  EXPECT_EQ(a.ask->stageItems,
            (std::vector<std::string>{"+85°C", "+65°C", "+45°C", "+22°C", "   0°C", "-20°C", "-40°C", "-60°C"}));
  EXPECT_EQ(a.ask->valveItems, (std::vector<std::string>{"Manually", "Auto"}));
  EXPECT_EQ(a.ask->beginCaption, "Begin");
  a = run.OnStartChoice(RunStartChoice{7, 0, false, false}, env);
  EXPECT_TRUE(a.writes.empty());
  EXPECT_EQ(run.Stage(), 0) << "chosen, not begun";
  a = run.OnConcentrations(std::make_pair(std::string("0,5"), std::string("1.0")), env);
  EXPECT_EQ(run.Stage(), 8);
  // The password, then 0.5 / 440 x 1e6 = 1136.4 and 1.0 / 440 x 1e6 = 2272.7.
  EXPECT_EQ(a.writes, (std::vector<RunWrite>{
                          {1, 32, 6847}, {2, 32, 6847}, {1, 96, 1136}, {1, 97, 2273}, {2, 96, 1136}, {2, 97, 2273}}));
  ASSERT_TRUE(a.gas);
  EXPECT_EQ(a.gas->gasCode, 1);
  EXPECT_EQ(a.gas->first, "1.0");
  EXPECT_EQ(a.gas->second, "0,5");
  EXPECT_EQ(a.startStabilizationMs, kStabilizationMs);
  EXPECT_TRUE(a.hideValveSelector);
  RunView v = run.View(env);
  EXPECT_EQ(v.buttonCaption, "   Stop graduation");
  EXPECT_EQ(v.message, "Set the temperature of -60°C. Wait for the stabilization.");
  EXPECT_TRUE(v.doneVisible);
  EXPECT_FALSE(v.doneEnabled);

  EXPECT_TRUE(run.OnDone(env).writes.empty()) << "Done is disabled during the wait";
  a = run.OnStabilizationTimer();
  EXPECT_TRUE(a.stopStabilization);
  EXPECT_EQ(Message(), "35 minutes have elapsed");
  EXPECT_TRUE(run.DoneEnabled());

  // Step 0 -> 1: the seen flags are cleared and Done waits for every detector.
  a = run.OnDone(env);
  EXPECT_TRUE(a.clearSeen);
  EXPECT_EQ(a.recording, true);
  EXPECT_TRUE(a.recordingNewSeries) << "a new run's files are its own";
  EXPECT_EQ(Message(), "-60°C. Feed the zero gas mixture. Wait for the stabilization.");
  EXPECT_EQ(run.View(env).seenStep, 1);
  EXPECT_FALSE(run.DoneEnabled());
  run.OnPollResult(false);
  EXPECT_FALSE(run.DoneEnabled());
  run.OnPollResult(true);
  EXPECT_TRUE(run.DoneEnabled());

  // Steps 1, 2, 3 capture zero, high and middle gas for point 0.
  const std::uint16_t codes[] = {0x1100, 0x3300, 0x2200};
  const char* next[] = {"-60°C. Feed the high gas mixture. Wait for the stabilization.",
                        "-60°C. Feed the middle gas mixture. Wait for the stabilization.",
                        "-60°C. Feed the zero gas mixture. Wait for the stabilization."};
  for (int k = 0; k < 3; ++k) {
    a = run.OnDone(env);
    EXPECT_EQ(a.writes, (std::vector<RunWrite>{{1, 102, codes[k]}, {2, 102, codes[k]}})) << k;
    EXPECT_TRUE(a.logs.empty());
    EXPECT_EQ(Message(), next[k]);
    run.OnPollResult(true);
  }
  // The detectors captured: the table of point 0 as they hold it.
  const std::uint16_t point0[7] = {std::uint16_t(-60), 2301, 2000, 2302, 1800, 2303, 1700};
  for (int c = 0; c < 7; ++c) table.MutableSlot(0).image[std::size_t(GradTableAddress(0, c))] = point0[c];

  a = run.OnDone(env);
  ASSERT_EQ(a.logs.size(), 2u);
  EXPECT_EQ(a.logs[0].path, "/data/100.tab");
  EXPECT_EQ(a.logs[1].path, "/data/101.tab");
  EXPECT_EQ(a.logs[0].bytes, Cp("DATE  07.12.2026\r\n"
                                "TIME    10:20:30\r\n"
                                "MODBUS_NUM     1\r\n"
                                "SER_NUM      100\r\n"
                                "GAS            1\r\n"
                                "LEL_CONC     440\r\n"
                                "GRAD_CONC1     0\r\n"
                                "GRAD_CONC2     0\r\n"
                                "GRAD_KUR       0\r\n"
                                "GRAD_KUW       0\r\n"
                                "GRAD_POWER     0\r\n"
                                "\r\n*n    Tn   R0n   W0n   R1n   W1n   R2n   W2n\r\n"
                                "G0   -60  2301  2000  2302  1800  2303  1700  -60°\r\n"
                                "\r\n"));
  EXPECT_EQ(run.Stage(), 9);
  EXPECT_EQ(Message(), "Graduation is completed");
  EXPECT_EQ(a.recording, false);
  EXPECT_EQ(a.startCompletionMs, kCompletionPauseMs);
  EXPECT_TRUE(run.OnDone(env).logs.empty()) << "nothing more to confirm";

  a = run.OnCompletionTimer();
  EXPECT_EQ(run.Stage(), 0);
  EXPECT_TRUE(a.stopStabilization);
  v = run.View(env);
  EXPECT_EQ(v.buttonCaption, "   Start graduation");
  EXPECT_EQ(Message(), "Graduation is completed");  // kept until the operator acts
  EXPECT_FALSE(v.doneVisible);
  EXPECT_EQ(v.seenStep, 0);
  run.DismissCompletion();
  EXPECT_FALSE(run.View(env).messageVisible);

  // A second run writes the log header again.
  Start(RunStartChoice{7, 0, false, true});
  for (int k = 0; k < 4; ++k) {
    a = run.OnDone(env);
    EXPECT_EQ(a.recordingNewSeries, k == 0) << "the second run's files are its own too";
    run.OnPollResult(true);
  }
  a = run.OnDone(env);
  ASSERT_EQ(a.logs.size(), 2u);
  EXPECT_EQ(a.logs[0].bytes.rfind("DATE", 0), 0u);
}

// Stage temperatures in the messages, the log and the start list: " 0°" at zero.
TEST_F(GraduationRun, StageTemperaturesAndTheZeroWithoutSign) {
  struct Case {
    int type, stage, tLow, tHigh, expected;
  };
  const Case cases[] = {{kTypeZ5, 1, 0, 0, 85},     {kTypeZ5, 5, 0, 0, 0},       {kTypeZ5, 8, 0, 0, -60},
                        {kTypeKvelt, 1, -50, 85, 85}, {kTypeKvelt, 5, -50, 85, 8}, {kTypeZ, 8, -50, 85, -50},
                        {kTypeZ, 4, -40, 30, 0},     {kTypeZ40, 7, -40, 30, -30}};
  for (const Case& c : cases)
    EXPECT_EQ(StageTemperature(c.type, c.stage, c.tLow, c.tHigh), c.expected) << c.type << " " << c.stage;

  EXPECT_EQ(CGraduationRun::StepMessage(kTypeZ5, 5, 0, 0, 0, 0, kEnglish),
            "Set the temperature of  0°C. Wait for the stabilization.");
  EXPECT_EQ(CGraduationRun::StepMessage(kTypeZ5, 5, 2, 1, 0, 0, kEnglish),
            " 0°C. High gas mixture feeding. Waiting for the stabilization.");
  EXPECT_EQ(CGraduationRun::StepMessage(kTypeZ5, 4, 4, 0, 0, 0, kRussian),
            "+22°C. Подайте нулевую ПГС. Дождитесь стабилизации.");

  // A Z5 run at stage 5 (point 3): the valve mode reformats the message, the log says "  0°".
  Start(RunStartChoice{4, 1, false, true});
  EXPECT_EQ(Message(), "Setting the temperature of  0°C. Waiting for the stabilization.");
  run.OnValveMode(0);
  EXPECT_EQ(Message(), "Set the temperature of  0°C. Wait for the stabilization.");
  for (int k = 0; k < 4; ++k) {
    run.OnDone(env);
    run.OnPollResult(true);
  }
  const RunActions a = run.OnDone(env);
  ASSERT_EQ(a.logs.size(), 2u);
  const std::string& log = a.logs[0].bytes;
  EXPECT_EQ(log.substr(log.size() - 8), Cp("    0°\r\n")) << "no empty line before stage 8";
  EXPECT_EQ(run.Stage(), 6);
  EXPECT_EQ(Message(), "Set the temperature of -20°C. Wait for the stabilization.");
}

TEST_F(GraduationRun, WithoutDelayOnlyTheFirstStageSkipsTheWait) {
  RunActions a = Start(RunStartChoice{5, 0, false, true});
  EXPECT_FALSE(a.startStabilizationMs);
  EXPECT_TRUE(run.DoneEnabled());
  for (int k = 0; k < 4; ++k) {
    run.OnDone(env);
    run.OnPollResult(true);
  }
  a = run.OnDone(env);
  EXPECT_EQ(run.Stage(), 7);
  EXPECT_EQ(run.Step(), 0);
  EXPECT_EQ(a.startStabilizationMs, kStabilizationMs);
  EXPECT_FALSE(run.DoneEnabled());
  // A demonstration on a fast simulated bus waits less.
  run.SetStabilizationMs(35000);
  run.OnStabilizationTimer();
  for (int k = 0; k < 4; ++k) {
    run.OnDone(env);
    run.OnPollResult(true);
  }
  EXPECT_EQ(run.OnDone(env).startStabilizationMs, 35000);
}

TEST_F(GraduationRun, WithoutGasTwoConfirmationsPerStageAndTheTableFromTheChannels) {
  table.MutableSlot(1).image[reg::kStatus] = 0x0501;  // the second detector's gas code 5 (register 21 unchanged)
  Start(RunStartChoice{6, 0, true, true});
  EXPECT_EQ(run.Stage(), 7);
  RunActions a = run.OnDone(env);  // step 0 -> 1
  EXPECT_TRUE(a.writes.empty());
  run.OnPollResult(true);
  a = run.OnDone(env);  // step 1: the point's table from T, R and W; next stage
  // Point 1, W = 2000: methane drops 10.65 % and 14.26 %, gas 5 15.85 % and 21.56 %.
  const auto rows = [](std::uint8_t slave, std::uint16_t w1, std::uint16_t w2) {
    return std::vector<RunWrite>{{slave, 105, std::uint16_t(-59)}, {slave, 113, 2300}, {slave, 129, 2300},
                                 {slave, 145, 2300}, {slave, 121, 2000}, {slave, 137, w1}, {slave, 153, w2}};
  };
  std::vector<RunWrite> expected = rows(1, 1787, 1715);
  for (const RunWrite& w : rows(2, 1683, 1569)) expected.push_back(w);
  EXPECT_EQ(a.writes, expected);
  ASSERT_EQ(a.logs.size(), 2u);
  const std::string& log = a.logs[0].bytes;
  EXPECT_EQ(log.substr(log.find("\r\nG1") + 2), Cp("G1 65477  2300  2000  2300  1787  2300  1715  -40°\r\n"));
  EXPECT_EQ(run.Stage(), 8);
  EXPECT_EQ(run.Step(), 0);
  EXPECT_EQ(a.startStabilizationMs, kStabilizationMs);
  run.OnStabilizationTimer();
  run.OnDone(env);
  run.OnPollResult(true);
  a = run.OnDone(env);
  ASSERT_EQ(a.logs.size(), 2u);
  EXPECT_EQ(a.logs[0].bytes, Cp("G0 65477  2300  2000  2300  1778  2300  1702  -60°\r\n\r\n")) << "header once per run";
  EXPECT_EQ(run.Stage(), 9);
  // Every confirmation noted the chamber as the driver last read it (none
  // here: it did not answer) and each detector's own T.
  ASSERT_EQ(run.Captures().size(), 4u);
  const RunCapture first{7, 0, std::nullopt, std::nullopt, {std::uint16_t(-59), std::uint16_t(-59)}};
  EXPECT_EQ(run.Captures()[0], first);
  EXPECT_EQ(run.Captures()[3].stage, 8);
  EXPECT_EQ(run.Captures()[3].step, 1);
}

TEST_F(GraduationRun, EachConfirmationNotesTheChamberAndTheDetectorsAndANewRunForgetsThem) {
  Start(RunStartChoice{7, 0, true, true});
  env.chamberSetPointC = -60.0;
  env.chamberMeasuredC = -59.6;
  table.MutableSlot(1).image[reg::kT] = 540;
  run.OnDone(env);
  const RunCapture noted{8, 0, -60.0, -59.6, {std::uint16_t(-59), std::uint16_t(540)}};
  ASSERT_EQ(run.Captures(), std::vector<RunCapture>{noted});
  SavedRun saved;
  run.SnapshotInto(saved);
  EXPECT_EQ(saved.captures, run.Captures()) << "the saved state keeps them";
  run.OnButton(env);
  run.OnStopAnswer(true);
  Start(RunStartChoice{7, 0, true, true});
  EXPECT_TRUE(run.Captures().empty());
}

TEST_F(GraduationRun, RefusalsAtStartLeaveTheRunIdle) {
  // A wrong password is named wrong; a cancelled one ends without a word.
  for (std::optional<std::string> password : {std::optional<std::string>("1234"), std::optional<std::string>()}) {
    run.OnButton(env);
    const RunActions a = run.OnPassword(password, env);
    EXPECT_TRUE(a.writes.empty() && !a.ask);
    EXPECT_EQ(a.messages, password ? std::vector<std::string>{"Illegal value"} : std::vector<std::string>{});
  }

  struct Refusal {
    const char* name;
    std::function<void(CDetectorTable&)> setUp;
    const char* medium;
    const char* high;
    const char* message;
    bool askedAgain;  // a value typed otherwise could pass
  };
  const Refusal refusals[] = {
      {"gas mismatch", [](CDetectorTable& t) { t.MutableSlot(1).image[reg::z5::GAS] = 2; }, "0,5", "1.0",
       "For graduation all sensors should have one type of gas", false},
      {"LEL_CONC 0", [](CDetectorTable& t) { t.MutableSlot(1).image[reg::z5::LEL_CONC] = 0; }, "0,5", "1.0",
       "Device Modbus # 2:\nregister LELCONC = 0", false},
      {"high not above medium", [](CDetectorTable&) {}, "1.0", " +1", "Illegal value", true},
      {"empty", [](CDetectorTable&) {}, "", "", "Illegal value", true},
      {"out of range", [](CDetectorTable& t) { t.MutableSlot(1).image[reg::z5::LEL_CONC] = 1; }, "0,1", "1",
       "Illegal concentration\nor LELCONC register value in devices:\nDevice Modbus # 2", true},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    CDetectorTable saved = table;
    r.setUp(table);
    const RunActions a = Start(RunStartChoice{0, 0, false, false}, r.medium, r.high);
    ASSERT_EQ(a.messages.size(), 1u);
    EXPECT_EQ(a.messages[0], r.message);
    EXPECT_EQ(a.ask && a.ask->kind == RunDialog::Concentrations && a.ask->again, r.askedAgain);
    EXPECT_TRUE(a.writes.empty()) << "nothing reaches the detectors";
    EXPECT_FALSE(a.recording);
    EXPECT_EQ(run.Stage(), 0);
    EXPECT_FALSE(run.View(env).doneVisible);
    table = saved;
    // Asked again, values that pass begin the run.
    if (r.askedAgain) {
      EXPECT_EQ(run.OnConcentrations(std::make_pair(std::string("0,5"), std::string("1.0")), env).writes.size(), 6u);
    }
    EXPECT_EQ(run.Stage(), r.askedAgain ? 1 : 0);
    run.OnButton(env);
    run.OnStopAnswer(true);
  }

  // Cancelling the concentrations after the stage was chosen.
  run.OnButton(env);
  run.OnPassword("6847", env);
  run.OnStartChoice(RunStartChoice{3, 0, false, false}, env);
  const RunActions cancelled = run.OnConcentrations(std::nullopt, env);
  EXPECT_TRUE(cancelled.writes.empty() && cancelled.messages.empty() && !cancelled.ask);
  EXPECT_EQ(run.Stage(), 0);
  // An answer nobody asked for changes nothing.
  EXPECT_FALSE(run.OnConcentrations(std::make_pair(std::string("1"), std::string("2")), env).gas);
}

TEST_F(GraduationRun, StoppingAsksFirstAndStopsTheWait) {
  Start(RunStartChoice{0, 0, false, false});
  RunActions a = run.OnButton(env);
  ASSERT_TRUE(a.ask);
  EXPECT_EQ(a.ask->kind, RunDialog::StopQuestion);
  EXPECT_EQ(a.ask->prompt, "   Stop graduation,  are you sure?  ");
  a = run.OnStopAnswer(false);
  EXPECT_EQ(run.Stage(), 1);
  run.OnButton(env);
  a = run.OnStopAnswer(true);
  EXPECT_EQ(run.Stage(), 0);
  EXPECT_EQ(a.recording, false);
  EXPECT_TRUE(a.stopStabilization);
  EXPECT_TRUE(run.DoneEnabled());
  EXPECT_FALSE(run.View(env).doneVisible);
  EXPECT_TRUE(run.OnStabilizationTimer().messages.empty());
  EXPECT_FALSE(run.View(env).messageVisible) << "a late timer tick shows nothing";
}

// A run cut off and taken up again from its saved state: at the temperature
// step while that was not confirmed, else at the saved gas step; the log
// header written before the cut is not written again, and the file keeps
// nothing but a whole, valid state.
TEST(GraduationRunResume, TakesUpTheSavedStepWithoutRepeatingHeaders) {
  test::TempFolder folder;
  CDetectorTable table;
  table.SetAddressList({1, 2});
  for (int s = 0; s < 2; ++s) {
    SlotState& slot = table.MutableSlot(s);
    slot.address = s + 1;
    slot.image[reg::kStatus] = 0x0101;
    slot.image[reg::z5::GAS] = 1;
    slot.image[reg::z5::LEL_CONC] = 440;
    slot.image[reg::SER_NUM] = std::uint16_t(100 + s);
  }
  RunEnvironment env;
  env.table = &table;
  env.language = kEnglish;
  env.dataFolder = folder.path();
  // The run's clock: 07.12.2026 10:00 plus the minutes given.
  auto at = [&](int minutes) {
    env.now = std::tm{};
    env.now.tm_year = 126, env.now.tm_mon = 11, env.now.tm_mday = 7, env.now.tm_hour = 10, env.now.tm_min = minutes;
    return CalendarSeconds(env.now);
  };
  auto saveAndResume = [&](const CGraduationRun& from, CGraduationRun& to) {
    SavedRun saved;
    from.SnapshotInto(saved);
    saved.medium = "0,5";
    saved.high = "1.0";
    saved.series = 3;
    saved.addresses = {1, 2};
    saved.savedAt = "07.12.2026 10:20:30";
    EXPECT_EQ(SaveRunState(folder.path(), saved), 0);
    std::string why;
    const std::optional<SavedRun> loaded = LoadRunState(folder.path(), &why);
    EXPECT_TRUE(loaded) << why;
    bool taken = false;
    RunActions a = to.Resume(*loaded, env, &taken);
    EXPECT_TRUE(taken);
    // Every register the start wrote, written again.
    EXPECT_EQ(a.writes, (std::vector<RunWrite>{
                            {1, 32, 6847}, {2, 32, 6847}, {1, 96, 1136}, {1, 97, 2273}, {2, 96, 1136}, {2, 97, 2273}}));
    EXPECT_EQ(a.recording, true);
    EXPECT_FALSE(a.recordingNewSeries);
    return a;
  };

  CGraduationRun first;
  first.OnButton(env);
  first.OnPassword("6847", env);
  first.OnStartChoice(RunStartChoice{6, 1, false, true}, env);
  const RunActions started = first.OnConcentrations(std::make_pair(std::string("0,5"), std::string("1.0")), env);
  EXPECT_EQ(started.recording, true) << "an Auto run records its first temperature step";
  EXPECT_TRUE(started.recordingNewSeries) << "into a series of its own";
  const long long gasOn = at(1);
  first.OnDone(env);
  for (int k = 0; k < 4; ++k) {
    first.OnPollResult(true);
    at(2 + k);
    first.OnDone(env);  // the last one writes stage 7's headers and point lines
  }
  ASSERT_EQ(first.Stage(), 8);
  ASSERT_EQ(first.Step(), 0);
  // The gas flowed from the confirmation of the temperature step to that of the last gas step.
  const GasSpan stage7{gasOn, at(5)};
  EXPECT_EQ(first.GasSpans(), std::vector<GasSpan>{stage7});

  // Cut at stage 8's temperature step: it starts again with its whole wait.
  CGraduationRun second;
  RunActions a = saveAndResume(first, second);
  EXPECT_EQ(second.Stage(), 8);
  EXPECT_EQ(second.Step(), 0);
  EXPECT_EQ(a.startStabilizationMs, kStabilizationMs);
  EXPECT_FALSE(second.DoneEnabled());
  second.OnStabilizationTimer();
  const long long gasAgain = at(40);
  second.OnDone(env);
  second.OnPollResult(true);
  second.OnDone(env);
  ASSERT_EQ(second.Step(), 2);
  EXPECT_EQ(second.GasSpans(), (std::vector<GasSpan>{stage7, {gasAgain, gasAgain - 1}})) << "still flowing";

  // Cut at the high gas step: taken up there, once every detector answered.
  CGraduationRun third;
  a = saveAndResume(second, third);
  EXPECT_EQ(third.Step(), 2);
  EXPECT_TRUE(a.clearSeen);
  EXPECT_FALSE(a.startStabilizationMs);
  EXPECT_FALSE(third.DoneEnabled());
  third.OnPollResult(true);
  EXPECT_EQ(third.OnDone(env).writes, (std::vector<RunWrite>{{1, 102, 0x3300}, {2, 102, 0x3300}}));
  third.OnPollResult(true);
  third.OnDone(env);
  third.OnPollResult(true);
  EXPECT_EQ(third.GasSpans(), second.GasSpans()) << "the state keeps the open span";
  const long long gasOff = at(50);
  a = third.OnDone(env);
  EXPECT_EQ(third.GasSpans(), (std::vector<GasSpan>{stage7, {gasAgain, gasOff}})) << "closed as the run completed";
  ASSERT_EQ(a.logs.size(), 2u);
  EXPECT_EQ(a.logs[0].bytes.find("DATE"), std::string::npos) << "stage 7 wrote the header";
  EXPECT_EQ(a.logs[0].bytes.rfind("G0 ", 0), 0u);

  // Another poll list is not this run; a damaged state is refused, naming it.
  // A detector that now reads LEL_CONC 0 cannot take the saved concentrations: nothing is taken up or sent.
  table.MutableSlot(1).image[reg::z5::LEL_CONC] = 0;
  CGraduationRun lel;
  bool taken = true;
  a = lel.Resume(*LoadRunState(folder.path(), nullptr), env, &taken);
  EXPECT_FALSE(taken);
  EXPECT_TRUE(a.writes.empty());
  EXPECT_EQ(a.messages, std::vector<std::string>{"Device Modbus # 2:\nregister LELCONC = 0"});
  EXPECT_EQ(lel.Stage(), 0);
  table.MutableSlot(1).image[reg::z5::LEL_CONC] = 440;
  table.SetAddressList({1, 3});
  CGraduationRun other;
  taken = true;
  other.Resume(*LoadRunState(folder.path(), nullptr), env, &taken);
  EXPECT_FALSE(taken);
  std::string why;
  SavedRun good;
  good.addresses = {1};
  std::string text = ComposeRunState(good);
  EXPECT_TRUE(ParseRunState(text, "g.run", &why));
  for (const char* damage : {"stage = 1", "step = 0"}) {
    std::string bad = text;
    bad.replace(bad.find(damage), std::strlen(damage), std::string(damage, std::strlen(damage) - 1) + "9");
    EXPECT_FALSE(ParseRunState(bad, "g.run", &why));
    EXPECT_NE(why.find("g.run"), std::string::npos);
  }
  EXPECT_FALSE(ParseRunState(text.substr(0, text.size() / 2), "g.run", &why)) << "cut short";
  // A state written before the gas was noted is whole without it; an odd list is not.
  const std::string noGas = text.substr(0, text.find("\r\ngas = ") + 2);
  EXPECT_TRUE(ParseRunState(noGas, "g.run", &why)) << why;
  EXPECT_FALSE(ParseRunState(noGas + "gas = 5\r\n", "g.run", &why));
  // What each confirmation noted, and the operator, come back as saved; a
  // note out of range refuses the state.
  good.captures = {{8, 0, -60.0, -59.87, {std::uint16_t(536), std::nullopt}}, {8, 3, std::nullopt, 21.5, {}}};
  good.operatorName = "Ivanov";
  const std::optional<SavedRun> back = ParseRunState(ComposeRunState(good), "g.run", &why);
  ASSERT_TRUE(back) << why;
  EXPECT_EQ(back->captures, good.captures);
  EXPECT_EQ(back->operatorName, "Ivanov");
  for (const char* damage : {"captures = 9 0 - -", "captures = 1 0 - - 70000", "captures = 1 0 x -"}) {
    std::string bad = ComposeRunState(good);
    const std::size_t at = bad.find("captures = ");
    bad.replace(at, bad.find('\r', at) - at, damage);
    EXPECT_FALSE(ParseRunState(bad, "g.run", &why)) << damage;
  }
}

}  // namespace
}  // namespace kvl
