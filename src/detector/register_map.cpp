#include "detector/register_map.h"

#include <optional>

namespace kvl {
namespace {

// clang-format off
constexpr RegisterLayout kLayouts[kDetectorTypeCount] = {
    // KVELT: LEL_CONC only travels in settings files; the loop current and
    // the emitter power are computed here rather than read.
    {.LEL_CONC = 71, .outputCurrent = -1, .magneticCalibration = -1, .magneticCalibrationWrite = -1,
     .emitterPower = 55, .emitterVoltage1 = 56, .emitterVoltage2 = 57,
     .heatingOn = 62, .heatingValue = 63, .heaterPower = 64, .KUR = 58, .KUW = 59,
     .zeroingNegative = 61, .relayTest = 67, .relayTestStep = 68, .relay1ReadBack = 69, .relay2ReadBack = 70,
     .gasSetting = 50, .serialSetting = 51,
     .temperatureInTenths = false, .lelConcInThousandths = false, .magneticCalibrationSigned = true,
     .heatingValueInHundredths = true},
    // Z
    {.LEL_CONC = 71, .outputCurrent = 65, .magneticCalibration = 73, .magneticCalibrationWrite = 73,
     .emitterPower = 55, .emitterVoltage1 = -1, .emitterVoltage2 = -1,
     .heatingOn = 62, .heatingValue = 63, .heaterPower = 64, .KUR = 58, .KUW = 59,
     .zeroingNegative = 61, .relayTest = 67, .relayTestStep = 68, .relay1ReadBack = 69, .relay2ReadBack = 70,
     .gasSetting = 50, .serialSetting = 51,
     .temperatureInTenths = true, .lelConcInThousandths = false, .magneticCalibrationSigned = true,
     .heatingValueInHundredths = true},
    // type 2: the Z layout shifted by eight from address 55 on
    {.LEL_CONC = 78, .outputCurrent = 73, .magneticCalibration = 80, .magneticCalibrationWrite = 80,
     .emitterPower = 63, .emitterVoltage1 = -1, .emitterVoltage2 = -1,
     .heatingOn = 70, .heatingValue = 71, .heaterPower = 72, .KUR = 66, .KUW = 67,
     .zeroingNegative = 69, .relayTest = 74, .relayTestStep = 75, .relay1ReadBack = 76, .relay2ReadBack = 77,
     .gasSetting = 58, .serialSetting = 59,
     .temperatureInTenths = true, .lelConcInThousandths = false, .magneticCalibrationSigned = true,
     .heatingValueInHundredths = true},
    // Z40: relay test as three 2-bit fields, no read-backs, no zeroing switch
    {.LEL_CONC = 86, .outputCurrent = 90, .magneticCalibration = 88,
     .magneticCalibrationWrite = reg::z40::kMagneticCalibrationCommand,
     .emitterPower = 55, .emitterVoltage1 = -1, .emitterVoltage2 = -1,
     .heatingOn = 62, .heatingValue = 63, .heaterPower = 64, .KUR = 58, .KUW = 59,
     .zeroingNegative = -1, .relayTest = 89, .relayTestStep = -1, .relay1ReadBack = -1, .relay2ReadBack = -1,
     .gasSetting = 50, .serialSetting = 51,
     .temperatureInTenths = true, .lelConcInThousandths = false, .magneticCalibrationSigned = false,
     .heatingValueInHundredths = true},
    // Z5: most settings at low addresses
    {.LEL_CONC = reg::z5::LEL_CONC, .outputCurrent = 38, .magneticCalibration = 48, .magneticCalibrationWrite = 48,
     .emitterPower = 26, .emitterVoltage1 = -1, .emitterVoltage2 = -1,
     .heatingOn = 29, .heatingValue = 30, .heaterPower = 31, .KUR = 27, .KUW = 28,
     .zeroingNegative = 33, .relayTest = 67, .relayTestStep = 68, .relay1ReadBack = 69, .relay2ReadBack = 70,
     .gasSetting = reg::z5::GAS, .serialSetting = 51,
     .temperatureInTenths = false, .lelConcInThousandths = true, .magneticCalibrationSigned = true,
     .heatingValueInHundredths = false},
};

constexpr RegisterLayout kNoLayout = {
    .LEL_CONC = -1, .outputCurrent = -1, .magneticCalibration = -1, .magneticCalibrationWrite = -1,
    .emitterPower = -1, .emitterVoltage1 = -1, .emitterVoltage2 = -1,
    .heatingOn = -1, .heatingValue = -1, .heaterPower = -1, .KUR = -1, .KUW = -1,
    .zeroingNegative = -1, .relayTest = -1, .relayTestStep = -1, .relay1ReadBack = -1, .relay2ReadBack = -1,
    .gasSetting = -1, .serialSetting = -1,
    .temperatureInTenths = false, .lelConcInThousandths = false, .magneticCalibrationSigned = true,
    .heatingValueInHundredths = true};
// clang-format on

}  // namespace

const RegisterLayout& LayoutFor(int type) {
  return IsValidDetectorType(type) ? kLayouts[type] : kNoLayout;
}

double Temperature(int type, ImageView image) {
  const int t = Signed16(image[reg::kT]);
  return LayoutFor(type).temperatureInTenths ? t * 0.1 : double(t);
}

namespace {

// Where the typical table puts -60 and 85 degC, by type.
struct UnitLine {
  double atMinus60, at85;
};
std::optional<UnitLine> UnitLineOf(int type) {
  switch (type) {
    case kTypeZ5: return UnitLine{536, 1075};
    case kTypeKvelt: return UnitLine{460, 1090};
    default: return std::nullopt;
  }
}

}  // namespace

bool CountsInDeviceUnits(int type) { return UnitLineOf(type).has_value(); }

double DeviceUnitsPerDegree(int type) {
  const auto line = UnitLineOf(type);
  return line ? (line->at85 - line->atMinus60) / 145.0 : 1.0;
}

double NominalUnits(int type, double c) {
  const auto line = UnitLineOf(type);
  return line ? line->atMinus60 + (c + 60) * DeviceUnitsPerDegree(type) : c;
}

double NominalCelsius(int type, double units) {
  const auto line = UnitLineOf(type);
  return line ? (units - line->atMinus60) / DeviceUnitsPerDegree(type) - 60 : units;
}

double KveltEmitterPower(std::uint16_t voltage1Word, std::uint16_t voltage2Word) {
  const double u1 = voltage1Word * 5.0 / 4096;
  const double u2 = voltage2Word * 2.5 / 4096;
  return (u1 - u2) * (u2 / 0.8 - (u1 - u2) / 40100);
}

}  // namespace kvl
