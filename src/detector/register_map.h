#pragma once
// Where each quantity lives in a detector's holding registers, per detector
// type, and how a register's 16 bits are read. Addresses are protocol
// addresses (0-based, equal to the register image index); operators see
// RegisterNumber(address) = address + 1.
#include <cstdint>

#include "detector/detector_kinds.h"

namespace kvl {

// ---------------------------------------------------------------------------
// Registers at the same address in every type.
namespace reg {

inline constexpr int kAddressBaud = 0;  // written as address * 256 + baud code
inline constexpr int kStatus = 1;       // high byte gas code, low byte status bits
inline constexpr int kLimits = 3;       // high byte limit 1, low byte limit 2 (%LEL)
inline constexpr int kDm = 4;
inline constexpr int kR = 5;            // reference channel
inline constexpr int kW = 6;            // working channel
inline constexpr int kD = 7;
inline constexpr int kT = 8;            // detector temperature
inline constexpr int SER_NUM = 9;       // serial number (low word when 32-bit)
inline constexpr int kConcentration = 10;        // signed, 0.1 %LEL
inline constexpr int kFirmware = 11;             // high byte major, low byte minor
inline constexpr int kVolumeConcentration = 13;  // signed, 0.001 vol.%
inline constexpr int kRo = 14;                   // initial R
inline constexpr int kWo = 15;                   // initial W
inline constexpr int SER_NUM_HIGH = 79;          // serial number high word (32-bit serials)
inline constexpr int kPassword = 32;             // access code for protected settings

// Status bits (low byte of kStatus).
inline constexpr std::uint16_t kStatusServiceable = 0x01;  // clear = fault
inline constexpr std::uint16_t kStatusLimit1 = 0x02;       // relay 1 active
inline constexpr std::uint16_t kStatusLimit2 = 0x04;       // relay 2 active

// One-shot command registers: writing acts, reading gives the meaning above.
inline constexpr int kCmdSetZero = 1;
inline constexpr int kCmdAddCalibration = 2;
inline constexpr int kCmdMainCalibration = 3;
inline constexpr int kCmdFactoryDefaults = 4;  // every type but Z5
inline constexpr int kCmdLimit1 = 5;
inline constexpr int kCmdLimit2 = 6;

// Baud codes of register 0's low byte.
inline constexpr std::uint16_t kBaud1200 = 1, kBaud2400 = 2, kBaud4800 = 4, kBaud9600 = 8, kBaud19200 = 16;

// Settings blocks of type KVELT saved and restored whole by settings files.
inline constexpr int kKveltSettingsFirst = 24;  // 24..55
inline constexpr int kKveltSettingsLast = 55;
inline constexpr int kKveltSettings2First = 58;  // 58..63
inline constexpr int kKveltSettings2Last = 63;

// Firmware from which a KVELT detector keeps a 32-bit serial number (7.47).
inline constexpr std::uint16_t kSerial32Firmware = 0x072F;

}  // namespace reg

// ---------------------------------------------------------------------------
// Registers of type Z5 only (besides its entries in RegisterLayout).
namespace reg::z5 {

inline constexpr int kSensorTemperature = 16;  // signed, 0.1 degC ("°C" cell)
inline constexpr int CV = 17;                  // signed, x 0.1
inline constexpr int CV_VOL = 18;              // signed, x 0.001
inline constexpr int GAS = 21;                 // gas code setting
inline constexpr int LEL_CONC = 22;            // 100 %LEL in 0.001 vol.%
inline constexpr int kFlags = 23;              // bits 0x08, 0x20, 0x10, 0x40
inline constexpr int kLatching1 = 34;          // 0 no latching, 1 latching
inline constexpr int kLatching2 = 35;
inline constexpr int kShowNegative = 36;       // show negative concentration, 0/1
inline constexpr int kSwitchToHart = 37;       // command: write 1
inline constexpr int kFactoryDefaults = 47;    // command: 5, 10 or 20
inline constexpr int kBadGraduation = 50;      // bits 0..7 = graduation points
inline constexpr int kGradRecalc = 94;         // command: write 1
inline constexpr int GRAD_CONC1 = 96;
inline constexpr int GRAD_CONC2 = 97;
inline constexpr int GRAD_POWER = 98;
inline constexpr int GRAD_KUR = 99;
inline constexpr int GRAD_KUW = 100;

inline constexpr std::uint16_t kFlagC = 0x08, kFlagM = 0x20, kFlagR = 0x10, kFlagG = 0x40;

// Graduation table G0..G7: line k (0..7), column j (0..6) at 104 + 8 j + k.
inline constexpr int kGradTableFirst = 104;
inline constexpr int kGradTableLast = 159;
inline constexpr int kGradTableLines = 8;
inline constexpr int kGradTableColumns = 7;
constexpr int GradTableAddress(int line, int column) { return kGradTableFirst + 8 * column + line; }

}  // namespace reg::z5

// ---------------------------------------------------------------------------
// Registers of type Z40 only (besides its entries in RegisterLayout).
namespace reg::z40 {

inline constexpr int kMagneticCalibrationCommand = 7;  // write: magnetic calibration
inline constexpr int kLatching = 91;   // bit 0x02 relay 1, bit 0x04 relay 2
inline constexpr int kRu6310 = 92;     // bit 0: RU6310 compliance
inline constexpr std::uint16_t kLatching1Bit = 0x02;
inline constexpr std::uint16_t kLatching2Bit = 0x04;
inline constexpr std::uint16_t kRu6310OffCode = 41257;

// Relay test register (RegisterLayout::relayTest = 89): three 2-bit fields,
// each 1 = forced off, 2 = forced on, 3 = normal operation.
inline constexpr int kFieldServiceability = 0;  // bits 0..1
inline constexpr int kFieldRelay1 = 2;           // bits 2..3
inline constexpr int kFieldRelay2 = 4;           // bits 4..5
inline constexpr std::uint16_t kRelayTestAllForced = 21;  // every field 1
inline constexpr std::uint16_t kRelayTestAllNormal = 63;  // every field 3
constexpr unsigned RelayField(std::uint16_t word, int shift) { return (word >> shift) & 3u; }

}  // namespace reg::z40

// ---------------------------------------------------------------------------
// Registers whose address depends on the type. -1: the type has no such
// register. Addresses marked "write" are the ones the commands write to; all
// others are read from the image.
struct RegisterLayout {
  int LEL_CONC;             // 100 %LEL in vol.%: x 0.01 (Z5: x 0.001)
  int outputCurrent;        // 0.001 mA; -1 for KVELT (computed from the concentration)
  int magneticCalibration;  // 0.001 vol.%, signed (Z40 unsigned)
  int magneticCalibrationWrite;
  int emitterPower;         // 0..4095
  int emitterVoltage1;      // KVELT only: ADC counts for the computed power
  int emitterVoltage2;
  int heatingOn;            // 0 off, 1 on
  int heatingValue;         // signed 0.01 (Z5: unsigned integer)
  int heaterPower;          // "P heat"
  int KUR;                  // reference channel correction factor, 10000 = 1
  int KUW;                  // working channel correction factor, 10000 = 1
  int zeroingNegative;      // zeroing of negative concentration, 0/1
  int relayTest;            // relay test state (Z40: three 2-bit fields)
  int relayTestStep;        // write: test step before switching the test on
  int relay1ReadBack;       // 0xFFFF = none
  int relay2ReadBack;
  int gasSetting;           // write: gas code (Z5: GAS, then LEL_CONC)
  int serialSetting;        // write: serial number low word (high word in SER_NUM_HIGH)

