#pragma once
// The eight temperature stages of a graduation run: stage s (1..8) runs from
// the hottest to the coldest and records graduation point 8 - s.
namespace kvl {

inline constexpr int kGraduationStages = 8;

// Stage temperature in degC. Type Z5: 85, 65, 45, 22, 0, -20, -40, -60.
// Other types: tLow + round((8 - s) * (tHigh - tLow) / 7), with tLow and
// tHigh the second numbers of the configuration's T[0] and T[7] lines.
int StageTemperature(int type, int stage, int tLow, int tHigh);

// Graduation point of a stage, and the stage of a point.
constexpr int StagePoint(int stage) { return kGraduationStages - stage; }
constexpr int PointStage(int point) { return kGraduationStages - point; }

}  // namespace kvl
