#pragma once
// Per-detector figures of a master's line, taken from the frames the link
// reports: answer latency (from the request leaving to the answer's end) and
// the failures by kind. It watches, passes every frame on to the next
// observer (a trace), and never touches the line or a transaction.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "link/link_observer.h"

namespace kvl {

struct DetectorLinkStats {
  std::uint64_t requests = 0;
  std::uint64_t answers = 0;  // whole, addressed, accepted answers
  std::uint64_t noAnswer = 0;
  std::uint64_t shortFrames = 0;   // cut off: fewer bytes than the answer called for, no whole frame
  std::uint64_t crcErrors = 0;
  std::uint64_t exceptions = 0;
  std::uint64_t wrongAddress = 0;  // a whole frame from another slave
  std::uint64_t otherErrors = 0;   // wrong function, count or refused write
  double minMs = 0, maxMs = 0, sumMs = 0;  // over the answers
  double MeanMs() const { return answers ? sumMs / double(answers) : 0; }
};

class CLinkStats : public CLinkObserver {
 public:
  explicit CLinkStats(CLinkObserver* next = nullptr) : next_(next) {}
  void OnFrame(const LinkFrame& frame) override;
  // By slave address.
  std::map<int, DetectorLinkStats> Snapshot() const;
  // Starts the figures afresh; the answer to a request already sent is not counted.
  void Reset();

 private:
  CLinkObserver* next_;
  mutable std::mutex mutex_;
  int pendingAddress_ = -1;  // the request awaiting its answer
  std::int64_t pendingNs_ = 0;
  std::size_t pendingLength_ = 0;  // of the whole answer it calls for, 0 unknown
  std::map<int, DetectorLinkStats> stats_;
};

// "addr 1: 20 requests, 19 answers, latency min/mean/max 12.1/13.0/15.2 ms;
// no answer 1, CRC 0, short 0, exception 0, wrong address 0, other 0"
std::string LinkStatsLine(int address, const DetectorLinkStats& s);

}  // namespace kvl
