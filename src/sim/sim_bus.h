#pragma once
// Any number of simulated detectors on one serial line: a Modbus RTU slave
// loop on its own thread answers functions 3, 4, 6 and 16 for every detector
// that listens at the request's address and at the line's baud rate. Faults
// can be switched on per detector; the control API below is thread-safe.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/modbus_frames.h"
#include "sim/sim_detector.h"
#include "sim/sim_line.h"

namespace kvl {

enum class SimFaultKind {
  None,
  Silent,         // never answers
  Slow,           // answers after `param` ms more
  Crc,            // answer with a wrong CRC
  Short,          // answer cut to half its length
  WrongAddress,   // answer carries another slave address
  Exception,      // every request answered with exception `param`
  NoStore,        // block writes answered as taken but not stored (worn table memory)
};

struct SimFault {
  SimFaultKind kind = SimFaultKind::None;
  int param = 0;
  bool operator==(const SimFault&) const = default;
};

// "none", "silent", "slow 300", "crc", "short", "wrongaddr", "exception 2", "nostore".
std::string SimFaultText(const SimFault& fault);

struct SimDetectorInfo {
  int type = 0;
  std::uint8_t address = 0;
  std::uint16_t baudCode = 0;
  std::uint32_t serial = 0;
  int gasCode = 0;
  double gasVolume = 0;     // fed to the detector, vol.%
  double temperature = 0;   // housing, degC
  double readingLel = 0;    // what the detector reports
  double readingVolume = 0;
  bool serviceable = true;
  bool passwordAccepted = false;  // the graduation access code was written since power-on
  SimFault fault;
  RegisterImage registers{};
};

// An answer the bus would send, and how long after the request.
struct SimAnswer {
  Bytes bytes;      // empty: no answer
  int delayMs = 0;  // fault delay on top of the turn-around
  SimFault fault;   // the addressed detector's fault that shaped the answer
  bool wrote = false;  // a register write was carried out
};

// One request the served line brought and the bus's reaction to it.
struct SimExchange {
  Bytes request;
  SimAnswer answer;
};

class CSimBus {
 public:
  explicit CSimBus(std::uint64_t seed = 1);
  ~CSimBus();
  CSimBus(const CSimBus&) = delete;
  CSimBus& operator=(const CSimBus&) = delete;

  // ---- The line ----
  // Serves the line from a thread of its own until Stop(). False when a line
  // is already served or `line` is null.
  bool Start(std::unique_ptr<CSimLine> line);
  void Stop();
  bool Running() const { return thread_.joinable(); }
  // Baud rate the detectors are heard at (the served line's, else 9600).
  int LineBaud() const;
  // Plays a two-wire RS-485 adapter that hands the master back every byte it
  // transmits: whatever arrives is sent straight back, before any answer.
  // Meant for a pty line, where the master's own adapter cannot do it.
  void SetEcho(bool on) { echo_.store(on); }
  bool Echo() const { return echo_.load(); }
  // Requests answered and requests dropped (CRC, torn frames), since start.
  unsigned AnsweredCount() const { return answered_.load(); }
  std::size_t DroppedBytes() const { return dropped_.load(); }
  // Write requests (single or multiple) some detector carried out, since
  // construction; broadcasts count once.
  unsigned WritesCarriedOut() const { return writes_.load(); }
  // Told of every request the served line brings, on the serving thread,
  // before the answer goes out; keep it short. Set before Start().
  void SetExchangeWatcher(std::function<void(const SimExchange&)> watcher) { watcher_ = std::move(watcher); }
  // Another slave on the line (the gas valves' relay module): asked first
  // about every request, it answers those at its address. Any thread.
  using SideSlave = std::function<std::optional<Bytes>(const Bytes& request)>;
  void SetSideSlave(SideSlave slave) {
    std::lock_guard lock(sideMutex_);
    sideSlave_ = std::move(slave);
  }

  // ---- Detectors ----
  // False when a detector already listens at that address.
  bool AddDetector(const SimDetectorSetup& setup);
  // Adds `count` detectors of a type at consecutive addresses with the
  // default set-up; false (and nothing added) when any address is taken or
  // the range leaves 1..247.
  bool AddDetectors(int type, int count, int firstAddress);
  // Removes the first detector at the address.
  bool RemoveDetector(int address);
  std::vector<SimDetectorInfo> List() const;
  std::optional<SimDetectorInfo> Detector(int address) const;
  std::optional<RegisterImage> Registers(int address) const;

  // ---- The world ----
  void SetChamberTemperature(double c);
  double ChamberTemperature() const;
  // Gas fed to one detector (address) or to all (address 0), vol.% or %LEL
  // of the detector's own LEL_CONC. False when no such detector.
  bool SetGasVolume(int address, double volPercent);
  bool SetGasLel(int address, double lel);
  // The chamber at a graduation stage's temperature (1..8; the stage
  // temperatures of the first detector's type, tLow and tHigh as the
  // workstation's T[0] and T[7] settings). Returns the temperature, or
  // nothing for a stage outside 1..8 or an empty bus.
  std::optional<int> SetGraduationStage(int stage, int tLow, int tHigh);
  // Feeds a graduation step's gas (0 zero, 1 middle, 2 high mixture) to one
  // detector or to all (0), each by its own GRAD_CONC1/2 and LEL_CONC.
  bool FeedGraduationGas(int address, int mixture);
  // The world a graduation run asks for at a stage (1..8) and step (0
  // stabilisation and 1, 4 zero gas: clean air; 2 the high mixture; 3 the
  // middle one), for every detector: what the demo bus does after each of
  // the run's events, so a run can be watched (with SetTimeScale) in minutes.
  void FollowGraduation(int stage, int step, int tLow, int tHigh);
  bool SetFault(int address, const SimFault& fault);  // 0 = all
  bool SetServiceable(int address, bool ok);
  // Model seconds per real second while serving (0 freezes the model, so
  // only Advance() moves it: what reproducible tests want). Default 1.
  void SetTimeScale(double scale);
  double TimeScale() const;
  // Lets model time pass at once.
  void Advance(double seconds);

  // The bus's reaction to one request frame (CRC already checked), as the
  // serving thread sends it. Writes take effect here.
  SimAnswer HandleRequest(const Bytes& request);

 private:
  struct Node {
    explicit Node(const SimDetectorSetup& s) : detector(s) {}
    CSimDetector detector;
    SimFault fault;
  };

  void Run();
  void Serve(const Bytes& request);
  void TickLocked();
  Node* FindLocked(int address);
  const Node* FindLocked(int address) const;
  SimDetectorInfo InfoLocked(const Node& node) const;
  Bytes AnswerLocked(CSimDetector& d, const Bytes& request);

  mutable std::mutex mutex_;
  std::list<Node> nodes_;  // stable addresses: Node holds a detector by value
  double chamberC_ = 20;
  double timeScale_ = 1;
  std::chrono::steady_clock::time_point lastTick_;
  std::uint64_t seed_;

  std::unique_ptr<CSimLine> line_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> echo_{false};
  std::atomic<unsigned> answered_{0};
  std::atomic<std::size_t> dropped_{0};
  std::atomic<unsigned> writes_{0};
  std::function<void(const SimExchange&)> watcher_;
  std::mutex sideMutex_;  // taken before mutex_, never while holding it
  SideSlave sideSlave_;
};

}  // namespace kvl
