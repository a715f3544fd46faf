#pragma once
// The window side of the link's worker for a command-line run: the messages
// it posts queue up here for the main thread. Once closed, later posts (a
// stopping worker's last result) are dropped.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "link/messages.h"

namespace kvl::ctl {

struct Posted {
  unsigned message;
  std::intptr_t w;
  std::intptr_t l;
};

class CPostedQueue : public CMessageTarget {
 public:
  void Post(unsigned message, std::intptr_t w, std::intptr_t l) override {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    pending_.push_back({message, w, l});
    cv_.notify_one();
  }
  bool Next(Posted* out, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return !pending_.empty(); })) return false;
    *out = pending_.front();
    pending_.pop_front();
    return true;
  }
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Posted> pending_;
  bool closed_ = false;
};

}  // namespace kvl::ctl
