#pragma once
// How what the operator typed is read: blanks, decimal commas and slashes,
// leading "+" and "0", whole numbers that must read back as typed, and
// scaling a decimal quantity to its register unit. Locale-independent. The
// commands, the detector table's address list and the imitation's
// concentration all read with it; it never decides whether a value is
// allowed (the caller's rules do).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvl {

// Surrounding blanks (spaces and tabs) removed.
std::string TrimBlanks(std::string_view text);
// Every blank removed, wherever it stands.
std::string RemoveBlanks(std::string_view text);
// "," (and, with slashes, "/") turned into ".".
std::string DecimalPoint(std::string_view text, bool slashes = false);

// The number a text starts with, as the decimal commands read it ("4.4x"
// reads 4.4); nothing when it starts with no number or reads infinite or NaN.
std::optional<double> LeadingNumber(std::string_view text);

// A whole number with an optional sign that is the whole text, and within
// long range; nothing otherwise ("12a", "1e3", "" give nothing).
std::optional<long long> WholeNumber(std::string_view text);

// floor(x * scale + 0.5): the register value of a decimal quantity, still a
// double so that callers range-check it before converting (huge inputs
// cannot overflow).
double RoundScaled(double x, double scale);

}  // namespace kvl
