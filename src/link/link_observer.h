#pragma once
// A watcher of the traffic on one line: every frame sent and every answer
// received, from the worker thread. Costs nothing when no observer is set.
#include <cstdint>
#include <vector>

namespace kvl {

enum class FrameDirection { Sent, Received };

struct LinkFrame {
  FrameDirection direction = FrameDirection::Sent;
  std::vector<std::uint8_t> bytes;
  std::int64_t monotonicNs = 0;  // when the frame left (sent) or its reading ended (received)
  // Received frames: the outcome of the step that read them (a read's result
  // code 0..4; for write answers 0 accepted, 1 not; for requests received in
  // slave role the receive result). Sent frames: 0.
  int result = 0;
  // The frame belongs to the program's slave role (imitation): a request it
  // received or its answer. Then the received frame is the request.
  bool slaveRole = false;
};

class CLinkObserver {
 public:
  virtual ~CLinkObserver() = default;
  // Called on the worker thread; keep it short, it holds up the line.
  virtual void OnFrame(const LinkFrame& frame) = 0;
};

}  // namespace kvl
