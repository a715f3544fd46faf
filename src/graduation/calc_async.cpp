#include "graduation/calc_async.h"

#include <algorithm>

namespace kvl {

CCalcFits::CCalcFits(const CalcRead& read, const CalcSettings& settings, std::vector<int> slots, unsigned threads,
                     FitMethod method)
    : read_(read), settings_(settings), method_(method), slots_(std::move(slots)) {
  results_.resize(read_.sensors.size());
  done_.assign(read_.sensors.size(), 0);
  slots_.erase(std::remove_if(slots_.begin(), slots_.end(),
                              [&](int s) { return s < 0 || std::size_t(s) >= read_.sensors.size(); }),
               slots_.end());
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, unsigned(slots_.size()));
  for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this] { Work(); });
}

CCalcFits::~CCalcFits() {
  stop_ = true;
  for (auto& t : threads_) t.join();
}

void CCalcFits::Work() {
  for (std::size_t i; !stop_ && (i = next_.fetch_add(1)) < slots_.size();) {
    const int slot = slots_[i];
    SensorTables t = FitSensor(read_.sensors[std::size_t(slot)], settings_, method_);
    std::lock_guard<std::mutex> lock(mutex_);
    results_[std::size_t(slot)] = std::move(t);
    done_[std::size_t(slot)] = 1;
    doneCv_.notify_all();
  }
}

bool CCalcFits::Ready(int slot) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slot >= 0 && std::size_t(slot) < done_.size() && done_[std::size_t(slot)];
}

const SensorTables& CCalcFits::Take(int slot) {
  if (std::find(slots_.begin(), slots_.end(), slot) == slots_.end()) return none_;
  std::unique_lock<std::mutex> lock(mutex_);
  doneCv_.wait(lock, [&] { return done_[std::size_t(slot)] != 0; });
  return results_[std::size_t(slot)];
}

}  // namespace kvl
