#include "chamber/profiles.h"

#include <gtest/gtest.h>

namespace kvl {
namespace {

const char kAsciiBase[] =
    "protocol = ascii\nset_command = \"SP {T}\"\nread_command = RD\nset_point_min = -60\nset_point_max = 90\n";
const char kModbusBase[] =
    "protocol = modbus\naddress = 3\nset_point_register = 10\nmeasured_register = 11\n"
    "set_point_min = -60\nset_point_max = 90\n";

TEST(ChamberProfile, LinesAreTakenOrRefusedNamingLineAndToken) {
  struct Row { const char* base; const char* extra; const char* refusal; };  // refusal "" = taken
  const Row rows[] = {
      {kAsciiBase, "", ""},
      {kAsciiBase, "# a comment\n\n  tolerance = 0.3  # reached within\n", ""},
      {kAsciiBase, "set_decimals = 2\nstop_command =\n", ""},
      {kAsciiBase, "start_command = \"GO\\r# now\"\n", ""},
      {kModbusBase, "read_function = 4\nscale = 100\nsigned = no\nrun_register = 5\n", ""},
      {kModbusBase, "steady_temperature_limit = 0.2\nmin_gas_flow_time = 240\n", ""},
      {kAsciiBase, "tolerance = 0,5\n", "x, line 6: not a number: '0,5'"},
      {kAsciiBase, "tolerance = 0.5x\n", "x, line 6: not a number: '0.5x'"},
      {kAsciiBase, "set_decimals = 1.5\n", "x, line 6: not a whole number: '1.5'"},
      {kAsciiBase, "set_decimals = 9\n", "x, line 6: out of range: '9'"},
      {kAsciiBase, "tolerance =\n", "x, line 6: not a number: ''"},
      {kAsciiBase, "colour = red\n", "x, line 6: unknown key: 'colour'"},
      {kAsciiBase, "read_command = RD2\n", "x, line 6: key given twice: 'read_command'"},
      {kAsciiBase, "just words\n", "x, line 6: expected key = value: 'just words'"},
      {kAsciiBase, "stop_command = \"STOP\n", "x, line 6: bad quoted text: '\"STOP'"},
      {kModbusBase, "signed = maybe\n", "x, line 7: not one of yes, no: 'maybe'"},
      {"protocol = serial\n", "", "x, line 1: not one of ascii, modbus: 'serial'"},
      {kAsciiBase, "address = 3\n", "x, line 6: 'address' does not agree with 'protocol'"},
      {kAsciiBase, "park = 95\n", "x, line 6: 'park' does not agree with 'set_point_min'"},
      {"protocol = ascii\nset_command = SP\nread_command = RD\nset_point_min = 0\nset_point_max = 30\n", "",
       "x, line 2: 'set_command' does not agree with '{T}'"},
      {"protocol = modbus\naddress = 1\nset_point_min = 0\nset_point_max = 9\n", "",
       "x: missing key 'set_point_register'"},
      {kModbusBase, "run_register = 1\nrun_coil = 2\n", "x, line 8: 'run_coil' does not agree with 'run_register'"},
  };
  for (const Row& r : rows) {
    ChamberProfile p;
    std::string error;
    std::string text = r.base;
    text += r.extra;
    const bool ok = ParseChamberProfile(text, "x", kEnglish, &p, &error);
    EXPECT_EQ(ok, *r.refusal == 0) << r.extra << error;
    EXPECT_EQ(error, r.refusal) << r.extra;
  }
  ChamberProfile p;
  std::string text = kAsciiBase;
  text += "start_command = \"GO\\r# now\"\n";
  ASSERT_TRUE(ParseChamberProfile(text, "x", kEnglish, &p, nullptr));
  EXPECT_EQ(p.ascii.startCommand, "GO\r# now");
}

TEST(ValveProfile, LinesAreTakenOrRefused) {
  const std::string base = "address = 32\nzero = 0\nmiddle = 1\nhigh = 2\n";
  struct Row { std::string extra; const char* refusal; };
  const Row rows[] = {
      {"line = 3\noutputs = registers\n", ""},
      {"line = 2\n", "v, line 5: not one of 1, 3: '2'"},
      {"address = 248\n", "v, line 5: key given twice: 'address'"},
      {"outputs = relays\n", "v, line 5: not one of coils, registers: 'relays'"},
  };
  for (const Row& r : rows) {
    ValveProfile p;
    std::string error;
    EXPECT_EQ(ParseValveProfile(base + r.extra, "v", kEnglish, &p, &error), *r.refusal == 0) << error;
    EXPECT_EQ(error, r.refusal);
  }
  ValveProfile p;
  std::string error;
  EXPECT_FALSE(ParseValveProfile("address = 1\nzero = 1\nmiddle = 1\nhigh = 2\n", "v", kEnglish, &p, &error));
  EXPECT_FALSE(ParseValveProfile("address = 1\nzero = 1\n", "v", kEnglish, &p, &error));
  EXPECT_EQ(error, "v: missing key 'middle'");
}

// The shipped demo profiles are what the simulator speaks.
TEST(ShippedProfiles, DemoFilesSayWhatTheSimulatorSpeaks) {
  const std::string dir = KVL_SOURCE_DIR_PATH "/profiles/";
  ChamberProfile ascii, modbus, generic;
  ValveProfile valves;
  std::string error;
  ASSERT_TRUE(LoadChamberProfile(dir + "demo-ascii.chamber", kEnglish, &ascii, &error)) << error;
  ASSERT_TRUE(LoadChamberProfile(dir + "demo-modbus.chamber", kEnglish, &modbus, &error)) << error;
  ASSERT_TRUE(LoadValveProfile(dir + "demo.valves", kEnglish, &valves, &error)) << error;
  EXPECT_EQ(ascii, DemoAsciiChamberProfile());
  EXPECT_EQ(modbus, DemoModbusChamberProfile());
  EXPECT_EQ(valves, DemoValveProfile());
  EXPECT_TRUE(LoadChamberProfile(dir + "generic-ascii.chamber", kEnglish, &generic, &error)) << error;
  EXPECT_TRUE(LoadChamberProfile(dir + "generic-modbus.chamber", kEnglish, &generic, &error)) << error;
  EXPECT_FALSE(LoadChamberProfile(dir + "none.chamber", kRussian, &generic, &error));
  EXPECT_NE(error.find("не удаётся прочитать профиль"), std::string::npos) << error;
}

}  // namespace
}  // namespace kvl
