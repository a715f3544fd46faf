#pragma once
// A scripted Modbus slave on the far end of a pty: for every request frame it
// asks the script what to send back (nothing, any bytes, after a delay), and
// records the requests it saw.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace kvl::test {

struct PeerReply {
  std::vector<std::uint8_t> bytes;  // empty: stay silent
  int delayMs = 0;
};

class ScriptedPeer {
 public:
  using Script = std::function<PeerReply(const std::vector<std::uint8_t>& request, int index)>;

  ScriptedPeer(PtyPair& pty, Script script);
  ~ScriptedPeer();

  std::vector<std::vector<std::uint8_t>> Requests() const;
  int RequestCount() const;

 private:
  void Run();

  PtyPair& pty_;
  Script script_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> requests_;
  std::thread thread_;
};

// Ready-made replies.
std::vector<std::uint8_t> ReadAnswerFor(const std::vector<std::uint8_t>& request,
                                        const std::function<std::uint16_t(std::uint16_t reg)>& value);

}  // namespace kvl::test
