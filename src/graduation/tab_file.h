#pragma once
// Graduation table files: reading one (its keys searched in order over the
// joined lines, in any of the three languages for the Modbus number) and the
// block writes that put its table into the detector. Never touches the link:
// the window (or kvlctl write-tab) announces the batch and queues the writes.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/language.h"

namespace kvl {

inline constexpr int kTablePoints = 8;

struct GraduationTable {
  int address = 0;  // Modbus address 1..255
  std::array<std::int16_t, kTablePoints> T{}, D{};
  std::array<float, kTablePoints> K1{}, K2{}, K3{};
};

struct TableFileResult {
  std::optional<GraduationTable> table;  // set when the file is usable
  std::string refusal;                   // otherwise the message to show (UTF-8)
  bool gradLog = false;                  // refused as a graduation log (the run's record, same extension)
};

// Reads a table file's bytes (Windows-1251 or UTF-8; CR LF or LF); `name`
// is the file's name for the refusal. Every value is one token of the number
// grammar, ended by a separator or its line's end; every key is given once
// (a second Modbus number or point is another table spliced in, or a stray
// line); the points' T rise or fall from point to point; the last line ends
// with its line end.
TableFileResult ParseTableFile(std::string_view bytes, LanguageIndex language, std::string_view name = {});

// One multiple-register write (function 16) to the table's detector.
struct TableBlockWrite {
  std::uint8_t slave = 0;
  std::uint16_t first = 0;
  std::vector<std::uint16_t> words;
  bool operator==(const TableBlockWrite&) const = default;
};

// The register image of a table: T then D at 24..39, then K1, K2, K3 as
// single-precision bit patterns (high word first) at 86..133, as blocks of at
// most 24 words: 24..39, 86..109, 110..133.
std::vector<TableBlockWrite> TableBlockWrites(const GraduationTable& table);

// High and low 16 bits of a float's bit pattern.
std::array<std::uint16_t, 2> FloatWords(float value);

// The table-file operation over the operator's selection, in order: every
// table up to the first refused file, as one list of block writes. A file that
// cannot be read is passed over. The caller announces ONE batch of
// writes.size() writes (BeginBatch), queues them all (no report each), and
// then shows `refusal` if there is one, so the link's single batch report
// comes after the last write actually queued.
struct TableFilesPlan {
  std::vector<TableBlockWrite> writes;
  std::vector<std::string> filesQueued;  // paths whose tables are in `writes`
  std::optional<std::string> refusal;    // the refused file's message; later files were not read
  std::vector<std::string> unreadable;   // why each file passed over could not be read (names it)
};
TableFilesPlan PlanTableFiles(const std::vector<std::string>& paths, LanguageIndex language);

}  // namespace kvl
