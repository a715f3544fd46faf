#pragma once
// A simulated climate chamber on a line of its own, answering as its profile
// says (text commands or Modbus registers). Once given a set point, its air
// moves there at a limited rate and settles with a little noise; every
// detector of the bus it is given feels that air (the detectors lag behind it
// themselves). Until then it reports the bus's temperature as both values. Model
// time runs at the bus's time scale, so --speed scales the chamber too.
//
// What it owns: the air and set point model, its line's thread, the answers.
// What it never does: answer on the detector line.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "chamber/profiles.h"
#include "link/modbus_frames.h"
#include "sim/sim_bus.h"
#include "sim/sim_line.h"
#include "sim/sim_random.h"
#include "sim/sim_request.h"

namespace kvl {

class CSimChamber {
 public:
  // Degrees a minute the air changes by at most, and the time constant of
  // its settling near the set point (model seconds).
  static constexpr double kMaxRateCPerMin = 1.0;
  static constexpr double kSettleS = 90;
  static constexpr double kNoiseC = 0.03;

  CSimChamber(const ChamberProfile& profile, CSimBus& bus, std::uint64_t seed = 1);
  ~CSimChamber();
  CSimChamber(const CSimChamber&) = delete;
  CSimChamber& operator=(const CSimChamber&) = delete;

  bool Start(std::unique_ptr<CSimLine> line);
  void Stop();
  // "chamber off": hears but never answers (an unplugged or hung controller).
  void SetAnswering(bool on) { answering_.store(on); }
  bool Answering() const { return answering_.load(); }

  double Air() const;
  double SetPointC() const;
  bool RunningCommanded() const;
  // Lets model time pass at once (tests).
  void Advance(double seconds);

  // The reply line to one command line (no ending); "" when none is given.
  std::string AnswerAscii(const std::string& line);
  // The answer to one request frame (CRC checked); empty for another slave.
  Bytes AnswerModbus(const Bytes& request);

 private:
  void Run();
  void ServeAscii(const std::uint8_t* data, int n);
  void ServeModbus(const std::uint8_t* data, int n, bool silence);
  void Reply(const std::string& text);
  void TickLocked();
  void MoveAirLocked(double modelSeconds);
  double MeasuredLocked();

  ChamberProfile profile_;
  CSimBus& bus_;
  mutable std::mutex mutex_;
  double air_;
  double setPoint_;
  double pushed_;           // the air last given to the bus
  bool commanded_ = false;  // a set point came: the chamber drives the air
  bool running_ = false;
  CSimRandom random_;
  std::chrono::steady_clock::time_point lastTick_;

  std::unique_ptr<CSimLine> line_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> answering_{true};
  std::string pending_;      // text received so far (ASCII)
  std::string ending_ = "\r\n";  // the ending the last command came with
  CRequestAssembler assembler_;  // frames (Modbus)
};

// "chamber on|off|status": true when the line was a chamber command (the reply in *reply).
bool ApplyChamberCommand(CSimChamber* chamber, const std::string& line, std::string* reply);

}  // namespace kvl
