#pragma once
// The window side of CMessageTarget: a Post from any thread becomes a queued
// event, delivered on the GUI thread to a handler in the order of posting.
// Nested modal loops (message boxes, dialogs) deliver them too, as the
// platform's posted window messages were.
#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/messages.h"

namespace kvl {

// One posted message: id (1025..1131) and its two parameters.
class CUserMessageEvent : public QEvent {
 public:
  CUserMessageEvent(unsigned message, std::intptr_t wParam, std::intptr_t lParam)
      : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

  static QEvent::Type EventType();

  unsigned Message() const { return message_; }
  std::intptr_t WParam() const { return wParam_; }
  std::intptr_t LParam() const { return lParam_; }

 private:
  unsigned message_;
  std::intptr_t wParam_;
  std::intptr_t lParam_;
};

class CQtMessageTarget : public CMessageTarget {
 public:
  using Handler = std::function<void(unsigned message, std::intptr_t wParam, std::intptr_t lParam)>;

  // Construct on the GUI thread: the handler runs on the thread that
  // constructed the target.
  explicit CQtMessageTarget(Handler handler);
  // Messages still queued are dropped; a Post racing the destruction is
  // dropped too (but the link should be stopped before this goes).
  ~CQtMessageTarget() override;
  CQtMessageTarget(const CQtMessageTarget&) = delete;
  CQtMessageTarget& operator=(const CQtMessageTarget&) = delete;

  void Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) override;

 private:
  class Receiver : public QObject {
   public:
    explicit Receiver(Handler handler) : handler_(std::move(handler)) {}
    bool event(QEvent* e) override;

   private:
    Handler handler_;
  };

  std::mutex mutex_;
  Receiver* receiver_;
};

}  // namespace kvl
