#pragma once
// Just enough JSON for kvlctl's one-line objects.
#include <cstdint>
#include <string>
#include <vector>

namespace kvl::ctl {

// A JSON string literal, quotes included. UTF-8 passes through; quotes,
// backslashes and control characters are escaped.
std::string JsonString(const std::string& text);
// "[1, 2, 3]"
std::string JsonWords(const std::vector<std::uint16_t>& words);

}  // namespace kvl::ctl
