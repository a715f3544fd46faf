// The text command channel of kvlsim.
#include <gtest/gtest.h>

#include "detector/register_map.h"
#include "link/modbus_frames.h"
#include "sim/sim_commands.h"

namespace kvl {
namespace {

class SimCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.SetTimeScale(0);
    bus.AddDetectors(kTypeZ5, 2, 1);
  }
  std::string Do(const std::string& line) { return ApplySimCommand(bus, line); }
  bool IsError(const std::string& reply) { return reply.rfind("error: ", 0) == 0; }
  CSimBus bus;
};

TEST_F(SimCommands, Temperature) {
  EXPECT_EQ(Do("temp 45"), "chamber 45.0 C");
  EXPECT_EQ(bus.ChamberTemperature(), 45);
  EXPECT_EQ(Do("temp -20.5"), "chamber -20.5 C");
  EXPECT_EQ(Do("temp"), "chamber -20.5 C");
  for (const char* bad : {"temp hot", "temp 200", "temp 1 2", "temp 4x"}) EXPECT_TRUE(IsError(Do(bad))) << bad;
  EXPECT_EQ(bus.ChamberTemperature(), -20.5);
}

TEST_F(SimCommands, GasInVolumeOrLel) {
  EXPECT_EQ(Do("gas 2 1.2"), "gas 2 1.200 vol.%");
  EXPECT_DOUBLE_EQ(bus.Detector(2)->gasVolume, 1.2);
  EXPECT_EQ(bus.Detector(1)->gasVolume, 0);
  EXPECT_EQ(Do("gas all 25 lel"), "gas all 25.000 %LEL");
  EXPECT_DOUBLE_EQ(bus.Detector(1)->gasVolume, 1.1);  // 25 % of 4.4 vol.%
  EXPECT_EQ(Do("gas 1 0.5 VOL"), "gas 1 0.500 vol.%");
  EXPECT_EQ(Do("gas 9 1"), "error: no detector at address 9");
  for (const char* bad : {"gas 1", "gas 1 -1", "gas 1 x", "gas 0 1", "gas 1 1 ppm", "gas 1 101"})
    EXPECT_TRUE(IsError(Do(bad))) << bad;
}

TEST_F(SimCommands, Faults) {
  EXPECT_EQ(Do("fault 1 silent"), "fault 1 silent");
  EXPECT_EQ(bus.Detector(1)->fault.kind, SimFaultKind::Silent);
  EXPECT_EQ(Do("fault 2 slow 300"), "fault 2 slow 300");
  EXPECT_EQ(bus.Detector(2)->fault, (SimFault{SimFaultKind::Slow, 300}));
  EXPECT_EQ(Do("fault 2 exception 2"), "fault 2 exception 2");
  EXPECT_EQ(bus.Detector(2)->fault, (SimFault{SimFaultKind::Exception, 2}));
  EXPECT_EQ(Do("fault 1 CRC"), "fault 1 crc");
  EXPECT_EQ(Do("fault 1 short"), "fault 1 short");
  EXPECT_EQ(Do("fault 1 wrongaddr"), "fault 1 wrongaddr");
  EXPECT_EQ(Do("fault all none"), "fault all none");
  EXPECT_EQ(bus.Detector(1)->fault.kind, SimFaultKind::None);
  EXPECT_EQ(bus.Detector(2)->fault.kind, SimFaultKind::None);
  for (const char* bad : {"fault 1", "fault 1 slow", "fault 1 slow x", "fault 1 exception 0", "fault 1 exception 256",
                          "fault 1 loud", "fault 1 crc 3", "fault 300 crc"})
    EXPECT_TRUE(IsError(Do(bad))) << bad;
  EXPECT_EQ(Do("fault 7 crc"), "error: no detector at address 7");
}

TEST_F(SimCommands, AddRemoveListReadStatus) {
  EXPECT_EQ(Do("add KVELT 10 2"), "added 2 KVELT detector(s) from address 10");
  EXPECT_TRUE(IsError(Do("add Z 11")));  // taken
  EXPECT_TRUE(IsError(Do("add Q 20")));
  EXPECT_EQ(Do("remove 10"), "removed 10");
  EXPECT_TRUE(IsError(Do("remove 10")));

  const std::string list = Do("list");
  EXPECT_EQ(list.rfind("chamber 20.0 C, 3 detector(s), 9600 baud", 0), 0u) << list;
  EXPECT_NE(list.find("\n  1 Z5    serial 5100001"), std::string::npos) << list;
  EXPECT_NE(list.find("\n 11 KVELT serial 2400011"), std::string::npos) << list;

  const auto regs = *bus.Registers(1);
  EXPECT_EQ(Do("read 1 3"), "3: 2580 0x0A14");
  EXPECT_EQ(Do("read 1 0 2"), "0: " + std::to_string(regs[0]) + " 0x0108\n1: " + std::to_string(regs[1]) +
                                  (regs[1] == 0x0101 ? " 0x0101" : " ?"));
  EXPECT_TRUE(IsError(Do("read 1 160 2")));
  EXPECT_TRUE(IsError(Do("read 5 0")));

  EXPECT_EQ(Do("status 2 fail"), "status 2 fail");
  EXPECT_FALSE(bus.Detector(2)->serviceable);
  EXPECT_NE(Do("list").find("FAIL"), std::string::npos);
  EXPECT_TRUE(IsError(Do("status 2 broken")));
}

