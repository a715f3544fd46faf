#include "link/line_recovery.h"

#include <algorithm>

#include "text/format.h"
#include "text/link_texts.h"

namespace kvl {

void CLineRecovery::SetEnabled(bool on) {
  enabled_ = on;
  if (!on && state_ == LineWatch::Waiting) state_ = LineWatch::Off;
}

void CLineRecovery::Opened() { state_ = LineWatch::Open; }

void CLineRecovery::Closed() { state_ = LineWatch::Off; }

bool CLineRecovery::Lost(std::int64_t nowMs) {
  if (!enabled_ || state_ != LineWatch::Open) return false;
  state_ = LineWatch::Waiting;
  nextLookMs_ = nowMs + kCheckIntervalMs;
  return true;
}

bool CLineRecovery::LookDue(std::int64_t nowMs) const { return state_ == LineWatch::Waiting && nowMs >= nextLookMs_; }

int CLineRecovery::MsUntilLook(std::int64_t nowMs) const {
  if (state_ != LineWatch::Waiting) return 0;
  return static_cast<int>(std::clamp<std::int64_t>(nextLookMs_ - nowMs, 0, kCheckIntervalMs));
}

bool CLineRecovery::Looked(std::int64_t nowMs, bool present) {
  if (state_ != LineWatch::Waiting) return false;
  if (present) return true;
  nextLookMs_ = nowMs + kCheckIntervalMs;
  return false;
}

void CLineRecovery::ReopenFailed(std::int64_t nowMs) {
  if (state_ == LineWatch::Waiting) nextLookMs_ = nowMs + kCheckIntervalMs;
}

std::string LineWatchNote(LineWatch state, const std::string& device, LanguageIndex lang) {
  if (state != LineWatch::Waiting) return {};
  return Format(txt::kWaitingForDevice(lang), device.c_str());
}

}  // namespace kvl
