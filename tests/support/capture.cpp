#include "support/capture.h"

#include <gtest/gtest.h>

namespace kvl::test {

void CapturingOperator::ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon) {
  std::unique_lock lock(mutex_);
  if (failOnAny_) ADD_FAILURE() << "a box while nobody is there to close it: " << text;
  shown_.push_back({text, icon});
  if (!holdNext_) return;
  holdNext_ = false;
  holding_ = true;
  released_ = false;
  while (!released_ && !(abandon && abandon->load())) cv_.wait_for(lock, std::chrono::milliseconds(10));
  holding_ = false;
}

int CapturingOperator::Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) {
  std::lock_guard lock(mutex_);
  if (failOnAny_) ADD_FAILURE() << "a question while nobody is there to answer it: " << text;
  shown_.push_back({text, icon, true});
  if (answers_.empty()) return buttons == QuestionButtons::YesNo ? kAnswerNo : kAnswerCancel;
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void CapturingOperator::ScriptAnswers(std::vector<int> answers) {
  std::lock_guard lock(mutex_);
  answers_.assign(answers.begin(), answers.end());
}

void CapturingOperator::FailOnAny(bool on) {
  std::lock_guard lock(mutex_);
  failOnAny_ = on;
}

bool CapturingOperator::FailingOnAny() const {
  std::lock_guard lock(mutex_);
  return failOnAny_;
}

void CapturingOperator::ClearShown() {
  std::lock_guard lock(mutex_);
  shown_.clear();
}

std::vector<ShownMessage> CapturingOperator::Shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

void CapturingOperator::HoldNext() {
  std::lock_guard lock(mutex_);
  holdNext_ = true;
}

void CapturingOperator::Release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  cv_.notify_all();
}

bool CapturingOperator::Holding() const {
  std::lock_guard lock(mutex_);
  return holding_;
}

void MessageQueue::Post(unsigned message, std::intptr_t w, std::intptr_t l) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back({message, w, l});
    all_.push_back({message, w, l});
  }
  cv_.notify_all();
}

bool MessageQueue::Next(PostedMessage* out, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!cv_.wait_for(lock, timeout, [this] { return !pending_.empty(); })) return false;
  *out = pending_.front();
  pending_.pop_front();
  return true;
}

bool MessageQueue::WaitFor(unsigned message, PostedMessage* out, std::chrono::milliseconds timeout,
                           std::vector<PostedMessage>* skipped) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    PostedMessage m{};
    if (!Next(&m, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now))) return false;
    if (m.message == message) {
      *out = m;
      return true;
    }
    if (skipped) skipped->push_back(m);
  }
}

std::vector<PostedMessage> MessageQueue::All() const {
  std::lock_guard lock(mutex_);
  return all_;
}

void MessageQueue::Clear() {
  std::lock_guard lock(mutex_);
  pending_.clear();
  all_.clear();
}

}  // namespace kvl::test
