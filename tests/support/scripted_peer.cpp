#include "support/scripted_peer.h"

#include <chrono>

#include "link/modbus_frames.h"

namespace kvl::test {

ScriptedPeer::ScriptedPeer(PtyPair& pty, Script script)
    : pty_(pty), script_(std::move(script)), thread_([this] { Run(); }) {}

ScriptedPeer::~ScriptedPeer() {
  stop_ = true;
  thread_.join();
}

void ScriptedPeer::Run() {
  int index = 0;
  while (!stop_) {
    auto frame = pty_.ReadFrame(20);
    if (frame.empty()) continue;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(frame);
    }
    PeerReply reply = script_(frame, index++);
    if (reply.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
    if (!reply.bytes.empty()) pty_.Write(reply.bytes);
  }
}

std::vector<std::vector<std::uint8_t>> ScriptedPeer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int ScriptedPeer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(requests_.size());
}

std::vector<std::uint8_t> ReadAnswerFor(const std::vector<std::uint8_t>& request,
                                        const std::function<std::uint16_t(std::uint16_t reg)>& value) {
  const std::uint16_t first = static_cast<std::uint16_t>((request[2] << 8) | request[3]);
  const std::uint16_t count = static_cast<std::uint16_t>((request[4] << 8) | request[5]);
  std::vector<std::uint8_t> out{request[0], request[1], static_cast<std::uint8_t>(2 * count)};
  for (std::uint16_t k = 0; k < count; ++k) {
    const std::uint16_t v = value(static_cast<std::uint16_t>(first + k));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  }
  AppendCrc(out);
  return out;
}

}  // namespace kvl::test
