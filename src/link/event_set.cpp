#include "link/event_set.h"

namespace kvl {

CEventSet::CEventSet(int count) : count_(count < 1 ? 1 : (count > kMaxEvents ? kMaxEvents : count)) {}

int CEventSet::Lowest(std::uint32_t bits) { return bits == 0 ? -1 : __builtin_ctz(bits); }

void CEventSet::Set(int index) {
  if (index < 0 || index >= count_) return;
  {
    std::lock_guard lock(mutex_);
    signalled_ |= 1u << index;
  }
  cv_.notify_one();
}

void CEventSet::Reset(int index) {
  if (index < 0 || index >= count_) return;
  std::lock_guard lock(mutex_);
  signalled_ &= ~(1u << index);
}

bool CEventSet::IsSet(int index) const {
  if (index < 0 || index >= count_) return false;
  std::lock_guard lock(mutex_);
  return (signalled_ >> index) & 1u;
}

int CEventSet::WaitAny() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return signalled_ != 0; });
  const int i = Lowest(signalled_);
  signalled_ &= ~(1u << i);
  return i;
}

int CEventSet::TestAny() {
  std::lock_guard lock(mutex_);
  const int i = Lowest(signalled_);
  if (i >= 0) signalled_ &= ~(1u << i);
  return i;
}

}  // namespace kvl
