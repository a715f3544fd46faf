#include "link/unattended_operator.h"

namespace kvl {

void CUnattendedOperator::SetNoteSink(NoteSink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

void CUnattendedOperator::Note(const std::string& text) {
  NoteSink sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
  }
  if (sink) sink(text);
}

void CUnattendedOperator::ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon) {
  if (unattended_.load()) {
    Note(text);
    return;
  }
  if (shown_) shown_->ShowMessage(text, icon, abandon);
}

int CUnattendedOperator::Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) {
  if (!unattended_.load() && shown_) return shown_->Ask(text, icon, buttons);
  if (unattended_.load()) Note(text);
  return COperator::Ask(text, icon, buttons);  // the negative answer: nothing is done on a guess
}

int CUnattendedOperator::AskFromWorker(const std::string& text, MessageIcon icon, QuestionButtons buttons,
                                       const std::atomic<bool>* abandon) {
  if (!unattended_.load() && shown_) return shown_->AskFromWorker(text, icon, buttons, abandon);
  if (unattended_.load()) Note(text);
  return COperator::Ask(text, icon, buttons);
}

}  // namespace kvl
