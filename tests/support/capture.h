#pragma once
// Test doubles for the window side: an operator that records every box it is
// asked to show, and a message target that queues posted messages.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/messages.h"
#include "link/operator.h"

namespace kvl::test {

struct ShownMessage {
  std::string text;
  MessageIcon icon;
  bool question = false;
};

class CapturingOperator : public COperator {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon) override;
  // Questions are recorded with the boxes and answered from the script, in
  // order; with the script used up, the negative answer.
  int Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) override;
  void ScriptAnswers(std::vector<int> answers);
  std::vector<ShownMessage> Shown() const;
  void ClearShown();
  // An unattended run is on: any box or question fails the test (it is
  // still recorded and answered as above, so the test goes on to its end).
  void FailOnAny(bool on);
  bool FailingOnAny() const;
  // Makes the next ShowMessage block until Release() or its abandon flag.
  void HoldNext();
  void Release();
  bool Holding() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<ShownMessage> shown_;
  std::deque<int> answers_;
  bool failOnAny_ = false;
  bool holdNext_ = false;
  bool holding_ = false;
  bool released_ = false;
};

struct PostedMessage {
  unsigned message;
  std::intptr_t w;
  std::intptr_t l;
};

class MessageQueue : public CMessageTarget {
 public:
  void Post(unsigned message, std::intptr_t w, std::intptr_t l) override;
  // Waits for the next message; false on time-out.
  bool Next(PostedMessage* out, std::chrono::milliseconds timeout);
  // Waits for the next message with this id, dropping others into `skipped`.
  bool WaitFor(unsigned message, PostedMessage* out, std::chrono::milliseconds timeout,
               std::vector<PostedMessage>* skipped = nullptr);
  std::vector<PostedMessage> All() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<PostedMessage> pending_;
  std::vector<PostedMessage> all_;
};

}  // namespace kvl::test
