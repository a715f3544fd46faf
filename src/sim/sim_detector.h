#pragma once
// One simulated detector: its register file in the layout of its type, a small
// physical model behind the measured registers (housing temperature lagging
// the chamber, two infrared channels absorbed by the gas, the concentration
// the detector computes from them) and the reactions of a real detector to
// the registers the workstation writes.
//
// Not thread-safe: the bus guards every detector with its own lock.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "detector/detector_kinds.h"
#include "sim/sim_random.h"

namespace kvl {

// Modbus exception codes the detectors answer with.
inline constexpr int kExIllegalFunction = 1;
inline constexpr int kExIllegalAddress = 2;
inline constexpr int kExIllegalValue = 3;
inline constexpr int kExDeviceFailure = 4;

// The most registers one read may ask for.
inline constexpr int kSimMaxReadCount = 125;

// The access code that unlocks the graduation capture command (register 102
// of type Z5); the graduation run writes it to register 32 before capturing.
inline constexpr std::uint16_t kSimGraduationPassword = 6847;

struct SimDetectorSetup {
  int type = kTypeZ5;
  std::uint8_t address = 1;
  std::uint16_t baudCode = 8;  // register 0's low byte: 1, 2, 4, 8 or 16
  std::uint32_t serial = 0;    // 16-bit types keep the low word
  std::uint16_t firmware = 0;  // high byte major, low byte minor
  int gasCode = 1;             // 1..85
  double temperature = 20;     // housing temperature at power-on, degC
  std::uint64_t seed = 1;
};

// Plausible set-up of a fresh detector of the type at the address: a serial
// number derived from the address (above 65535 where the serial is 32-bit),
// the type's usual firmware (KVELT: 7.47 at odd addresses, 7.46 at even
// ones), methane.
SimDetectorSetup DefaultSimSetup(int type, std::uint8_t address, std::uint64_t seed = 1);

// The temperature register's value at housing degrees: KVELT and Z5 count
// in device units (about the typical graduation table), Z and Z40 in degrees.
double SimTemperatureUnits(int type, double degreesC);

// Baud rate of a register-0 baud code; 0 for a code that names none.
int BaudOfCode(std::uint16_t code);
// Baud code of a rate; 0 for a rate the detectors do not know.
std::uint16_t BaudCodeOf(int baud);

class CSimDetector {
 public:
  explicit CSimDetector(const SimDetectorSetup& setup);

  int Type() const { return type_; }
  std::uint8_t Address() const { return address_; }
  std::uint16_t BaudCode() const { return baudCode_; }
  std::uint32_t Serial() const;
  int GasCode() const;

  // ---- Modbus (function 3/4, 6, 16): 0 done, else the exception code ----
  int Read(std::uint16_t first, std::uint16_t count, std::vector<std::uint16_t>* words) const;
  // A write to register 0 moves the detector to its new address and baud at
  // once; the bus has already addressed the echo from the request.
  int WriteSingle(std::uint16_t reg, std::uint16_t value);
  // Block writes store settings and tables as they stand; they cannot reach
  // the command registers 0..7 or the measured registers.
  int WriteMultiple(std::uint16_t first, const std::vector<std::uint16_t>& words);

  // ---- The physical model ----
  // Lets `seconds` of model time pass with the chamber at chamberC.
  void Advance(double seconds, double chamberC);
  // The gas of a graduation step at the window: 0 zero gas, 1 the middle
  // mixture (GRAD_CONC1), 2 the high mixture (GRAD_CONC2), each as the run
  // wrote it: concentration / LEL_CONC x 1,000,000, LEL_CONC as the register holds it.
  // Returns the vol.% fed.
  double FeedGraduationGas(int mixture);
  // The gas of a graduation step (as above) without feeding it, vol.%.
  double GraduationGas(int mixture) const;
  // What an ideal, noise-free detector measures at a temperature register
  // value with a gas at its window (vol.%): R and W as the registers hold
  // them, correction factors included. The yardstick of the tables a
  // graduation makes of this detector.
  void TrueSignals(double temperatureUnits, double volPercent, double* r, double* w) const;
  // Gas at the detector's window, vol.%; the reading follows it with a lag.
  void SetGas(double volPercent);
  double Gas() const { return gas_; }
  // A detector fault (clears status bit 0x01 and drives the fault current).
  void SetServiceable(bool ok);
  bool Serviceable() const { return serviceable_; }
  double HousingTemperature() const { return temperature_; }
  // Concentration the detector reports, %LEL and vol.% (before rounding).
  double ReadingLel() const { return readingLel_; }
  double ReadingVolume() const { return readingVol_; }
  bool PasswordAccepted() const { return passwordOk_; }
  // Gas concentration of 100 %LEL as the detector holds it (LEL_CONC), vol.%.
  double LelVolume() const { return RegisterLel(); }

  const RegisterImage& Registers() const { return regs_; }
  std::uint16_t Register(int address) const { return regs_[static_cast<std::size_t>(address)]; }

  // Whether a single write may not reach the register: the measured values,
  // which the detector recomputes all the time.
  bool IsMeasured(int address) const;

 private:
  struct CalPoint {
    double absorbance;
    double volume;
  };

  void FactoryDefaults();
  void FactoryGraduationTable();
  void SetGasCode(int code);
  double GasLel() const;          // the physics' LEL of the gas, vol.%
  double RegisterLel() const;     // LEL_CONC as the detector holds it, vol.%
  double RawR(double t) const;    // channel signals before the correction factors
  double RawW(double t, double volume) const;
  double Compensation(double t) const;
  // Temperature and the two channels as measured now (correction factors and noise included).
  void Signals(double* t, double* r, double* w) const;
  double VolumeFromAbsorbance(double a) const;
  int Calibrate(bool main, std::uint16_t value);
  void CaptureGraduationPoint(int column, int point);
  std::uint16_t BadGraduationPoints() const;
  void StepRelayTest(double seconds);
  void UpdateMeasured();
  // The steps of WriteSingle: the commands and settings at the addresses
  // every type shares, the settings the type's layout places, the Z5's
  // commands; nothing when the register is not theirs.
  std::optional<int> WriteFixedRegister(int address, std::uint16_t value);
  std::optional<int> WriteLayoutRegister(int address, std::uint16_t value);
  int WriteRelayTest(std::uint16_t value);
  std::optional<int> WriteZ5Command(int address, std::uint16_t value);
  int CaptureCommand(std::uint16_t value);  // captures a graduation point (needs the password)
  // A write's exception code; the measured values follow at once when it succeeded.
  int Remeasured(int ex);
  void UpdateStatus(double lel);
  void Set(int address, int value);

  int type_;
  std::uint8_t address_;
  std::uint16_t baudCode_;
  RegisterImage regs_{};
  CSimRandom rng_;

  // Model state.
  double temperature_;         // housing, degC
  double gas_ = 0;             // at the window, vol.%
  double gasSeen_ = 0;         // inside the optical cell (lags gas_)
  double noiseR_ = 0, noiseW_ = 0, noiseT_ = 0;
  bool serviceable_ = true;
  double zeroRatio_ = 1;       // compensated W/R at the last zero setting
  std::vector<CalPoint> calibration_;  // span points besides (0, 0)
  double readingLel_ = 0, readingVol_ = 0;
  bool latched1_ = false, latched2_ = false;
  bool relayTest_ = false;
  double testLel_ = 0;
  bool passwordOk_ = false;
};

}  // namespace kvl
