#include "chamber/device_line.h"

#include <cerrno>
#include <cstring>

#include "text/chamber_texts.h"

namespace kvl {
namespace {

// Quiet time between bytes that ends a reply; replies are short and come at once.
constexpr int kByteGapMs = 50;
// How long an unusable port waits before it is tried again.
constexpr int kReopenMs = 2000;

}  // namespace

void CDeviceLine::Start(const DeviceLineSettings& settings, int periodMs, LanguageIndex lang, Serve serve,
                        Failed failed) {
  Stop();
  serve_ = std::move(serve);
  failed_ = std::move(failed);
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
    woken_ = true;  // the first step at once
  }
  port_.ResetAbort();
  thread_ = std::thread([this, settings, periodMs, lang] { Run(settings, periodMs, lang); });
}

void CDeviceLine::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  cv_.notify_all();
}

void CDeviceLine::Stop(Serve last) {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    last_ = std::move(last);
    cv_.notify_all();
  }
  // A reply being waited for is cut short only when there is no last word to say.
  if (!last_) port_.RequestAbort();
  thread_.join();
  last_ = {};
}

bool CDeviceLine::WaitFor(int ms) {
  std::unique_lock lock(mutex_);
  cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return woken_ || stop_; });
  woken_ = false;
  return !stop_;
}

std::string CDeviceLine::Lost() const {
  std::lock_guard lock(lostMutex_);
  return lost_;
}

void CDeviceLine::SetLost(std::string device) {
  std::lock_guard lock(lostMutex_);
  lost_ = std::move(device);
}

bool CDeviceLine::OpenPort(const DeviceLineSettings& s, LanguageIndex lang) {
  if (port_.Open(s.port) == 0 && port_.Configure(s.baud, kByteGapMs) == 0) {
    SetLost({});
    return true;
  }
  const int err = port_.LastError();
  port_.Close();
  SetLost(SerialDevicePath(s.port));
  // A line another program holds is named with its holder: the operator knows whom to ask.
  if (err == EBUSY)
    failed_(std::string(txt::kChamberPortFailed(lang)) + ": " + LineBusyText(port_.DevicePath(), port_.Holder(), lang));
  else
    failed_(std::string(txt::kChamberPortFailed(lang)) + " " + port_.DevicePath() +
            (err ? std::string(": ") + std::strerror(err) : std::string()));
  return false;
}

void CDeviceLine::Run(DeviceLineSettings settings, int periodMs, LanguageIndex lang) {
  bool running = true;
  while (running) {
    if (!port_.IsOpen() || port_.DeviceGone()) {
      if (!OpenPort(settings, lang)) {
        running = WaitFor(kReopenMs);
        continue;
      }
    }
    if (settings.pauseMs > 0) port_.Sleep(settings.pauseMs);
    serve_(port_);
    running = WaitFor(periodMs);
  }
  std::unique_lock lock(mutex_);
  Serve last = last_;
  lock.unlock();
  if (last && (port_.IsOpen() || OpenPort(settings, lang))) last(port_);
  port_.Close();
  SetLost({});
}

}  // namespace kvl
