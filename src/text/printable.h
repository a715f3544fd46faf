#pragma once
// A piece of a file shown inside a message: decoded like every text read
// (text/cp1251.h), control bytes written as "\xNN" so that a NUL tail or a
// stray CR cannot hide or break the message, and a long piece cut with
// "...". Never used for what is written back to a file or a detector.
#include <cstddef>
#include <string>
#include <string_view>

namespace kvl {

inline constexpr std::size_t kPrintableChars = 40;

// UTF-8, at most maxChars characters of the piece (escapes counting their
// four characters) followed by "..." when more was there.
std::string PrintableText(std::string_view bytes, std::size_t maxChars = kPrintableChars);

}  // namespace kvl
