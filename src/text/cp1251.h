#pragma once
// Windows-1251 <-> UTF-8. Every file the workstation writes is Windows-1251;
// the texts in the source are UTF-8, so this is the one place that converts.
#include <string>
#include <string_view>

namespace kvl {

// UTF-8 -> Windows-1251. Returns false if some character has no Windows-1251 form; `out` then
// holds the encodable rest with '?' in place of each unmappable character, and *firstBad (if
// given) the first unmappable character in UTF-8. Never drops characters silently.
// A byte sequence that is not UTF-8 at all counts as unmappable too: it becomes one '?' per
// offending byte, and *firstBad receives those raw bytes.
bool EncodeCp1251(std::string_view utf8, std::string& out, std::string* firstBad = nullptr);

// Windows-1251 -> UTF-8 (total). The one byte Windows-1251 leaves undefined (0x98) maps to
// U+0098, as Windows itself does, so decoding and encoding again gives back the same bytes.
std::string DecodeCp1251(std::string_view bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Reader side: bytes that are valid UTF-8 stay as they are, anything else is read as Windows-1251.
std::string DecodeTextBytes(std::string_view bytes);

}  // namespace kvl
