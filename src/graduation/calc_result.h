#pragma once
// What the operator reads about a calculated sensor and what is written into
// it: the result text (one table per fitted segment, the written one first)
// and the register blocks of the detector type. Never talks to the link.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "graduation/calc_types.h"

namespace kvl {

// The table text of one segment: "Sensor 123,  File 123_0.grad:\r\n", the
// point lines and, for type Z5, the warnings about T[0] and T[7].
std::string SegmentResultText(const CalcSensor& sensor, const SegmentTable& table, int type, LanguageIndex lang);

// Every fitted segment's text, the written one first, each followed by "\r\n".
// The window appends the write question ("Write the graduation table to device? ").
std::string ResultText(const CalcSensor& sensor, const SensorTables& tables, int type, LanguageIndex lang);

// The blocks written for a table, in writing order. Type Z5: block 1 at
// register 96 (left out when the files gave no Power, KUR or KUW: a value never
// read is not written), block 2 at 104, block 3 at 128 (the only one reported).
// KVELT: one block at 24 (T[i] from the top). Z and Z40: one block at 24
// (T[i] x 10, then D[i]).
std::vector<RegisterBlock> RegisterBlocks(const CalcSensor& sensor, const SegmentTable& table, int type);

// The sensor's serial number as its files give it (1..4294967295), the one
// its table may be written into; none when the files give no such number.
std::optional<std::uint32_t> SensorSerialNumber(const CalcSensor& sensor);

// Clears the stored table registers of a slot's image before files are read:
// KVELT 24..55 and 58..63, Z5 96..100 and 104..159 (other types keep theirs).
void ClearTableRegisters(int type, RegisterImage& image);

}  // namespace kvl
