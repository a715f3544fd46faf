#pragma once
// One text line per frame of a traffic view or its saved file, and the
// address rule that picks which frames a view shows; plain ASCII in English.
// It never reads the line and never judges an answer (the link does; its
// result is shown as it came).
#include <bitset>
#include <cstdint>
#include <string>

#include "link/traffic_buffer.h"
#include "text/language.h"

namespace kvl {

// Ties the link's monotonic frame times to the wall clock, taken once.
struct TrafficClock {
  std::int64_t monotonicNs = 0;
  std::int64_t realtimeNs = 0;  // since the epoch, at monotonicNs
  static TrafficClock Now();
};

// Bytes first (kvlctl's trace, and the lines as they always read):
// "14:03:07.215 -> 01 03 00 00 00 0A C5 CD  | addr 1: read holding 0..9 (10)"
// "14:03:07.262 <- 01 83 02 C0 F1  | addr 1: exception 2 (illegal data address) to function 3  [result 4]"
// "14:03:07.715 <- (no answer)"
// Words first (the traffic window, whose long answers would push them out of sight):
// "14:03:07.215 -> addr 1: read holding 0..9 (10)                 | 01 03 00 00 00 0A C5 CD"
// Local time of day to the millisecond; an answer the link did not accept
// carries its result code. The words are the language's.
enum class TrafficLayout { BytesFirst, WordsFirst };
std::string TrafficLine(const LinkFrame& frame, const TrafficClock& clock, LanguageIndex lang = kEnglish,
                        TrafficLayout layout = TrafficLayout::BytesFirst);
// What follows the time stamp in a traffic line: the one frame text of every
// traffic view, kvlctl's trace included.
std::string TrafficFrameText(const LinkFrame& frame, LanguageIndex lang = kEnglish,
                             TrafficLayout layout = TrafficLayout::BytesFirst);

// Which detectors' frames a view shows: "" every frame; otherwise addresses
// and ranges separated by commas or spaces, "1", "1,3", "2-5", "1 4-6".
// Broadcasts reach every detector and pass any filter.
class CAddressFilter {
 public:
  // False when the text is no such list of addresses 0..247; the filter then stays as it was.
  bool Parse(const std::string& text);
  bool Passes(const TrafficFrame& frame) const;
  bool All() const { return all_; }

 private:
  bool all_ = true;
  std::bitset<256> addresses_;
};

}  // namespace kvl
