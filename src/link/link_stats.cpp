#include "link/link_stats.h"

#include <algorithm>

#include "link/modbus_frames.h"
#include "text/format.h"

namespace kvl {

void CLinkStats::OnFrame(const LinkFrame& frame) {
  {
    std::lock_guard lock(mutex_);
    const auto& b = frame.bytes;
    if (frame.slaveRole) {
      // Playing detectors, the program answers requests: no figure of its polling.
      pendingAddress_ = -1;
    } else if (frame.direction == FrameDirection::Sent) {
      // A broadcast is never answered; it is no request of any one detector.
      pendingAddress_ = !b.empty() && b[0] != 0 ? b[0] : -1;
      pendingNs_ = frame.monotonicNs;
      pendingLength_ = AnswerLength(b);
      if (pendingAddress_ >= 0) ++stats_[pendingAddress_].requests;
    } else if (pendingAddress_ >= 0) {
      DetectorLinkStats& s = stats_[pendingAddress_];
      const bool whole = b.size() >= 4 && CrcOk(b.data(), b.size());
      if (b.empty()) {
        ++s.noAnswer;
      } else if (!whole && (b.size() < 4 || b.size() < pendingLength_)) {
        // Cut off: its CRC fails too, but what went wrong is the length.
        ++s.shortFrames;
      } else if (!whole) {
        ++s.crcErrors;
      } else if (b[0] != pendingAddress_) {
        ++s.wrongAddress;
      } else if (b[1] & 0x80) {
        ++s.exceptions;
      } else if (frame.result != 0) {
        ++s.otherErrors;
      } else {
        const double ms = double(frame.monotonicNs - pendingNs_) / 1e6;
        s.minMs = s.answers ? std::min(s.minMs, ms) : ms;
        s.maxMs = s.answers ? std::max(s.maxMs, ms) : ms;
        s.sumMs += ms;
        ++s.answers;
      }
      pendingAddress_ = -1;
    }
  }
  if (next_) next_->OnFrame(frame);
}

std::map<int, DetectorLinkStats> CLinkStats::Snapshot() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

void CLinkStats::Reset() {
  std::lock_guard lock(mutex_);
  stats_.clear();
  pendingAddress_ = -1;
}

std::string LinkStatsLine(int address, const DetectorLinkStats& s) {
  return Format("addr %d: %llu requests, %llu answers, latency min/mean/max %.1f/%.1f/%.1f ms; no answer %llu, CRC %llu, "
                "short %llu, exception %llu, wrong address %llu, other %llu",
                address, (unsigned long long)s.requests, (unsigned long long)s.answers, s.minMs, s.MeanMs(), s.maxMs,
                (unsigned long long)s.noAnswer, (unsigned long long)s.crcErrors, (unsigned long long)s.shortFrames,
                (unsigned long long)s.exceptions, (unsigned long long)s.wrongAddress, (unsigned long long)s.otherErrors);
}

}  // namespace kvl
