#include "link/frame_decoding.h"

#include "link/modbus_frames.h"
#include "text/format.h"
#include "text/traffic_texts.h"

namespace kvl {
namespace {

// Words shown of a longer list; the rest is "...".
constexpr std::size_t kShownWords = 8;

std::uint16_t Word(const std::vector<std::uint8_t>& f, std::size_t at) {
  return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

std::string Range(unsigned first, unsigned count, LanguageIndex lang) {
  // A request for no register at all is a frame some peers send: say so, no backward range.
  if (count == 0) return Format("%u ", first) + txt::kFrameNone(lang);
  return count == 1 ? Format("%u", first) : Format("%u..%u (%u)", first, first + count - 1, count);
}

std::string WordList(const std::vector<std::uint8_t>& f, std::size_t at, std::size_t count) {
  std::string out;
  for (std::size_t k = 0; k < count && k < kShownWords; ++k) out += Format(k ? " %u" : "%u", unsigned(Word(f, at + 2 * k)));
  if (count > kShownWords) out += " ...";
  return out;
}

const char* ExceptionName(unsigned code, LanguageIndex lang) {
  static const TextEntry* const names[] = {&txt::kExceptionIllegalFunction, &txt::kExceptionIllegalAddress,
                                           &txt::kExceptionIllegalValue,    &txt::kExceptionDeviceFailure,
                                           &txt::kExceptionAcknowledge,     &txt::kExceptionBusy};
  return code >= 1 && code <= std::size(names) ? (*names[code - 1])(lang) : txt::kExceptionUnknown(lang);
}

}  // namespace

std::string DecodeFrame(const std::vector<std::uint8_t>& f, LanguageIndex lang) {
  using namespace txt;
  if (f.empty()) return kFrameNothing(lang);
  if (f.size() < 4) return Format(kFrameTooShort(lang), f.size());
  if (!CrcOk(f.data(), f.size())) return kFrameCrcWrong(lang);
  const std::string who = f[0] == 0 ? std::string(kFrameBroadcast(lang)) : Format(kFrameAddress(lang), unsigned(f[0]));
  const unsigned fn = f[1];
  const std::size_t n = f.size() - 2;  // without the CRC
  if (fn & 0x80)
    return who + Format(kFrameException(lang), unsigned(f[2]), ExceptionName(f[2], lang), fn & 0x7F);
  switch (fn) {
    case 3:
    case 4:
      if (n == 6) return who + (fn == 3 ? kFrameReadHolding : kFrameReadInput)(lang) + Range(Word(f, 2), Word(f, 4), lang);
      if (n >= 3 && f[2] % 2 == 0 && n == 3u + f[2])
        return who + Format(kFrameWords(lang), unsigned(f[2] / 2)) + WordList(f, 3, f[2] / 2u);
      break;
    case 6:
      if (n == 6) return who + kFrameWrite(lang) + Format("%u = %u", unsigned(Word(f, 2)), unsigned(Word(f, 4)));
      break;
    case 16:
      if (n == 6) return who + kFrameWrote(lang) + Range(Word(f, 2), Word(f, 4), lang);
      if (n >= 7 && n == 7u + f[6] && f[6] == 2u * Word(f, 4))
        return who + kFrameWrite(lang) + Range(Word(f, 2), Word(f, 4), lang) + " = " + WordList(f, 7, Word(f, 4));
      break;
    default:
      return who + Format(kFrameFunction(lang), fn, n - 2);
  }
  return who + Format(kFrameMalformed(lang), fn, f.size());
}

}  // namespace kvl