TEST_F(SimCommands, SpeedAdvanceHelpAndNonsense) {
  EXPECT_EQ(Do("speed 60"), "speed 60");
  EXPECT_EQ(bus.TimeScale(), 60);
  EXPECT_EQ(Do("speed 0"), "speed 0");
  bus.SetChamberTemperature(60);
  EXPECT_EQ(Do("advance 3600"), "advanced 3600 s");
  EXPECT_NEAR(bus.Detector(1)->temperature, 62, 0.1);
  EXPECT_TRUE(IsError(Do("speed -1")));
  EXPECT_TRUE(IsError(Do("advance")));
  EXPECT_NE(Do("help").find("fault ADDR|all"), std::string::npos);
  EXPECT_EQ(Do(""), "");
  EXPECT_EQ(Do("   # a comment"), "");
  EXPECT_EQ(Do("jump 3"), "error: unknown command 'jump' (try help)");
}

// A graduation point played by hand: the chamber at the stage, each gas step's
// mixture from what the run wrote to GRAD_CONC1/2, and command 102 capturing it.
TEST_F(SimCommands, GraduationStageAndGasSteps) {
  EXPECT_EQ(Do("stage 5"), "stage 5 chamber 0 C");
  EXPECT_EQ(bus.ChamberTemperature(), 0);
  EXPECT_EQ(Do("stage 1"), "stage 1 chamber 85 C");
  for (const char* bad : {"stage 0", "stage 9", "stage 1 -50", "stage x"}) EXPECT_TRUE(IsError(Do(bad))) << bad;

  // LEL_CONC 4400 (0.001 vol.%): 1.1 and 2.2 vol.% are 250 and 500.
  auto write = [&](int reg, int value) {
    bus.HandleRequest(BuildWriteSingle(1, 6, std::uint16_t(reg), std::uint16_t(value)));
  };
  write(reg::z5::LEL_CONC, 4400);
  write(reg::z5::GRAD_CONC1, 250);
  write(reg::z5::GRAD_CONC2, 500);
  EXPECT_EQ(Do("gasstep 1 middle"), "gasstep 1 middle");
  EXPECT_NEAR(bus.Detector(1)->gasVolume, 1.1, 1e-9);
  EXPECT_EQ(Do("gasstep 1 high"), "gasstep 1 high");
  EXPECT_NEAR(bus.Detector(1)->gasVolume, 2.2, 1e-9);
  EXPECT_EQ(bus.Detector(2)->gasVolume, 0) << "one detector only";
  EXPECT_EQ(Do("gasstep all zero"), "gasstep all zero");
  EXPECT_EQ(bus.Detector(1)->gasVolume, 0);
  EXPECT_TRUE(IsError(Do("gasstep 1 medium")));

  // At -60 degC (stage 8) with the high mixture settled, point 0 captures T, R and W.
  Do("stage 8");
  Do("gasstep 1 high");
  bus.Advance(3600);
  write(reg::kPassword, 6847);
  write(102, 0x33 * 256 + 0);
  const RegisterImage r = *bus.Registers(1);
  EXPECT_EQ(r[std::size_t(reg::z5::GradTableAddress(0, 0))], r[reg::kT]);
  EXPECT_EQ(r[std::size_t(reg::z5::GradTableAddress(0, 5))], r[reg::kR]);
  EXPECT_EQ(r[std::size_t(reg::z5::GradTableAddress(0, 6))], r[reg::kW]);
  EXPECT_LT(Signed16(r[reg::kT]), SimTemperatureUnits(kTypeZ5, -50)) << "the housing followed the chamber";

  // Following the run: stage 2 of a Z5 run, step by step.
  const double expected[5] = {0, 0, 2.2, 1.1, 0};
  for (int step = 0; step < 5; ++step) {
    bus.FollowGraduation(2, step, 0, 0);
    EXPECT_EQ(bus.ChamberTemperature(), 65);
    EXPECT_NEAR(bus.Detector(1)->gasVolume, expected[step], 1e-9) << step;
  }
}

}  // namespace
}  // namespace kvl
