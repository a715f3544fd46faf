#pragma once
// One line of plain words for a Modbus RTU frame as it went over the line:
// who it is for, what it asks or answers, and whether it is whole. For the
// frame traces of kvlctl and the traffic view; it never changes a frame and
// never judges an answer against its request (the link does that).
//
// The frame's kind needs no direction: a read request is always 8 bytes while
// a read answer carries its byte count, and a block write's answer is 8 bytes
// while its request carries its byte count; a single write's answer echoes it.
#include <cstdint>
#include <string>
#include <vector>

#include "text/language.h"

namespace kvl {

// "addr 1: read holding 0..9 (10)", "addr 1: 10 words 264 0 ...",
// "addr 2: write 5 = 40", "addr 2: write 5..6 (2) = 1 2", "addr 2: wrote 5..6 (2)",
// "addr 3: exception 2 (illegal data address) to function 3",
// "broadcast: write 0 = 264", "CRC wrong", "too short (3 bytes)", "nothing".
// The words are the language's; the numbers read the same in every language.
std::string DecodeFrame(const std::vector<std::uint8_t>& frame, LanguageIndex lang = kEnglish);

}  // namespace kvl
