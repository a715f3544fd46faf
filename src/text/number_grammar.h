#pragma once
// The one number grammar of every file the program reads (run data, table,
// settings, configuration, graduation log, chamber and valve profiles).
//
// A token is the whole text between its field's separators. It is either a
// complete number of the field's kind, within what the field can hold, or it
// is refused: nothing is ever read as its leading digits ("10?8" is not 10,
// "0,25" is not 0). What it owns: the forms a number may take, the range
// check, and where a keyed value ("Modbus_number=17") ends. What it never
// does: word the refusal (the reader names file, line and token in its own
// language).
#include <string_view>

namespace kvl {

enum class TokenVerdict {
  kGood,
  kEmpty,       // nothing but blanks
  kNotANumber,  // a character no number of this kind has, or a second number
  kNotWhole,    // a decimal where a whole number belongs ("450.5")
  kOutOfRange,  // a number, but not one the field can hold (or not finite)
};

// Whole numbers: blanks and tabs around, an optional sign, decimal digits
// (leading zeros allowed). A decimal form is taken when its value is exactly a
// whole number ("450.0", "4.5e2"), as the program's own files may write one.
TokenVerdict ParseWholeToken(std::string_view token, long long lo, long long hi, long long* out);

// Decimals: blanks and tabs around, C-locale form ("-1.25", "+3", ".5",
// "2.5e-3"), finite, within [lo, hi]. No decimal comma, no hex, no "nan".
TokenVerdict ParseDecimalToken(std::string_view token, double lo, double hi, double* out);

// Hexadecimal whole numbers (a KVELT settings file's registers): blanks and
// tabs around, digits 0-9 and A-F in one case (leading zeros allowed, "0000"
// is 0), no sign, no "0x", at most `hi`.
TokenVerdict ParseHexToken(std::string_view token, unsigned long long hi, unsigned long long* out);

// The value after a key, from `from` of a line: blanks skipped, up to a
// blank, tab, comma, semicolon or control character. A number that follows
// past blanks only ("1 7", "22 60"), or right after a comma or semicolon
// ("0,25"), joins it, so the two are refused as one damaged token instead of
// read as the first.
std::string_view KeyedValueToken(std::string_view line, std::size_t from);

// The token without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view token);

}  // namespace kvl
