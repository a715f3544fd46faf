#pragma once
// Run data files for the calculation tests: settings of a fresh installation
// for a type, rows from plain numbers, files written into a temporary folder
// in the recorder's format (Windows-1251, CR LF).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "config/config_test_support.h"
#include "config/configuration.h"
#include "graduation/calc_types.h"
#include "sim/sim_run_data.h"
#include "text/format.h"

namespace kvl::testing {

inline CalcSettings FreshSettings(int type, LanguageIndex lang = kEnglish) {
  ConfigurationContext ctx;
  ctx.programFolder = "/tmp/";
  CalcSettings s = CalcSettingsFrom(DefaultConfiguration(ctx));
  s.type = type;
  s.language = lang;
  for (int q = 0; q < kQuantityCount; ++q) s.displayLimits[std::size_t(q)] = DefaultDisplayLimits(type, q);
  return s;
}

// A data line with T, the fitted column(s) and non-zero Wo/Ro; the rest in limits.
inline SimRunRow Row(const std::string& time, double t, double d, double w = 2500, double r = 2600) {
  SimRunRow row;
  row.time = time;
  row.values = {"0.0", Format("%g", t), Format("%g", d), Format("%g", w), Format("%g", r),
                "0",   "2400",          "2500",          "0"};
  return row;
}

inline std::string TimeOf(std::size_t k) {
  const std::size_t s = 8 * 3600 + k;
  return Format("%02zu:%02zu:%02zu", (s / 3600) % 24, (s / 60) % 60, s % 60);
}

inline SimRunHeader Header(int type, const std::string& serial, const std::string& modbus = "1",
                            LanguageIndex lang = kEnglish) {
  SimRunHeader h;
  h.type = type;
  h.language = lang;
  h.serial = serial;
  h.modbus = modbus;
  h.gas = lang == kRussian ? "Метан" : "Methane";
  if (type == kTypeZ5) h.power = "1800", h.kur = "10000", h.kuw = "10100";
  return h;
}

inline std::string WriteFile(const TempFolder& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// A realistic eight-stage run of the type, written as <serial>_0.grad.
inline std::string WriteSimulatedRun(const TempFolder& dir, int type, const std::string& serial, std::size_t lines,
                                     std::uint64_t seed, const std::string& modbus = "1") {
  SimRunSetup setup;
  setup.type = type;
  setup.lines = lines;
  setup.seed = seed;
  return WriteFile(dir, serial + "_0.grad", SimRunFile(Header(type, serial, modbus), SimulatedRunRows(setup)));
}

}  // namespace kvl::testing
