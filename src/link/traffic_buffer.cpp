#include "link/traffic_buffer.h"

#include <algorithm>

namespace kvl {

CTrafficBuffer::CTrafficBuffer(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

void CTrafficBuffer::OnFrame(const LinkFrame& frame) {
  std::lock_guard lock(mutex_);
  TrafficFrame& slot = ring_[next_ % ring_.size()];
  slot.seq = next_++;
  // A frame opening an exchange names its address; its answer (or its
  // absence) takes that one. In the slave role the request is the received one.
  const bool opens = frame.slaveRole ? frame.direction == FrameDirection::Received : frame.direction == FrameDirection::Sent;
  if (opens) pendingAddress_ = frame.bytes.empty() ? -1 : frame.bytes[0];
  slot.address = pendingAddress_;
  slot.frame.direction = frame.direction;
  slot.frame.bytes.assign(frame.bytes.begin(), frame.bytes.end());  // keeps the slot's storage
  slot.frame.monotonicNs = frame.monotonicNs;
  slot.frame.result = frame.result;
  slot.frame.slaveRole = frame.slaveRole;
}

TrafficPull CTrafficBuffer::Since(std::uint64_t since, std::size_t maxFrames) const {
  TrafficPull pull;
  std::lock_guard lock(mutex_);
  const std::uint64_t oldest = next_ > ring_.size() ? next_ - ring_.size() : 0;
  std::uint64_t first = std::min(since, next_);
  if (first < oldest) {
    pull.dropped = oldest - first;
    first = oldest;
  }
  const std::uint64_t count = std::min<std::uint64_t>(next_ - first, maxFrames);
  pull.frames.reserve(std::size_t(count));
  for (std::uint64_t s = first; s < first + count; ++s) pull.frames.push_back(ring_[s % ring_.size()]);
  pull.next = first + count;
  return pull;
}

std::uint64_t CTrafficBuffer::Next() const {
  std::lock_guard lock(mutex_);
  return next_;
}

}  // namespace kvl
