#include "link/frame_decoding.h"

#include "link/modbus_frames.h"
#include "text/format.h"

namespace kvl {
namespace {

// Words shown of a longer list; the rest is "...".
constexpr std::size_t kShownWords = 8;

std::uint16_t Word(const std::vector<std::uint8_t>& f, std::size_t at) {
  return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

std::string Range(unsigned first, unsigned count) {
  // A request for no register at all is a frame some peers send: say so, no backward range.
  if (count == 0) return Format("%u (none)", first);
  return count == 1 ? Format("%u", first) : Format("%u..%u (%u)", first, first + count - 1, count);
}

std::string WordList(const std::vector<std::uint8_t>& f, std::size_t at, std::size_t count) {
  std::string out;
  for (std::size_t k = 0; k < count && k < kShownWords; ++k) out += Format(k ? " %u" : "%u", unsigned(Word(f, at + 2 * k)));
  if (count > kShownWords) out += " ...";
  return out;
}

const char* ExceptionName(unsigned code) {
  switch (code) {
    case 1: return "illegal function";
    case 2: return "illegal data address";
    case 3: return "illegal data value";
    case 4: return "slave device failure";
    case 5: return "acknowledge";
    case 6: return "slave device busy";
    default: return "unknown";
  }
}

}  // namespace

std::string DecodeFrame(const std::vector<std::uint8_t>& f) {
  if (f.empty()) return "nothing";
  if (f.size() < 4) return Format("too short (%zu bytes)", f.size());
  if (!CrcOk(f.data(), f.size())) return "CRC wrong";
  const std::string who = f[0] == 0 ? "broadcast: " : Format("addr %u: ", unsigned(f[0]));
  const unsigned fn = f[1];
  const std::size_t n = f.size() - 2;  // without the CRC
  if (fn & 0x80) return who + Format("exception %u (%s) to function %u", unsigned(f[2]), ExceptionName(f[2]), fn & 0x7F);
  switch (fn) {
    case 3:
    case 4:
      if (n == 6) return who + Format("read %s ", fn == 3 ? "holding" : "input") + Range(Word(f, 2), Word(f, 4));
      if (n >= 3 && f[2] % 2 == 0 && n == 3u + f[2]) return who + Format("%u words ", unsigned(f[2] / 2)) + WordList(f, 3, f[2] / 2u);
      break;
    case 6:
      if (n == 6) return who + Format("write %u = %u", unsigned(Word(f, 2)), unsigned(Word(f, 4)));
      break;
    case 16:
      if (n == 6) return who + "wrote " + Range(Word(f, 2), Word(f, 4));
      if (n >= 7 && n == 7u + f[6] && f[6] == 2u * Word(f, 4))
        return who + "write " + Range(Word(f, 2), Word(f, 4)) + " = " + WordList(f, 7, Word(f, 4));
      break;
    default:
      return who + Format("function %u, %zu data bytes", fn, n - 2);
  }
  return who + Format("function %u, malformed (%zu bytes)", fn, f.size());
}

}  // namespace kvl
