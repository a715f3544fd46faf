#pragma once
// The gas valves' relay module, on line 3 of its own (CDeviceLine) or on the
// detector line between polls (CSideTraffic). A change is queued and carried
// out on the line's thread: the others closed first, then the one opened, then
// every output read back (a mismatch is the module's fault, as no answer is).
// Opening, closing, an error and the exit each leave all valves closed.
//
// What it owns: the module's line (or its turn on the detector line), its
// confirmed state, and the journal line of every change. What it never
// does: decide which gas flows (the run does) or touch a window.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

#include "chamber/chamber_control.h"
#include "chamber/device_line.h"
#include "chamber/valve_module.h"
#include "link/side_traffic.h"

namespace kvl {

class CModbusSlave;

class CValveLink : public IValveControl, public CSideTraffic {
 public:
  CValveLink() = default;
  ~CValveLink() override { Close(); }

  // Before opening: the journal, and who hears of a change (link's thread).
  void SetEventSink(DeviceEventSink sink) { sink_ = std::move(sink); }
  void SetChangeListener(std::function<void()> changed) { changed_ = std::move(changed); }

  // On a line of its own (line 3's row).
  void OpenOwnLine(const ValveProfile& profile, const DeviceLineSettings& line, LanguageIndex lang);
  // On the detector line: the detector link's worker serves it between polls.
  void AttachToDetectorLine(const ValveProfile& profile, CModbusSlave& link, LanguageIndex lang);
  // Closes every valve, then lets go of the line. On the detector line it
  // waits a little for the worker's next turn between polls: a worker held at
  // a hand-over must be let go first, or the wait runs out and the valves
  // stay as they were.
  void Close();
  bool IsOpen() const;

  void Open(GasValve valve) override;
  ValveState Last() const override;

  void ServeBetweenPolls(CSerialPort& line) override;

 private:
  void Begin(const ValveProfile& profile, LanguageIndex lang);
  // Carries out the queued change, if any; true when one was carried out.
  bool ServePending(CSerialPort& line);
  // After a change: the module's outputs read back as asked; false and why when not.
  bool ReadBack(CSerialPort& line, GasValve want, std::string* why);
  void Publish(const ValveState& state);

  std::optional<CValveTalk> talk_;
  CDeviceLine ownLine_;
  CModbusSlave* detectorLine_ = nullptr;
  DeviceEventSink sink_;
  std::function<void()> changed_;
  mutable std::mutex mutex_;
  std::condition_variable served_;
  std::optional<GasValve> pending_;
  ValveState last_;
  LanguageIndex lang_ = kEnglish;
};

}  // namespace kvl
