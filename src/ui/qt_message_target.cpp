#include "ui/qt_message_target.h"

#include <QCoreApplication>

namespace kvl {

QEvent::Type CUserMessageEvent::EventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType(QEvent::User + 24));
  return type;
}

CQtMessageTarget::CQtMessageTarget(Handler handler) : receiver_(new Receiver(std::move(handler))) {}

CQtMessageTarget::~CQtMessageTarget() {
  Receiver* receiver;
  {
    std::lock_guard lock(mutex_);
    receiver = receiver_;
    receiver_ = nullptr;
  }
  // Deleting the receiver also discards the events still posted to it.
  delete receiver;
}

void CQtMessageTarget::Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (receiver_) QCoreApplication::postEvent(receiver_, new CUserMessageEvent(message, wParam, lParam));
}

bool CQtMessageTarget::Receiver::event(QEvent* e) {
  if (e->type() != CUserMessageEvent::EventType()) return QObject::event(e);
  const auto* m = static_cast<CUserMessageEvent*>(e);
  if (handler_) handler_(m->Message(), m->WParam(), m->LParam());
  return true;
}

}  // namespace kvl
