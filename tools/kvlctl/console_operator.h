#pragma once
// The operator of a command-line run: every box the link would show is kept
// (for the command's report) and, when asked, echoed to stderr at once.
#include <mutex>
#include <string>
#include <vector>

#include "link/operator.h"

namespace kvl::ctl {

class CConsoleOperator : public COperator {
 public:
  // `echoPrefix` non-empty: each box is also printed to stderr, prefixed.
  explicit CConsoleOperator(std::string echoPrefix = "") : echoPrefix_(std::move(echoPrefix)) {}

  void ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon) override;

  std::vector<std::string> Shown() const;
  // The boxes' texts one after the other, a line break between two boxes.
  std::string Report() const;

 private:
  std::string echoPrefix_;
  mutable std::mutex mutex_;
  std::vector<std::string> shown_;
};

}  // namespace kvl::ctl
