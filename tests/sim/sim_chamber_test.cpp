// The simulated chamber's model and answers, without a line.
#include "sim/sim_chamber.h"

#include <gtest/gtest.h>

namespace kvl {
namespace {

TEST(SimChamber, AirMovesAtItsRateSettlesAndDrivesTheDetectors) {
  CSimBus bus;
  bus.SetTimeScale(0);  // only Advance moves the model
  bus.SetChamberTemperature(20);
  ASSERT_TRUE(bus.AddDetectors(kTypeZ, 1, 1));
  CSimChamber chamber(DemoAsciiChamberProfile(), bus);
  chamber.Advance(600);
  EXPECT_DOUBLE_EQ(chamber.Air(), 20);  // idle: no set point, no change
  EXPECT_EQ(chamber.AnswerAscii("SP 40.0"), "OK");
  chamber.Advance(60);
  EXPECT_NEAR(chamber.Air(), 21, 1e-9);  // one degree a minute at most
  chamber.Advance(3600);
  EXPECT_NEAR(chamber.Air(), 40, 0.05);
  EXPECT_NEAR(bus.ChamberTemperature(), chamber.Air(), 1e-9);
  bus.Advance(1800);
  EXPECT_NEAR(bus.Detector(1)->temperature, 42, 1.5);  // the housing follows (and warms itself a little)
  // A world set from outside is the air's; the chamber drives it back to its set point.
  bus.SetChamberTemperature(30);
  chamber.Advance(60);
  EXPECT_NEAR(chamber.Air(), 31, 1e-9);
}

TEST(SimChamber, AnswersAsItsProfileSays) {
  CSimBus bus;
  bus.SetTimeScale(0);
  CSimChamber ascii(DemoAsciiChamberProfile(), bus);
  EXPECT_EQ(ascii.AnswerAscii("SP 101.0"), "ERR");  // outside its range
  EXPECT_EQ(ascii.AnswerAscii("SP 4O"), "ERR");
  EXPECT_EQ(ascii.AnswerAscii("START"), "OK");
  EXPECT_TRUE(ascii.RunningCommanded());
  EXPECT_EQ(ascii.AnswerAscii("HELLO"), "ERR");
  EXPECT_EQ(ascii.AnswerAscii("SP -20.5"), "OK");
  EXPECT_NE(ascii.AnswerAscii("RD").find(",-20.5"), std::string::npos) << ascii.AnswerAscii("RD");

  CSimChamber modbus(DemoModbusChamberProfile(), bus);
  const Bytes set = BuildWriteSingle(1, 6, 0, 0xFF38);  // -20.0
  EXPECT_EQ(modbus.AnswerModbus(set), set);
  EXPECT_DOUBLE_EQ(modbus.SetPointC(), -20);
  EXPECT_EQ(modbus.AnswerModbus(BuildWriteSingle(1, 6, 0, 1500)), BuildException(1, 6, 3));  // 150.0
  EXPECT_EQ(modbus.AnswerModbus(BuildReadRequest(1, 3, 0, 1)), BuildResponse(1, 3, {0xFF38}));
  EXPECT_EQ(modbus.AnswerModbus(BuildReadRequest(1, 3, 7, 1)), BuildException(1, 3, 2));
  EXPECT_TRUE(modbus.AnswerModbus(BuildReadRequest(2, 3, 0, 1)).empty());  // another slave's
  const Bytes run = BuildWriteSingle(1, 5, 0, 0xFF00);
  EXPECT_EQ(modbus.AnswerModbus(run), run);
  EXPECT_TRUE(modbus.RunningCommanded());
}

}  // namespace
}  // namespace kvl
