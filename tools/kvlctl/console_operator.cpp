#include "console_operator.h"

#include <cstdio>

namespace kvl::ctl {

void CConsoleOperator::ShowMessage(const std::string& text, MessageIcon, const std::atomic<bool>*) {
  std::lock_guard lock(mutex_);
  shown_.push_back(text);
  if (!echoPrefix_.empty()) {
    std::string line = echoPrefix_ + text;
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  }
}

std::vector<std::string> CConsoleOperator::Shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::string CConsoleOperator::Report() const {
  std::lock_guard lock(mutex_);
  std::string r;
  for (const std::string& s : shown_) {
    if (!r.empty() && r.back() != '\n') r += '\n';
    r += s;
  }
  return r;
}

}  // namespace kvl::ctl
