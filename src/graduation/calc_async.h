#pragma once
// Fits the sensors of a calculation on the machine's cores while the window
// goes on (the operator reads the summary); the window then takes each
// sensor's tables in its own order, waiting only for a fit still running.
//
// The CalcRead and CalcSettings given must outlive the object and stay
// unchanged while it lives. Destroying it drops the fits not started yet and
// waits for the running ones.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "graduation/calc_fit.h"

namespace kvl {

class CCalcFits {
 public:
  // Starts fitting the listed slots, in list order, on `threads` threads (0 = the machine's cores).
  CCalcFits(const CalcRead& read, const CalcSettings& settings, std::vector<int> slots, unsigned threads = 0,
            FitMethod method = FitMethod::Fast);
  ~CCalcFits();
  CCalcFits(const CCalcFits&) = delete;
  CCalcFits& operator=(const CCalcFits&) = delete;

  // Whether the slot's fit has finished (false for a slot not listed).
  bool Ready(int slot) const;
  // Waits for the slot's fit and returns its tables (empty for a slot not listed).
  const SensorTables& Take(int slot);

 private:
  void Work();

  const CalcRead& read_;
  const CalcSettings& settings_;
  FitMethod method_;
  std::vector<int> slots_;
  std::vector<SensorTables> results_;  // by slot
  std::vector<char> done_;             // by slot, guarded by mutex_
  mutable std::mutex mutex_;
  std::condition_variable doneCv_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
  SensorTables none_;
};

}  // namespace kvl
