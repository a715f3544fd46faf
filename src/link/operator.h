#pragma once
// Every modal exchange with the operator goes through this interface. The
// window's implementation opens real message boxes on the GUI thread; tests
// install one that records what was shown and answers from a script.
#include <atomic>
#include <string>

namespace kvl {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class QuestionButtons { YesNo, OkCancel };

// Answers to a question, numbered as the dialogs' results are.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class COperator {
 public:
  virtual ~COperator() = default;

  // Shows a modal box with an OK button and returns once the operator closed
  // it. May be called from a worker thread: then only that thread waits. When
  // `abandon` is given and becomes true, the box is closed and the call
  // returns, so a stopping worker is never held by an unanswered box.
  virtual void ShowMessage(const std::string& text, MessageIcon icon,
                           const std::atomic<bool>* abandon = nullptr) = 0;

  // Asks a question on the GUI thread and returns the answer: kAnswerYes or
  // kAnswerNo, kAnswerOk or kAnswerCancel. Closing the box is the negative
  // answer; so is an operator that cannot ask (the default).
  virtual int Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) {
    (void)text;
    (void)icon;
    return buttons == QuestionButtons::YesNo ? kAnswerNo : kAnswerCancel;
  }

  // Asks from a worker thread: the question is shown on the GUI thread while
  // the worker waits. When `abandon` becomes true the wait ends with the
  // negative answer, so a stopping worker is never held by an open question.
  virtual int AskFromWorker(const std::string& text, MessageIcon icon, QuestionButtons buttons,
                            const std::atomic<bool>* abandon) {
    (void)abandon;
    return Ask(text, icon, buttons);
  }
};

}  // namespace kvl
