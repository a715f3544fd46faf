#pragma once
// Waits for a condition outside the test's own process (a file another
// program writes, a simulator's state): checked again every `stepMs` until
// it holds or `timeoutMs` has passed. Never a settle time: it returns as soon
// as the condition holds.
#include <chrono>
#include <thread>

namespace kvl::test {

template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs, int stepMs = 50) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
  return true;
}

}  // namespace kvl::test
