#pragma once
// The climate chamber on line 2: its own thread and port (CDeviceLine), a
// reading every few seconds, and set points queued by the window or the
// graduation autopilot. A chamber that stops answering, answers garbage or
// is unplugged is told in the reading's reason and tried again; nothing of
// it ever reaches the detector line.
//
// What it owns: the chamber's line, its last reading, the queued set point,
// and the journal line of every set point sent. What it never does: decide
// a temperature (the run does) or touch a window.
#include <cmath>
#include <functional>
#include <mutex>
#include <optional>

#include "chamber/chamber_control.h"
#include "chamber/chamber_protocol.h"
#include "chamber/device_line.h"

namespace kvl {

class CChamberLink : public IChamberControl {
 public:
  CChamberLink() = default;
  ~CChamberLink() override { Close(); }

  // Before Open: where set points are journaled, and who hears of a new
  // reading (on the link's thread; keep it short: post and return).
  void SetEventSink(DeviceEventSink sink) { sink_ = std::move(sink); }
  void SetChangeListener(std::function<void()> changed) { changed_ = std::move(changed); }

  void Open(const ChamberProfile& profile, const DeviceLineSettings& line, LanguageIndex lang);
  // Stops polling and closes the line; the chamber keeps its set point.
  void Close();
  bool IsOpen() const { return line_.Running(); }

  bool SetPoint(double celsius) override;
  void Park() override;
  ChamberReading Last() const override;
  // The profile the link was opened with (nothing while closed).
  std::optional<ChamberProfile> Profile() const;

 private:
  struct Command {
    bool park = false;
    double celsius = 0;
  };
  void Serve(CSerialPort& port);
  void Send(CSerialPort& port, const Command& command);
  void Publish(const ChamberReading& reading);
  void Journal(const char* kind, const std::string& value, bool ok, const std::string& why);

  CDeviceLine line_;
  std::optional<CChamberTalk> talk_;  // the link thread's only; set before it starts, reset after it stopped
  DeviceEventSink sink_;
  std::function<void()> changed_;
  mutable std::mutex mutex_;
  std::optional<Command> pending_;
  std::optional<ChamberProfile> profile_;  // while open
  ChamberReading last_;
  double lastSent_ = NAN;     // what the reading shows when the chamber reports no set point
  bool started_ = false;      // the start command went out since the line opened or parked
  SteadyTime nextPoll_{};
  LanguageIndex lang_ = kEnglish;
};

}  // namespace kvl
