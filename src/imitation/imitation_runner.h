#pragma once
// The detector line in slave role answering from the imitation, without a
// window: ServeImitationRequest is the window's whole WM_USER_REQUEST
// handler, and CImitationRunner plays the window's side for tools and tests
// (it takes the worker's messages on a thread of its own, as the window's
// event loop would). Never decides an answer itself (imitation.h does).
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "imitation/imitation.h"
#include "link/modbus_slave.h"

namespace kvl {

// Called while the worker waits after WM_USER_REQUEST: answers the link's
// last request from the imitation (SendResponse when the outcome has an
// answer; an unknown address stays silent), then resumes the worker. The
// caller redraws the outcome's rows.
ImitationOutcome ServeImitationRequest(CModbusSlave& link, CImitation& imitation, CDetectorTable& table);

class CImitationRunner : public CMessageTarget {
 public:
  // Sees each served request with its outcome, on the runner's thread, under
  // the runner's lock.
  using RequestHook = std::function<void(const ModbusRequest&, const ImitationOutcome&)>;

  // `table` and `imitation` are the caller's; while the runner runs, touch
  // them only through Edit().
  CImitationRunner(CDetectorTable& table, CImitation& imitation);
  ~CImitationRunner() override;
  CImitationRunner(const CImitationRunner&) = delete;
  CImitationRunner& operator=(const CImitationRunner&) = delete;

  CModbusSlave& Link() { return link_; }
  void SetRequestHook(RequestHook hook) { hook_ = std::move(hook); }

  // Enters "Imitation" on the table (images for the line's baud, list 1..20)
  // and starts the worker in slave role on the port. False when the port did
  // not open within two seconds (the worker is stopped again).
  bool Start(const std::string& port, const std::string& baudText, const std::string& pauseText = "0");
  // Stops the worker and the runner's thread; again is harmless.
  void Stop();

  // Runs f on the table and the imitation under the runner's lock (between
  // two requests).
  void Edit(const std::function<void(CDetectorTable&, CImitation&)>& f);
  // Requests served since Start (answered or silent).
  int Served() const;

  void Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) override;

 private:
  void Run();

  CDetectorTable& table_;
  CImitation& imitation_;
  CModbusSlave link_;
  RequestHook hook_;
  mutable std::mutex mutex_;  // table, imitation, counters
  std::mutex queueMutex_;
  std::condition_variable queueCv_;
  std::deque<unsigned> queue_;
  bool stop_ = false;
  int portState_ = 0;  // 0 not yet known, 1 open, -1 failed
  int served_ = 0;
  std::thread thread_;
};

}  // namespace kvl
