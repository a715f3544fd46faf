#include "link/traffic_line.h"

#include <ctime>

#include "link/frame_decoding.h"
#include "link/serial_port.h"
#include "platform/clock.h"
#include "text/format.h"
#include "text/traffic_texts.h"

namespace kvl {

namespace {

// The highest address a Modbus RTU slave can have.
constexpr int kMaxAddress = 247;

// Characters, not bytes: the Russian words take two bytes a letter.
std::size_t Utf8Length(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

TrafficClock TrafficClock::Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return {MonotonicNs(), std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec};
}

std::string TrafficLine(const LinkFrame& frame, const TrafficClock& clock, LanguageIndex lang, TrafficLayout layout) {
  const std::int64_t ms = (clock.realtimeNs + (frame.monotonicNs - clock.monotonicNs)) / 1000000;
  const std::time_t seconds = std::time_t(ms / 1000);
  const std::tm local = platform::LocalTime(seconds);
  return Format("%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min, local.tm_sec, int(ms % 1000)) +
         TrafficFrameText(frame, lang, layout);
}

std::string TrafficFrameText(const LinkFrame& frame, LanguageIndex lang, TrafficLayout layout) {
  std::string line = frame.direction == FrameDirection::Sent ? "->" : "<-";
  if (frame.bytes.empty())
    return line + " " + (frame.direction == FrameDirection::Sent ? txt::kFrameNothingSent : txt::kFrameNoAnswer)(lang);
  std::string bytes;
  for (std::uint8_t b : frame.bytes) bytes += Format(" %02X", unsigned(b));
  std::string words = DecodeFrame(frame.bytes, lang);
  if (frame.direction == FrameDirection::Received && frame.result != 0) words += Format(txt::kFrameResult(lang), frame.result);
  if (layout == TrafficLayout::BytesFirst) return line + bytes + "  | " + words;
  // The words in a column of their own, so that the bytes after them line up.
  constexpr std::size_t kWordsColumn = 44;
  const std::size_t shown = Utf8Length(words);
  if (shown < kWordsColumn) words.append(kWordsColumn - shown, ' ');
  return line + " " + words + " |" + bytes;
}

bool CAddressFilter::Parse(const std::string& text) {
  std::bitset<256> addresses;
  bool any = false;
  std::size_t at = 0;
  auto skipSeparators = [&] {
    while (at < text.size() && (text[at] == ' ' || text[at] == ',' || text[at] == '\t')) ++at;
  };
  auto number = [&](int* out) {
    const std::size_t start = at;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= kMaxAddress) value = value * 10 + (text[at++] - '0');
    *out = value;
    return at > start && value <= kMaxAddress;
  };
  for (skipSeparators(); at < text.size(); skipSeparators()) {
    int first = 0, last = 0;
    if (!number(&first)) return false;
    last = first;
    const std::size_t afterFirst = at;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && text[at] == '-') {
      ++at;
      while (at < text.size() && text[at] == ' ') ++at;
      if (!number(&last) || last < first) return false;
    } else {
      at = afterFirst;  // the blanks separate this address from the next
    }
    if (at < text.size() && text[at] != ' ' && text[at] != ',' && text[at] != '\t') return false;
    for (int a = first; a <= last; ++a) addresses.set(std::size_t(a));
    any = true;
  }
  all_ = !any;
  addresses_ = addresses;
  return true;
}

bool CAddressFilter::Passes(const TrafficFrame& frame) const {
  if (all_ || frame.address == 0) return true;
  return frame.address > 0 && addresses_.test(std::size_t(frame.address));
}

}  // namespace kvl
