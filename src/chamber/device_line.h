#pragma once
// A serial line of its own for the chamber (line 2) or the valve module
// (line 3): a thread that opens the port, calls its owner's serve step when
// woken or every period, and reopens the port when the device went away.
// The detector link's line and thread are never touched from here, so
// nothing on these lines can delay a detector poll.
//
// What it owns: the port, the thread, the wake-up and the reopening. What it
// never does: know what is said on the line.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "chamber/profiles.h"
#include "link/serial_port.h"

namespace kvl {

// Line 2's (or 3's) row: port item, baud rate, pause between exchanges, line ending.
struct DeviceLineSettings {
  std::string port;
  int baud = 9600;
  int pauseMs = 0;
  LineEnding ending = LineEnding::kCr;
};

// What the chamber and valve links tell the write journal: one line per set
// point sent and per valve change ("chamber-set", "40.0", "ok").
struct DeviceEvent {
  std::string kind;
  std::string value;
  std::string result;  // "ok" or "failed: <reason>"
};
using DeviceEventSink = std::function<void(const DeviceEvent&)>;

class CDeviceLine {
 public:
  // Serve step: called on the line's thread with the open port. Port trouble
  // (open failed: reason in the operator's language) goes to `failed`.
  using Serve = std::function<void(CSerialPort&)>;
  using Failed = std::function<void(const std::string& reason)>;

  CDeviceLine() = default;
  ~CDeviceLine() { Stop(); }
  CDeviceLine(const CDeviceLine&) = delete;
  CDeviceLine& operator=(const CDeviceLine&) = delete;

  void Start(const DeviceLineSettings& settings, int periodMs, LanguageIndex lang, Serve serve, Failed failed);
  // Calls the serve step as soon as the line is free.
  void Wake();
  // Runs `last` on the line's thread when the port is open (closing the
  // valves at exit), then stops the thread and closes the port.
  void Stop(Serve last = {});
  bool Running() const { return thread_.joinable(); }
  // The device while the line cannot be opened (gone, unplugged, not there
  // yet) and is tried again; "" while it is open or stopped.
  std::string Lost() const;

 private:
  void Run(DeviceLineSettings settings, int periodMs, LanguageIndex lang);
  bool OpenPort(const DeviceLineSettings& settings, LanguageIndex lang);
  // Waits up to ms for Wake() or Stop(); false when stopping.
  bool WaitFor(int ms);

  CSerialPort port_;
  Serve serve_;
  Failed failed_;
  Serve last_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool woken_ = false;
  bool stop_ = false;
  mutable std::mutex lostMutex_;
  std::string lost_;
  void SetLost(std::string device);
};

}  // namespace kvl