  bool temperatureInTenths;          // T (address 8) is x 0.1 rather than whole degrees
  bool lelConcInThousandths;         // LEL_CONC x 0.001 rather than x 0.01
  bool magneticCalibrationSigned;
  bool heatingValueInHundredths;     // heating limit value signed x 0.01 rather than integer
};

// The layout of a type; for a type outside 0..4 every address is -1.
const RegisterLayout& LayoutFor(int type);

// ---------------------------------------------------------------------------
// Value kinds.
constexpr int Signed16(std::uint16_t word) { return word >= 0x8000 ? int(word) - 65536 : int(word); }
constexpr unsigned HighByte(std::uint16_t word) { return word >> 8; }
constexpr unsigned LowByte(std::uint16_t word) { return word & 0xFFu; }
constexpr std::uint32_t Join32(std::uint16_t high, std::uint16_t low) {
  return (std::uint32_t(high) << 16) | low;
}

// ---------------------------------------------------------------------------
// Register access for a slot's image.
constexpr unsigned GasCode(ImageView image) { return HighByte(image[reg::kStatus]); }
constexpr unsigned StatusBits(ImageView image) { return LowByte(image[reg::kStatus]); }
constexpr bool IsServiceable(ImageView image) { return (image[reg::kStatus] & reg::kStatusServiceable) != 0; }

struct FirmwareVersion {
  unsigned major;
  unsigned minor;
};
constexpr FirmwareVersion Firmware(ImageView image) {
  return {HighByte(image[reg::kFirmware]), LowByte(image[reg::kFirmware])};
}

// Z5 detectors, and KVELT detectors from firmware 7.47, keep a 32-bit serial
// number: high word at SER_NUM_HIGH, low word at SER_NUM.
constexpr bool HasSerial32(int type, ImageView image) {
  return type == kTypeZ5 || (type == kTypeKvelt && image[reg::kFirmware] >= reg::kSerial32Firmware);
}
constexpr std::uint32_t SerialNumber(int type, ImageView image) {
  return HasSerial32(type, image) ? Join32(image[reg::SER_NUM_HIGH], image[reg::SER_NUM])
                                  : image[reg::SER_NUM];
}

// Concentration in %LEL (address 10, signed x 0.1).
constexpr double ConcentrationLel(ImageView image) { return Signed16(image[reg::kConcentration]) * 0.1; }

// Temperature (address 8) as the detector counts it: degrees C for Z and
// Z40 (tenths), device units for KVELT and Z5.
double Temperature(int type, ImageView image);

// The type's nominal conversion between its temperature count and degrees C.
// KVELT and Z5 count in device units along their typical graduation table
// (a Z5 about 3.7 a degree); a single detector may lie a few degrees off it,
// which is good enough to weigh a change or to name a temperature, never to
// replace the detector's own table. Z and Z40 count in degrees: 1 a degree.
double DeviceUnitsPerDegree(int type);
double NominalCelsius(int type, double units);
double NominalUnits(int type, double degreesC);
// Whether the type's temperature count is in device units, not degrees.
bool CountsInDeviceUnits(int type);

// Emitter power of a KVELT detector from its two emitter voltage registers.
double KveltEmitterPower(std::uint16_t voltage1Word, std::uint16_t voltage2Word);

}  // namespace kvl
