#include "detector/serial_read.h"

#include "detector/register_map.h"
#include "detector/type_guess.h"

namespace kvl {
namespace {

// The serial's low word and the firmware (which tells a KVELT's 32-bit serial).
constexpr std::uint16_t kLowFirst = reg::SER_NUM;
constexpr std::uint8_t kLowCount = reg::kFirmware - reg::SER_NUM + 1;
// What a type-less read takes: the common registers and every type's settings,
// the high word (79) among them.
constexpr std::uint16_t kGuessFirst = 1;
constexpr std::uint8_t kGuessCount = 100;

std::optional<std::uint32_t> ReadOfType(int type, const RegisterRead& read) {
  RegisterImage image{};
  if (read(kLowFirst, kLowCount, image.data() + kLowFirst) != 0) return std::nullopt;
  if (HasSerial32(type, image) && read(reg::SER_NUM_HIGH, 1, image.data() + reg::SER_NUM_HIGH) != 0)
    return std::nullopt;
  return SerialNumber(type, image);
}

std::optional<std::uint32_t> ReadGuessingType(const RegisterRead& read) {
  RegisterImage image{};
  if (read(kGuessFirst, kGuessCount, image.data() + kGuessFirst) != 0) return std::nullopt;
  return SerialNumber(GuessDetectorType(image), image);
}

}  // namespace

SerialRead SerialReaderFor(int type) {
  if (type < 0) return ReadGuessingType;
  return [type](const RegisterRead& read) { return ReadOfType(type, read); };
}

WriteIdentity FileIdentity(int type, std::string file, std::optional<std::uint32_t> expected,
                           std::vector<std::uint8_t> polled) {
  WriteIdentity id;
  id.read = SerialReaderFor(type);
  id.expected = expected;
  id.confirm = !expected;
  id.file = std::move(file);
  id.polled = std::move(polled);
  return id;
}

std::optional<std::uint32_t> SerialFromFileName(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  if (name.empty() || name.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + std::uint64_t(c - '0');
  }
  if (value < 1 || value > 0xFFFFFFFFu) return std::nullopt;
  return std::uint32_t(value);
}

}  // namespace kvl
