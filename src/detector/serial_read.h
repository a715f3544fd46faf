#pragma once
// Reading a detector's serial number over the link, for the identity check
// of a write list (link/write_list.h): the registers of the type's serial
// number (register_map.h). Knows the registers; never decides what is written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/write_list.h"

namespace kvl {

// The serial read of a type (0..4). A type below 0 (a tool not told the type)
// reads registers 1..100 at once and takes the type they fit best, as the
// address search does (type_guess.h).
SerialRead SerialReaderFor(int type);

// The identity of a file's content written into detectors of `type`: only
// the detector with serial `expected` is written, or, when the file names no
// serial, the one the operator confirms. `polled`: the addresses looked at
// for the file's detector when another answers.
WriteIdentity FileIdentity(int type, std::string file, std::optional<std::uint32_t> expected,
                           std::vector<std::uint8_t> polled);

// The serial number a file's name gives: a name whose stem (before the last
// dot) is only decimal digits, 1..4294967295 ("2400017.tab"); otherwise none.
std::optional<std::uint32_t> SerialFromFileName(std::string_view path);

}  // namespace kvl
