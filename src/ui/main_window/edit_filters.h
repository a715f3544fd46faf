#pragma once
// What the window's digit-only fields keep of what the operator types.
#include <string>
#include <string_view>

namespace kvl {

// Every character that is not a digit removed ("1a2" -> "12").
std::string DigitsOnly(std::string_view typed);

// The recording period field's seconds; 0 for an empty field. Capped so the
// period in milliseconds stays within a timer's range.
long PeriodSeconds(std::string_view digits);

}  // namespace kvl
