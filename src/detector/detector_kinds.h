#pragma once
// Detector types, operating modes and the shape of a slot's register image:
// the numbers every part of the detector model is keyed by.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kvl {

// Positions of the "KVELT type" list. Type 2 has no name and is never left
// selected by the list, but its register layout exists.
enum DetectorType : int {
  kTypeKvelt = 0,
  kTypeZ = 1,
  kType2 = 2,
  kTypeZ40 = 3,
  kTypeZ5 = 4,
};
inline constexpr int kDetectorTypeCount = 5;
constexpr bool IsValidDetectorType(int type) { return type >= 0 && type < kDetectorTypeCount; }

// How tools and command lines name a type: "KVELT", "Z", "Z40", "Z5" (any
// case) or the number 0..4; -1 when the text names none.
int DetectorTypeFromName(std::string_view text);
// "KVELT", "Z", "2", "Z40", "Z5"; "?" for no type.
const char* DetectorTypeName(int type);
// How tools name a mode: the "Mode" list's names in English or Russian
// (ASCII letters in any case; "-", "_" and a blank alike) or the number
// 0..6; -1 when the text names none.
int OperatingModeFromName(std::string_view text);

// Positions of the "Mode" list.
enum OperatingMode : int {
  kModeTuning = 0,
  kModeCalibration = 1,
  kModeGraduation = 2,
  kModeGraduationZ5 = 3,
  kModeRunningIn = 4,
  kModeSaveSettings = 5,
  kModeImitation = 6,
};
inline constexpr int kOperatingModeCount = 7;
constexpr bool IsValidOperatingMode(int mode) { return mode >= 0 && mode < kOperatingModeCount; }

inline constexpr int kSlotCount = 20;

// Word k of a slot's image is the detector's holding register at protocol
// address k; operators see address + 1.
inline constexpr int kImageWords = 161;
using RegisterImage = std::array<std::uint16_t, kImageWords>;
using ImageView = std::span<const std::uint16_t, kImageWords>;

// The register number shown to the operator and written in files.
constexpr int RegisterNumber(int address) { return address + 1; }

}  // namespace kvl
