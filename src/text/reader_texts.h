#pragma once
// What every file reader says when it refuses a line: the place (file and
// line), the token and why the number grammar or the file's structure does
// not take it, and what a file whose last line has no end needs. One wording
// for every reader (run data, table, settings, configuration); the readers
// decide, this only words.
#include <span>
#include <string>
#include <string_view>

#include "text/language.h"
#include "text/number_grammar.h"

namespace kvl::txt {

extern const TextEntry kLine;             // "line"
extern const TextEntry kTokenEmpty;       // "no value"
extern const TextEntry kTokenNotNumber;   // "not a number"
extern const TextEntry kTokenNotWhole;    // "not a whole number"
extern const TextEntry kTokenOutOfRange;  // "out of range"
// "the last line has no line end: the file may be cut there. If it is whole,
// end its last line (Enter at its end) and read the file again"
extern const TextEntry kLastLineUnended;
extern const TextEntry kGivenTwice;        // "given twice"
extern const TextEntry kPointsNotRising;   // "T does not increase from point to point"
extern const TextEntry kPastItsBlock;      // "the register line reaches past its block"
extern const TextEntry kNotInABlock;       // "no register block starts or lies there"
extern const TextEntry kLineMissing;       // "missing" (after the key or line name)
extern const TextEntry kFieldCount;        // "fields: %d, the header's format has %d"
extern const TextEntry kValueMissing;      // "value missing or out of range"
// "no sample between T=%d and T=%d: the table there would be a guess"
extern const TextEntry kNoSampleSpan;
// "stage %d (%+d°C) of the run has no clean-air sample: its data were lost"
extern const TextEntry kStageMissing;
// "%zu samples lie farther than deltaDmax=%d from the table:"
extern const TextEntry kOutliersHead;
extern const TextEntry kOutlierDifference;  // "difference"
extern const TextEntry kWriteWithOutliers;  // "Write the table all the same?"
// "Configuration lines out of range; their defaults are loaded:"
extern const TextEntry kConfigLinesReplaced;

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllReaderTexts();

}  // namespace kvl::txt

namespace kvl {

// "File <name>, line <n>: " (UTF-8); a line of 0 names the file only, a
// file without a name the line only ("" for neither).
std::string PlaceOfLine(std::string_view file, std::size_t line, LanguageIndex language);
// Why the grammar refused a token ("not a number", ...).
const char* TokenWhy(TokenVerdict verdict, LanguageIndex language);
// "<place>"<token>" - <why>", the token shown printable.
std::string TokenRefusal(std::string_view file, std::size_t line, std::string_view token, TokenVerdict verdict,
                         LanguageIndex language);

}  // namespace kvl
