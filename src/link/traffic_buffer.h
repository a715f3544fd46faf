#pragma once
// The last frames of a line, kept for a traffic view that reads them at its
// own pace: a bounded ring filled from the worker thread, read by sequence
// number from any other. The worker's side only copies the frame into a slot
// under a short lock (slots keep their storage, so a full ring allocates
// nothing); a reader that falls more than the ring's size behind is told how
// many frames it missed. It never formats, filters or touches the line.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "link/link_observer.h"

namespace kvl {

struct TrafficFrame {
  std::uint64_t seq = 0;
  // The detector of the exchange: a request's own address, and for what came
  // back the address of the request it answers (whatever the bytes say, so
  // that a broken or silent answer stays with its detector); -1 none.
  int address = -1;
  LinkFrame frame;
};

struct TrafficPull {
  std::vector<TrafficFrame> frames;  // oldest first
  std::uint64_t next = 0;            // pass as `since` to the next pull
  std::uint64_t dropped = 0;         // frames after `since` the ring no longer held
};

class CTrafficBuffer : public CLinkObserver {
 public:
  static constexpr std::size_t kDefaultCapacity = 20000;

  explicit CTrafficBuffer(std::size_t capacity = kDefaultCapacity);
  void OnFrame(const LinkFrame& frame) override;

  // Frames numbered `since` and later, at most maxFrames of them (the rest
  // come with the next pull). Sequence numbers start at 0.
  TrafficPull Since(std::uint64_t since, std::size_t maxFrames = std::numeric_limits<std::size_t>::max()) const;
  // The number the next frame will get: pull from here to see only what comes.
  std::uint64_t Next() const;
  std::size_t Capacity() const { return ring_.size(); }

 private:
  mutable std::mutex mutex_;
  std::vector<TrafficFrame> ring_;
  std::uint64_t next_ = 0;
  int pendingAddress_ = -1;
};

}  // namespace kvl
