#include "sim/sim_detector.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "detector/calibration_gas.h"
#include "detector/register_map.h"
#include "graduation/graduation_run_stages.h"

namespace kvl {
namespace {

// Channel signals of a fresh detector at 20 degC, emitter power 2048 and
// correction factors 1.0, with clean air in the cell.
constexpr double kBaseR = 2300;
constexpr double kBaseW = 2200;
constexpr double kReferenceC = 20;
// Both channels lose signal as the housing warms; the working channel a little
// faster, which is what the graduation table has to correct.
constexpr double kTempCoefR = -0.0021;
constexpr double kTempCoefW = -0.0026;
// The detector's own compensation of that drift leaves 5 % of it uncorrected.
constexpr double kCompensatedShare = 0.95;
// Absorbance of the working channel at 100 %LEL of the detector's gas.
constexpr double kAbsorbanceAtLel = 0.25;
// Housing temperature: lag behind the chamber, warming by the electronics,
// and the most the heater adds at full power.
constexpr double kHousingLagS = 120;
constexpr double kSelfHeatingC = 2;
constexpr double kHeaterRiseC = 30;
// Gas exchange of the optical cell.
constexpr double kCellLagS = 4;
constexpr double kSignalNoise = 1.5;   // counts
constexpr double kTempNoise = 0.03;    // degC
constexpr double kMethaneLel = 4.4;    // vol.%, for gases without a known limit

constexpr std::uint16_t kDefaultEmitterPower = 2048;
constexpr std::uint16_t kDefaultLimits = 0x0A14;  // 10 and 20 %LEL
constexpr std::uint16_t kDefaultMagneticCal = 2200;
constexpr std::uint16_t kNoReadBack = 0xFFFF;
constexpr std::uint16_t kZ5DefaultGradConc1 = 500;   // 0.1 %LEL: 50 %LEL
constexpr std::uint16_t kZ5DefaultGradConc2 = 1000;  // 100 %LEL
// Z5 factory reset choices of register 47.
constexpr std::uint16_t kZ5ResetGraduation = 5, kZ5ResetMethane = 10, kZ5ResetPropane = 20;
// Z5 graduation capture (register 102): gas step in the high byte.
constexpr int kGradCommand = 102;
constexpr unsigned kGradZeroGas = 0x11, kGradMiddleGas = 0x22, kGradHighGas = 0x33;

std::uint16_t Word(long v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
long Clamp16(double v) { return std::lround(std::clamp(v, -32768.0, 32767.0)); }

}  // namespace

// The simulated detectors count along the type's nominal line exactly.
double SimTemperatureUnits(int type, double c) { return NominalUnits(type, c); }

int BaudOfCode(std::uint16_t code) {
  switch (code) {
    case reg::kBaud1200: return 1200;
    case reg::kBaud2400: return 2400;
    case reg::kBaud4800: return 4800;
    case reg::kBaud9600: return 9600;
    case reg::kBaud19200: return 19200;
    default: return 0;
  }
}

std::uint16_t BaudCodeOf(int baud) {
  for (std::uint16_t code : {reg::kBaud1200, reg::kBaud2400, reg::kBaud4800, reg::kBaud9600, reg::kBaud19200})
    if (BaudOfCode(code) == baud) return code;
  return 0;
}

SimDetectorSetup DefaultSimSetup(int type, std::uint8_t address, std::uint64_t seed) {
  SimDetectorSetup s;
  s.type = type;
  s.address = address;
  s.seed = seed * 1000003u + address;
  switch (type) {
    case kTypeKvelt:
      // Both KVELT generations on one bus: odd addresses run 7.47 (32-bit
      // serial numbers), even ones 7.46 (16-bit).
      if (address % 2) {
        s.firmware = reg::kSerial32Firmware;
        s.serial = 2400000u + address;
      } else {
        s.firmware = reg::kSerial32Firmware - 1;
        s.serial = 24000u + address;
      }
      break;
    case kTypeZ:
      s.firmware = 0x030C;
      s.serial = 11000u + address;
      break;
    case kType2:
      s.firmware = 0x0205;
      s.serial = 12000u + address;
      break;
    case kTypeZ40:
      s.firmware = 0x040A;
      s.serial = 14000u + address;
      break;
    default:
      s.firmware = 0x0515;
      s.serial = 5100000u + address;
      break;
  }
  return s;
}

CSimDetector::CSimDetector(const SimDetectorSetup& setup)
    : type_(IsValidDetectorType(setup.type) ? setup.type : kTypeZ5),
      address_(setup.address),
      baudCode_(BaudOfCode(setup.baudCode) ? setup.baudCode : reg::kBaud9600),
      rng_(setup.seed),
      temperature_(setup.temperature) {
  Set(reg::kAddressBaud, (address_ << 8) | baudCode_);
  Set(reg::kFirmware, setup.firmware);
  Set(12, 523);  // firmware build number; nothing reads it
  const RegisterLayout& lay = LayoutFor(type_);
  Set(reg::SER_NUM, setup.serial & 0xFFFF);
  Set(lay.serialSetting, setup.serial & 0xFFFF);
  if (HasSerial32(type_, regs_)) Set(reg::SER_NUM_HIGH, setup.serial >> 16);
  SetGasCode(setup.gasCode >= 1 && setup.gasCode <= 85 ? setup.gasCode : 1);
  FactoryDefaults();
  Advance(0, setup.temperature - kSelfHeatingC);
}

void CSimDetector::Set(int address, int value) {
  if (address >= 0 && address < kImageWords) regs_[static_cast<std::size_t>(address)] = Word(value);
}

std::uint32_t CSimDetector::Serial() const { return SerialNumber(type_, regs_); }
int CSimDetector::GasCode() const { return int(HighByte(regs_[reg::kStatus])); }

double CSimDetector::GasLel() const {
  // Z40 codes number gases their own way; its physics stays methane-like.
  const double lel = type_ == kTypeZ40 ? 0 : LowerExplosiveLimit(GasCode());
  return lel > 0 ? lel : kMethaneLel;
}

double CSimDetector::RegisterLel() const {
  const RegisterLayout& lay = LayoutFor(type_);
  const double v = regs_[std::size_t(lay.LEL_CONC)] * (lay.lelConcInThousandths ? 0.001 : 0.01);
  return v > 0 ? v : GasLel();
}

void CSimDetector::SetGasCode(int code) {
  const RegisterLayout& lay = LayoutFor(type_);
  regs_[reg::kStatus] = Word((code << 8) | LowByte(regs_[reg::kStatus]));
  Set(lay.gasSetting, code);
  // Every type but Z5 takes the lower explosive limit from its gas library;
  // a Z5 is told it (the gas command writes LEL_CONC next).
  const double lel = type_ == kTypeZ40 ? 0 : LowerExplosiveLimit(code);
  if (lel > 0 && (type_ != kTypeZ5 || regs_[std::size_t(lay.LEL_CONC)] == 0))
    Set(lay.LEL_CONC, std::lround(lel * (lay.lelConcInThousandths ? 1000 : 100)));
  else if (regs_[std::size_t(lay.LEL_CONC)] == 0)
    Set(lay.LEL_CONC, std::lround(kMethaneLel * (lay.lelConcInThousandths ? 1000 : 100)));
}

void CSimDetector::FactoryDefaults() {
  const RegisterLayout& lay = LayoutFor(type_);
  Set(reg::kLimits, kDefaultLimits);
  calibration_.clear();
  zeroRatio_ = kBaseW / kBaseR;
  Set(reg::kRo, std::lround(kBaseR));
  Set(reg::kWo, std::lround(kBaseW));
  Set(lay.KUR, 10000);
  Set(lay.KUW, 10000);
  Set(lay.emitterPower, kDefaultEmitterPower);
  Set(lay.heatingOn, 0);
  // Heating keeps the housing above -10 degC (Z5: above 5 degC, it has no
  // negative limits).
  Set(lay.heatingValue, type_ == kTypeZ5 ? 5 : -1000);
  Set(lay.zeroingNegative, 1);
  Set(lay.magneticCalibration, kDefaultMagneticCal);
  relayTest_ = false;
  latched1_ = latched2_ = false;
  Set(lay.relayTest, type_ == kTypeZ40 ? reg::z40::kRelayTestAllNormal : 0);
  Set(lay.relayTestStep, 0);
  Set(lay.relay1ReadBack, kNoReadBack);
  Set(lay.relay2ReadBack, kNoReadBack);
  if (type_ == kTypeZ40) {
    Set(reg::z40::kLatching, 0);
    Set(reg::z40::kRu6310, 0);
  }
  if (type_ == kTypeZ5) {
    Set(reg::z5::kLatching1, 0);
    Set(reg::z5::kLatching2, 0);
    Set(reg::z5::kShowNegative, 0);
    FactoryGraduationTable();
  }
  UpdateMeasured();
}

// The table the factory would have captured: the model's own signals at the
// eight stage temperatures with clean air and the two graduation gases.
void CSimDetector::FactoryGraduationTable() {
  using namespace reg::z5;
  Set(GRAD_CONC1, kZ5DefaultGradConc1);
  Set(GRAD_CONC2, kZ5DefaultGradConc2);
  Set(GRAD_POWER, regs_[std::size_t(LayoutFor(type_).emitterPower)]);
  Set(GRAD_KUR, 10000);
  Set(GRAD_KUW, 10000);
  const double lel = GasLel();
  for (int k = 0; k < kGradTableLines; ++k) {
    const double t = StageTemperature(kTypeZ5, PointStage(k), 0, 0);
    const double r = RawR(t);
    Set(GradTableAddress(k, 0), std::lround(SimTemperatureUnits(kTypeZ5, t)));
    const double vols[3] = {0, kZ5DefaultGradConc1 / 1000.0 * lel, kZ5DefaultGradConc2 / 1000.0 * lel};
    for (int g = 0; g < 3; ++g) {
      Set(GradTableAddress(k, 1 + 2 * g), Clamp16(r));
      Set(GradTableAddress(k, 2 + 2 * g), Clamp16(RawW(t, vols[g])));
    }
  }
  Set(kBadGraduation, BadGraduationPoints());
  Set(kFlags, kFlagC | kFlagG);
}

double CSimDetector::RawR(double t) const {
  const double power = std::min<double>(regs_[std::size_t(LayoutFor(type_).emitterPower)], 4095);
  const double amp = 0.4 + 0.6 * power / kDefaultEmitterPower;
  return kBaseR * amp * (1 + kTempCoefR * (t - kReferenceC));
}

double CSimDetector::RawW(double t, double volume) const {
  const double power = std::min<double>(regs_[std::size_t(LayoutFor(type_).emitterPower)], 4095);
  const double amp = 0.4 + 0.6 * power / kDefaultEmitterPower;
  const double absorbance = kAbsorbanceAtLel * volume / GasLel();
  return kBaseW * amp * (1 + kTempCoefW * (t - kReferenceC)) * std::exp(-absorbance);
}

double CSimDetector::Compensation(double t) const {
  const double coefW = kTempCoefR + kCompensatedShare * (kTempCoefW - kTempCoefR);
  return (1 + coefW * (t - kReferenceC)) / (1 + kTempCoefR * (t - kReferenceC));
}

// Factory scale maps absorbance straight to volume; span calibrations add
// points of a piecewise-linear curve through the origin.
double CSimDetector::VolumeFromAbsorbance(double a) const {
  if (calibration_.empty()) return a * GasLel() / kAbsorbanceAtLel;
  CalPoint lo{0, 0};
  for (std::size_t i = 0; i < calibration_.size(); ++i) {
    const CalPoint& hi = calibration_[i];
    if (a <= hi.absorbance || i + 1 == calibration_.size())
      return lo.volume + (a - lo.absorbance) * (hi.volume - lo.volume) / (hi.absorbance - lo.absorbance);
    lo = hi;
  }
  return 0;
}

void CSimDetector::Advance(double seconds, double chamberC) {
  const RegisterLayout& lay = LayoutFor(type_);
  double left = std::max(seconds, 0.0);
  do {
    const double dt = std::min(left, 1.0);
    left -= dt;
    // Heater: proportional to how far the housing is below the heating limit.
    double heater = 0;
    if (regs_[std::size_t(lay.heatingOn)] == 1) {
      const std::uint16_t v = regs_[std::size_t(lay.heatingValue)];
      const double limit = lay.heatingValueInHundredths ? Signed16(v) * 0.01 : double(v);
      heater = std::clamp((limit - temperature_) * 400, 0.0, 4095.0);
    }
    Set(lay.heaterPower, std::lround(heater));
    const double target = chamberC + kSelfHeatingC + kHeaterRiseC * heater / 4095;
    temperature_ += (target - temperature_) * (1 - std::exp(-dt / kHousingLagS));
    gasSeen_ += (gas_ - gasSeen_) * (1 - std::exp(-dt / kCellLagS));
    if (relayTest_) StepRelayTest(dt);
  } while (left > 0);
  noiseR_ = rng_.Noise(kSignalNoise);
  noiseW_ = rng_.Noise(kSignalNoise);
  noiseT_ = rng_.Noise(kTempNoise);
  UpdateMeasured();
}

void CSimDetector::SetGas(double volPercent) { gas_ = std::max(volPercent, 0.0); }

double CSimDetector::GraduationGas(int mixture) const {
  const int lelAddress = LayoutFor(type_).LEL_CONC;
  const double lel = lelAddress >= 0 ? regs_[std::size_t(lelAddress)] : 0;
  double c = 0;
  if (mixture == 1) c = regs_[reg::z5::GRAD_CONC1];
  if (mixture == 2) c = regs_[reg::z5::GRAD_CONC2];
  return c * lel / 1e6;
}

double CSimDetector::FeedGraduationGas(int mixture) {
  SetGas(GraduationGas(mixture));
  return gas_;
}

void CSimDetector::TrueSignals(double units, double volPercent, double* r, double* w) const {
  const RegisterLayout& lay = LayoutFor(type_);
  // The inverse of SimTemperatureUnits for the types that count in device units.
  const double lo = SimTemperatureUnits(type_, -60), hi = SimTemperatureUnits(type_, 85);
  const double t = hi > lo ? -60 + (units - lo) * 145 / (hi - lo) : units;
  *r = RawR(t) * regs_[std::size_t(lay.KUR)] / 10000.0;
  *w = RawW(t, volPercent) * regs_[std::size_t(lay.KUW)] / 10000.0;
}

void CSimDetector::SetServiceable(bool ok) {
  serviceable_ = ok;
  UpdateMeasured();
}

// The relay test ramps a test concentration by the step (%LEL per second)
// from 0 (or from 100 for a negative step); the relays follow it, and each
// read-back register keeps the level at which its relay first switched.
void CSimDetector::StepRelayTest(double seconds) {
  const RegisterLayout& lay = LayoutFor(type_);
  if (lay.relayTestStep < 0) return;
  const int step = Signed16(regs_[std::size_t(lay.relayTestStep)]);
  testLel_ = std::clamp(testLel_ + step * seconds, 0.0, 100.0);
  const unsigned l1 = HighByte(regs_[reg::kLimits]), l2 = LowByte(regs_[reg::kLimits]);
  if (l1 && testLel_ >= l1 && regs_[std::size_t(lay.relay1ReadBack)] == kNoReadBack)
    Set(lay.relay1ReadBack, std::lround(testLel_));
  if (l2 && testLel_ >= l2 && regs_[std::size_t(lay.relay2ReadBack)] == kNoReadBack)
    Set(lay.relay2ReadBack, std::lround(testLel_));
}

void CSimDetector::Signals(double* t, double* r, double* w) const {
  const RegisterLayout& lay = LayoutFor(type_);
  *t = temperature_ + noiseT_;
  *r = RawR(*t) * regs_[std::size_t(lay.KUR)] / 10000.0 + noiseR_;
  *w = RawW(*t, gasSeen_) * regs_[std::size_t(lay.KUW)] / 10000.0 + noiseW_;
}

void CSimDetector::UpdateMeasured() {
  const RegisterLayout& lay = LayoutFor(type_);
  double t, r, w;
  Signals(&t, &r, &w);
  const double ratio = r > 1 && w > 1 ? (w / r) / Compensation(t) : zeroRatio_;
  const double rel = ratio / zeroRatio_;
  const double absorbance = -std::log(std::max(rel, 1e-6));
  readingVol_ = VolumeFromAbsorbance(absorbance);
  readingLel_ = readingVol_ / RegisterLel() * 100;

  Set(reg::kR, Clamp16(r));
  Set(reg::kW, Clamp16(w));
  Set(reg::kD, Clamp16(10000 * rel));
  Set(reg::kDm, Clamp16(10000 * (1 - rel)));
  Set(reg::kT, lay.temperatureInTenths ? Clamp16(t * 10) : Clamp16(SimTemperatureUnits(type_, t)));

  double lel = readingLel_, vol = readingVol_;
  const bool testing = relayTest_ && lay.relayTestStep >= 0;
  if (testing) {
    lel = testLel_;
    vol = testLel_ / 100 * RegisterLel();
  }
  const bool zeroNegative = lay.zeroingNegative >= 0 && regs_[std::size_t(lay.zeroingNegative)] == 1;
  const double shownLel = zeroNegative ? std::max(lel, 0.0) : lel;
  const double shownVol = zeroNegative ? std::max(vol, 0.0) : vol;
  Set(reg::kConcentration, Clamp16(shownLel * 10));
  Set(reg::kVolumeConcentration, Clamp16(shownVol * 1000));
  if (lay.outputCurrent >= 0) {
    const double ma = serviceable_ ? 4 + 16 * std::clamp(lel, 0.0, 100.0) / 100 : 2.0;
    Set(lay.outputCurrent, std::lround(ma * 1000));
  }
  if (lay.emitterVoltage1 >= 0) {
    // A KVELT measures its emitter drive as two voltages: U2 across the
    // emitter grows with the power coefficient, U1 sits 0.6 V above it.
    const double u2 = 0.4 + regs_[std::size_t(lay.emitterPower)] * 0.0002;
    const double u1 = u2 + 0.6;
    Set(lay.emitterVoltage1, std::lround(std::clamp(u1 / 5 * 4096, 0.0, 4095.0)));
    Set(lay.emitterVoltage2, std::lround(std::clamp(u2 / 2.5 * 4096, 0.0, 4095.0)));
  }
  if (type_ == kTypeZ5) {
    const bool showNegative = regs_[reg::z5::kShowNegative] == 1;
    Set(reg::z5::kSensorTemperature, Clamp16(t * 10));
    Set(reg::z5::CV, Clamp16((showNegative ? lel : std::max(lel, 0.0)) * 10));
    Set(reg::z5::CV_VOL, Clamp16((showNegative ? vol : std::max(vol, 0.0)) * 1000));
  }
  UpdateStatus(lel);
}

void CSimDetector::UpdateStatus(double lel) {
  const unsigned l1 = HighByte(regs_[reg::kLimits]), l2 = LowByte(regs_[reg::kLimits]);
  bool r1 = l1 != 0 && lel >= l1;
  bool r2 = l2 != 0 && lel >= l2;
  bool latch1 = false, latch2 = false;
  if (type_ == kTypeZ5) {
    latch1 = regs_[reg::z5::kLatching1] == 1;
    latch2 = regs_[reg::z5::kLatching2] == 1;
  } else if (type_ == kTypeZ40) {
    latch1 = (regs_[reg::z40::kLatching] & reg::z40::kLatching1Bit) != 0;
    latch2 = (regs_[reg::z40::kLatching] & reg::z40::kLatching2Bit) != 0;
  }
  // A latched relay holds until its latching is switched off.
  latched1_ = latch1 && (latched1_ || r1);
  latched2_ = latch2 && (latched2_ || r2);
  r1 = r1 || latched1_;
  r2 = r2 || latched2_;
  bool ok = serviceable_;
  if (type_ == kTypeZ40) {
    // Forced relay test fields: 1 off, 2 on, anything else normal operation.
    const std::uint16_t test = regs_[std::size_t(LayoutFor(type_).relayTest)];
    auto force = [&](int shift, bool normal) {
      const unsigned f = reg::z40::RelayField(test, shift);
      return f == 1 ? false : f == 2 ? true : normal;
    };
    ok = force(reg::z40::kFieldServiceability, ok);
    r1 = force(reg::z40::kFieldRelay1, r1);
    r2 = force(reg::z40::kFieldRelay2, r2);
  }
  const unsigned bits = (ok ? reg::kStatusServiceable : 0u) | (r1 ? reg::kStatusLimit1 : 0u) |
                        (r2 ? reg::kStatusLimit2 : 0u);
  regs_[reg::kStatus] = Word((HighByte(regs_[reg::kStatus]) << 8) | bits);
}

bool CSimDetector::IsMeasured(int a) const {
  if (a >= 8 && a <= 15) return true;
  const RegisterLayout& lay = LayoutFor(type_);
  for (int m : {lay.outputCurrent, lay.heaterPower, lay.relay1ReadBack, lay.relay2ReadBack, lay.emitterVoltage1,
                lay.emitterVoltage2})
    if (m >= 0 && a == m) return true;
  if (type_ == kTypeZ5)
    return a == reg::z5::kSensorTemperature || a == reg::z5::CV || a == reg::z5::CV_VOL || a == reg::z5::kFlags ||
           a == reg::z5::kBadGraduation;
  if (type_ == kTypeZ40) return a == LayoutFor(type_).magneticCalibration;
  return false;
}

int CSimDetector::Read(std::uint16_t first, std::uint16_t count, std::vector<std::uint16_t>* words) const {
  if (count < 1 || count > kSimMaxReadCount) return kExIllegalValue;
  if (int(first) + int(count) > kImageWords) return kExIllegalAddress;
  if (words) words->assign(regs_.begin() + first, regs_.begin() + first + count);
  return 0;
}

int CSimDetector::WriteMultiple(std::uint16_t first, const std::vector<std::uint16_t>& words) {
  if (words.empty() || words.size() > 127) return kExIllegalValue;
  if (std::size_t(first) + words.size() > std::size_t(kImageWords)) return kExIllegalAddress;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const int a = int(first + i);
    if (a < 8 || IsMeasured(a)) return kExIllegalAddress;
  }
  std::copy(words.begin(), words.end(), regs_.begin() + first);
  UpdateMeasured();
  return 0;
}

int CSimDetector::Calibrate(bool main, std::uint16_t value) {
  if (value == 0) return kExIllegalValue;
  double t, r, w;
  Signals(&t, &r, &w);
  if (r <= 1 || w <= 1) return kExDeviceFailure;
  const double absorbance = -std::log((w / r) / Compensation(t) / zeroRatio_);
  // Without gas in the cell there is nothing to calibrate against.
  if (absorbance < 0.002) return kExDeviceFailure;
  const double volume = value / 1000.0;
  // The main calibration sets the span; the additional one adds a second
  // point of the curve. A point near an existing one replaces it.
  if (main) calibration_.clear();
  std::erase_if(calibration_, [&](const CalPoint& p) { return std::fabs(p.absorbance - absorbance) < 0.002; });
  calibration_.push_back({absorbance, volume});
  std::sort(calibration_.begin(), calibration_.end(),
            [](const CalPoint& a, const CalPoint& b) { return a.absorbance < b.absorbance; });
  if (type_ == kTypeZ5) Set(reg::z5::kFlags, regs_[reg::z5::kFlags] | reg::z5::kFlagC);
  UpdateMeasured();
  return 0;
}

void CSimDetector::CaptureGraduationPoint(int column, int point) {
  using namespace reg::z5;
  Set(GradTableAddress(point, 0), Signed16(regs_[reg::kT]));
  Set(GradTableAddress(point, column), regs_[reg::kR]);
  Set(GradTableAddress(point, column + 1), regs_[reg::kW]);
  const RegisterLayout& lay = LayoutFor(type_);
  Set(GRAD_POWER, regs_[std::size_t(lay.emitterPower)]);
  Set(GRAD_KUR, regs_[std::size_t(lay.KUR)]);
  Set(GRAD_KUW, regs_[std::size_t(lay.KUW)]);
  Set(kBadGraduation, BadGraduationPoints());
}

// A point is bad unless its working/reference ratio falls from clean air to
// middle gas to high gas, as absorption must.
std::uint16_t CSimDetector::BadGraduationPoints() const {
  using namespace reg::z5;
  std::uint16_t bad = 0;
  for (int k = 0; k < kGradTableLines; ++k) {
    double q[3];
    bool ok = true;
    for (int g = 0; g < 3; ++g) {
      const int r = Signed16(regs_[std::size_t(GradTableAddress(k, 1 + 2 * g))]);
      const int w = Signed16(regs_[std::size_t(GradTableAddress(k, 2 + 2 * g))]);
      ok = ok && r > 0 && w > 0;
      q[g] = ok ? double(w) / r : 0;
    }
    if (!ok || !(q[0] > q[1] && q[1] > q[2])) bad = std::uint16_t(bad | (1u << k));
  }
  return bad;
}

int CSimDetector::WriteSingle(std::uint16_t reg, std::uint16_t value) {
  if (reg >= kImageWords) return kExIllegalAddress;
  const int a = reg;
  if (const std::optional<int> ex = WriteFixedRegister(a, value)) return *ex;
  if (IsMeasured(a)) return kExIllegalAddress;
  if (const std::optional<int> ex = WriteLayoutRegister(a, value)) return *ex;
  if (type_ == kTypeZ5)
    if (const std::optional<int> ex = WriteZ5Command(a, value)) return *ex;
  // Everything else is a plain setting: stored as written (the workstation's
  // correction factors, heating limit, graduation settings and tables...).
  Set(a, value);
  if (a == reg::SER_NUM_HIGH) return 0;
  return Remeasured(0);
}

int CSimDetector::Remeasured(int ex) {
  if (ex == 0) UpdateMeasured();
  return ex;
}

std::optional<int> CSimDetector::WriteFixedRegister(int a, std::uint16_t value) {
  const RegisterLayout& lay = LayoutFor(type_);
  switch (a) {
    case reg::kAddressBaud: {
      const unsigned addr = HighByte(value), code = LowByte(value);
      if (addr < 1 || addr > 247 || BaudOfCode(std::uint16_t(code)) == 0) return kExIllegalValue;
      address_ = std::uint8_t(addr);
      baudCode_ = std::uint16_t(code);
      Set(reg::kAddressBaud, value);
      return 0;
    }
    case reg::kCmdSetZero: {
      // The present clean-air signals become the zero; any value triggers it.
      double t, r, w;
      Signals(&t, &r, &w);
      if (r <= 1 || w <= 1) return kExDeviceFailure;
      zeroRatio_ = (w / r) / Compensation(t);
      Set(reg::kRo, Clamp16(r));
      Set(reg::kWo, Clamp16(w));
      return Remeasured(0);
    }
    case reg::kCmdAddCalibration: return Remeasured(Calibrate(false, value));
    case reg::kCmdMainCalibration: return Remeasured(Calibrate(true, value));
    case reg::kCmdFactoryDefaults:
      if (value != 1) return kExIllegalValue;
      FactoryDefaults();
      return 0;
    case reg::kCmdLimit1:
    case reg::kCmdLimit2: {
      if (value < 1 || value > 100) return kExIllegalValue;
      const std::uint16_t limits = regs_[reg::kLimits];
      Set(reg::kLimits, a == reg::kCmdLimit1 ? (value << 8) | LowByte(limits) : (limits & 0xFF00) | value);
      return Remeasured(0);
    }
    case 7:
      if (type_ != kTypeZ40) return kExIllegalAddress;
      if (value < 1 || value > 32767) return kExIllegalValue;
      Set(lay.magneticCalibration, value);
      return 0;
    case reg::kPassword:
      // Write-only: the code is latched, the register word (a table word on
      // some types) is not touched.
      passwordOk_ = value == kSimGraduationPassword;
      return 0;
    default: return std::nullopt;
  }
}

std::optional<int> CSimDetector::WriteLayoutRegister(int a, std::uint16_t value) {
  const RegisterLayout& lay = LayoutFor(type_);
  const bool z5 = type_ == kTypeZ5, z40 = type_ == kTypeZ40;
  if (a == lay.gasSetting) {
    if (value < 1 || value > 85) return kExIllegalValue;
    SetGasCode(value);
    return Remeasured(0);
  }
  if (a == lay.LEL_CONC) {
    if (value == 0) return kExIllegalValue;
    Set(a, value);
    return Remeasured(0);
  }
  if (a == lay.serialSetting) {
    if (value == 0 && !HasSerial32(type_, regs_)) return kExIllegalValue;
    Set(a, value);
    Set(reg::SER_NUM, value);
    return 0;
  }
  if (a == lay.emitterPower) {
    if (!z5 && value > 4095) return kExIllegalValue;
    Set(a, value);
    return Remeasured(0);
  }
  if (a == lay.heatingOn || a == lay.zeroingNegative || (z5 && (a == reg::z5::kLatching1 || a == reg::z5::kLatching2 ||
                                                               a == reg::z5::kShowNegative))) {
    if (value > 1) return kExIllegalValue;
    Set(a, value);
    return Remeasured(0);
  }
  if (a == lay.magneticCalibration) {
    if (value < 1 || value > 32767) return kExIllegalValue;
    Set(a, value);
    if (z5) Set(reg::z5::kFlags, regs_[reg::z5::kFlags] | reg::z5::kFlagM);
    return 0;
  }
  if (a == lay.relayTest) return WriteRelayTest(value);
  if (z40 && a == reg::z40::kRu6310) {
    if (value == 1)
      Set(a, regs_[std::size_t(a)] | 1);
    else if (value == reg::z40::kRu6310OffCode)
      Set(a, regs_[std::size_t(a)] & ~1u);
    else
      return kExIllegalValue;
    return 0;
  }
  return std::nullopt;
}

int CSimDetector::WriteRelayTest(std::uint16_t value) {
  const RegisterLayout& lay = LayoutFor(type_);
  const int a = lay.relayTest;
  if (type_ == kTypeZ40) {
    Set(a, value);
    return Remeasured(0);
  }
  if (value > 1) return kExIllegalValue;
  const bool start = value == 1 && !relayTest_;
  relayTest_ = value == 1;
  Set(a, value);
  if (start) {
    testLel_ = Signed16(regs_[std::size_t(lay.relayTestStep)]) < 0 ? 100 : 0;
    Set(lay.relay1ReadBack, kNoReadBack);
    Set(lay.relay2ReadBack, kNoReadBack);
    if (type_ == kTypeZ5) Set(reg::z5::kFlags, regs_[reg::z5::kFlags] | reg::z5::kFlagR);
  }
  return Remeasured(0);
}

std::optional<int> CSimDetector::WriteZ5Command(int a, std::uint16_t value) {
  switch (a) {
    case reg::z5::kSwitchToHart:
      // Accepted and kept, so a read shows the request; the simulated
      // detector has no HART side and stays on Modbus.
      if (value != 1) return kExIllegalValue;
      Set(a, value);
      return 0;
    case reg::z5::kGradRecalc: {
      if (value != 1) return kExIllegalValue;
      const std::uint16_t bad = BadGraduationPoints();
      Set(reg::z5::kBadGraduation, bad);
      const std::uint16_t flags = regs_[reg::z5::kFlags];
      Set(reg::z5::kFlags, bad ? flags & ~reg::z5::kFlagG : flags | reg::z5::kFlagG);
      return 0;
    }
    case reg::z5::kFactoryDefaults:
      if (value == kZ5ResetGraduation) {
        FactoryGraduationTable();
      } else if (value == kZ5ResetMethane || value == kZ5ResetPropane) {
        const int code = value == kZ5ResetMethane ? 1 : kPropaneGasCode;
        SetGasCode(code);
        Set(reg::z5::LEL_CONC, std::lround(LowerExplosiveLimit(code) * 1000));
        FactoryDefaults();
      } else {
        return kExIllegalValue;
      }
      return Remeasured(0);
    case kGradCommand: return CaptureCommand(value);
    default: return std::nullopt;
  }
}

int CSimDetector::CaptureCommand(std::uint16_t value) {
  // Capture needs the graduation code in register 32 since power-on.
  if (!passwordOk_) return kExDeviceFailure;
  const unsigned step = HighByte(value), point = LowByte(value);
  int column;
  if (step == kGradZeroGas)
    column = 1;
  else if (step == kGradMiddleGas)
    column = 3;
  else if (step == kGradHighGas)
    column = 5;
  else
    return kExIllegalValue;
  if (point > 7) return kExIllegalValue;
  CaptureGraduationPoint(column, int(point));
  return 0;
}

}  // namespace kvl
