// Serving the requests the detector line receives in slave role.
#include "imitation/imitation_runner.h"

#include <chrono>

namespace kvl {

ImitationOutcome ServeImitationRequest(CModbusSlave& link, CImitation& imitation, CDetectorTable& table) {
  ImitationOutcome out = imitation.Answer(table, link.LastRequest());
  if (out.response) link.SendResponse(out.response->slave, out.response->function, out.response->words);
  link.Resume();
  return out;
}

CImitationRunner::CImitationRunner(CDetectorTable& table, CImitation& imitation)
    : table_(table), imitation_(imitation) {}

CImitationRunner::~CImitationRunner() { Stop(); }

bool CImitationRunner::Start(const std::string& port, const std::string& baudText, const std::string& pauseText) {
  Stop();
  std::vector<std::uint8_t> list;
  {
    std::lock_guard lock(mutex_);
    list = imitation_.Enter(table_, baudText).addressList;
    served_ = 0;
  }
  {
    std::lock_guard lock(queueMutex_);
    stop_ = false;
    portState_ = 0;
    queue_.clear();
  }
  thread_ = std::thread(&CImitationRunner::Run, this);
  // The read function and tail are the window's own start values.
  link_.StartWorker(this, 0, port, baudText, list, "3", pauseText, "3", false);
  std::unique_lock lock(queueMutex_);
  queueCv_.wait_for(lock, std::chrono::seconds(2), [this] { return portState_ != 0; });
  const bool open = portState_ == 1;
  lock.unlock();
  if (!open) Stop();
  return open;
}

void CImitationRunner::Stop() {
  // The answering thread goes first: it must not send on a line the stopping
  // worker closes. A worker left waiting for its hand-over still stops.
  {
    std::lock_guard lock(queueMutex_);
    stop_ = true;
  }
  queueCv_.notify_all();
  if (thread_.joinable()) thread_.join();
  link_.StopWorker();
}

void CImitationRunner::Edit(const std::function<void(CDetectorTable&, CImitation&)>& f) {
  std::lock_guard lock(mutex_);
  f(table_, imitation_);
}

int CImitationRunner::Served() const {
  std::lock_guard lock(mutex_);
  return served_;
}

void CImitationRunner::Post(unsigned message, std::intptr_t, std::intptr_t) {
  std::lock_guard lock(queueMutex_);
  if (message == WM_USER_PORT_OPEN) portState_ = 1;
  if (message == WM_USER_PORT_FAIL) portState_ = -1;
  // Only a request needs the window's side; everything else is bookkeeping.
  if (message == WM_USER_REQUEST) queue_.push_back(message);
  queueCv_.notify_all();
}

void CImitationRunner::Run() {
  for (;;) {
    {
      std::unique_lock lock(queueMutex_);
      queueCv_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      queue_.pop_front();
    }
    std::lock_guard lock(mutex_);
    const ModbusRequest request = link_.LastRequest();
    const ImitationOutcome out = ServeImitationRequest(link_, imitation_, table_);
    ++served_;
    if (hook_) hook_(request, out);
  }
}

}  // namespace kvl
