#include "sim/sim_bus.h"

#include <algorithm>

#include "graduation/graduation_run_stages.h"
#include "sim/sim_request.h"
#include "text/format.h"

namespace kvl {
namespace {

constexpr int kIdleReceiveMs = 100;

std::uint16_t WordAt(const Bytes& b, std::size_t i) { return std::uint16_t((b[i] << 8) | b[i + 1]); }

// Turn-around before answering: the bus master keeps its RS-485 driver on for
// (3 + request length) characters after its transmitter empties; answering
// a character later never collides with it.
int TurnAroundMs(std::size_t requestLength, int baud) {
  return CSerialPort::CharsToMs(int(requestLength) + 4, baud > 0 ? baud : 9600);
}

}  // namespace

std::string SimFaultText(const SimFault& f) {
  switch (f.kind) {
    case SimFaultKind::None: return "none";
    case SimFaultKind::Silent: return "silent";
    case SimFaultKind::Slow: return Format("slow %d", f.param);
    case SimFaultKind::Crc: return "crc";
    case SimFaultKind::Short: return "short";
    case SimFaultKind::WrongAddress: return "wrongaddr";
    case SimFaultKind::Exception: return Format("exception %d", f.param);
    case SimFaultKind::NoStore: return "nostore";
  }
  return "none";
}

CSimBus::CSimBus(std::uint64_t seed) : lastTick_(std::chrono::steady_clock::now()), seed_(seed) {}

CSimBus::~CSimBus() { Stop(); }

bool CSimBus::Start(std::unique_ptr<CSimLine> line) {
  if (!line || thread_.joinable()) return false;
  {
    std::lock_guard lock(mutex_);
    line_ = std::move(line);
    lastTick_ = std::chrono::steady_clock::now();
  }
  stop_.store(false);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void CSimBus::Stop() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  line_->Interrupt();
  thread_.join();
  std::lock_guard lock(mutex_);
  line_.reset();
}

int CSimBus::LineBaud() const {
  std::lock_guard lock(mutex_);
  return line_ ? line_->Baud() : 9600;
}

void CSimBus::Run() {
  CRequestAssembler assembler;
  std::uint8_t buffer[512];
  const int gap = FrameGapMs(line_->Baud());
  while (!stop_.load()) {
    const int n = line_->Receive(buffer, int(sizeof buffer), assembler.Pending() ? gap : kIdleReceiveMs);
    if (stop_.load()) break;
    if (n < 0) {
      // Nobody holds the line's far side, or the adapter is gone: keep
      // trying without spinning.
      line_->Wait(kIdleReceiveMs);
      continue;
    }
    if (n > 0 && echo_.load()) line_->Send(buffer, std::size_t(n));
    std::vector<Bytes> frames = n == 0 ? assembler.Silence() : assembler.Feed(buffer, std::size_t(n));
    dropped_.store(assembler.DroppedBytes());
    if (n == 0) {
      std::lock_guard lock(mutex_);
      TickLocked();
    }
    for (const Bytes& f : frames) Serve(f);
  }
}

void CSimBus::Serve(const Bytes& request) {
  const SimAnswer answer = HandleRequest(request);
  if (watcher_) watcher_(SimExchange{request, answer});
  if (answer.bytes.empty()) return;
  if (!line_->Wait(TurnAroundMs(request.size(), line_->Baud()) + answer.delayMs)) return;
  if (line_->Send(answer.bytes.data(), answer.bytes.size()) == 0) answered_.fetch_add(1);
}

void CSimBus::TickLocked() {
  const auto now = std::chrono::steady_clock::now();
  const double real = std::chrono::duration<double>(now - lastTick_).count();
  lastTick_ = now;
  if (timeScale_ <= 0) return;
  for (Node& n : nodes_) n.detector.Advance(real * timeScale_, chamberC_);
}

CSimBus::Node* CSimBus::FindLocked(int address) {
  for (Node& n : nodes_)
    if (n.detector.Address() == address) return &n;
  return nullptr;
}

const CSimBus::Node* CSimBus::FindLocked(int address) const {
  for (const Node& n : nodes_)
    if (n.detector.Address() == address) return &n;
  return nullptr;
}

Bytes CSimBus::AnswerLocked(CSimDetector& d, const Bytes& request) {
  const std::uint8_t slave = request[0], fn = request[1];
  switch (fn) {
    case 3:
    case 4: {
      std::vector<std::uint16_t> words;
      const int ex = d.Read(WordAt(request, 2), WordAt(request, 4), &words);
      return ex ? BuildException(slave, fn, std::uint8_t(ex)) : BuildResponse(slave, fn, words);
    }
    case 6: {
      const int ex = d.WriteSingle(WordAt(request, 2), WordAt(request, 4));
      return ex ? BuildException(slave, fn, std::uint8_t(ex)) : request;
    }
    case 16: {
      const std::uint16_t first = WordAt(request, 2), count = WordAt(request, 4);
      if (count < 1 || request[6] != 2 * count || request.size() != std::size_t(9 + 2 * count))
        return BuildException(slave, fn, kExIllegalValue);
      std::vector<std::uint16_t> words;
      for (std::size_t i = 0; i < count; ++i) words.push_back(WordAt(request, 7 + 2 * i));
      const int ex = d.WriteMultiple(first, words);
      return ex ? BuildException(slave, fn, std::uint8_t(ex)) : BuildWriteMultipleAnswer(slave, first, count);
    }
    default: return BuildException(slave, fn, kExIllegalFunction);
  }
}

SimAnswer CSimBus::HandleRequest(const Bytes& request) {
  SimAnswer out;
  if (request.size() < 4) return out;
  {
    // The side slave feeds gas through the bus, so it runs before the bus is locked.
    std::lock_guard side(sideMutex_);
    if (sideSlave_)
      if (std::optional<Bytes> answer = sideSlave_(request)) {
        out.bytes = std::move(*answer);
        return out;
      }
  }
  std::lock_guard lock(mutex_);
  const int baud = line_ ? line_->Baud() : 9600;
  TickLocked();
  const std::uint8_t slave = request[0], fn = request[1];
  const bool isWrite = fn == 6 || fn == 16;
  // A detector set to another baud rate hears only noise.
  std::vector<Node*> hearing;
  for (Node& n : nodes_) {
    if ((slave == 0 || n.detector.Address() == slave) && BaudOfCode(n.detector.BaudCode()) == baud) {
      if (slave != 0 && out.fault.kind == SimFaultKind::None) out.fault = n.fault;
      if (n.fault.kind != SimFaultKind::Silent) hearing.push_back(&n);
    }
  }
  if (hearing.empty()) return out;

  if (slave == 0) {
    // Broadcast: writes are carried out by everyone, nobody answers.
    if (isWrite)
      for (Node* n : hearing)
        if (n->fault.kind != SimFaultKind::Exception && !(AnswerLocked(n->detector, request)[1] & 0x80))
          out.wrote = true;
    if (out.wrote) writes_.fetch_add(1);
    return out;
  }

  Node& first = *hearing.front();
  out.fault = first.fault;
  for (Node* n : hearing) {
    const bool forget = n->fault.kind == SimFaultKind::NoStore && fn == 16 && request.size() >= 8;
    const Bytes answer = n->fault.kind == SimFaultKind::Exception
                             ? BuildException(slave, fn, std::uint8_t(n->fault.param))
                         : forget ? BuildWriteMultipleAnswer(slave, WordAt(request, 2), WordAt(request, 4))
                                  : AnswerLocked(n->detector, request);
    if (isWrite && n->fault.kind != SimFaultKind::Exception && !(answer[1] & 0x80)) out.wrote = true;
    if (n == &first) out.bytes = answer;
  }
  if (out.wrote) writes_.fetch_add(1);
  switch (first.fault.kind) {
    case SimFaultKind::Slow: out.delayMs = std::max(first.fault.param, 0); break;
    case SimFaultKind::Crc: out.bytes.back() ^= 0x5A; break;
    case SimFaultKind::Short: out.bytes.resize(std::max<std::size_t>(1, out.bytes.size() / 2)); break;
    case SimFaultKind::WrongAddress:
      out.bytes.resize(out.bytes.size() - 2);
      out.bytes[0] = std::uint8_t(slave % 247 + 1);
      AppendCrc(out.bytes);
      break;
    default: break;
  }
  // Two detectors at one address talk over each other: the master receives
  // a garbled frame.
  if (hearing.size() > 1) out.bytes.back() ^= 0xA5;
  return out;
}

bool CSimBus::AddDetector(const SimDetectorSetup& setup) {
  std::lock_guard lock(mutex_);
  if (setup.address < 1 || setup.address > 247 || FindLocked(setup.address)) return false;
  nodes_.emplace_back(setup);
  Node& n = nodes_.back();
  n.detector.Advance(0, chamberC_);
  return true;
}

bool CSimBus::AddDetectors(int type, int count, int firstAddress) {
  if (!IsValidDetectorType(type) || count < 1 || firstAddress < 1 || firstAddress + count - 1 > 247) return false;
  {
    std::lock_guard lock(mutex_);
    for (int a = firstAddress; a < firstAddress + count; ++a)
      if (FindLocked(a)) return false;
  }
  for (int a = firstAddress; a < firstAddress + count; ++a)
    AddDetector(DefaultSimSetup(type, std::uint8_t(a), seed_));
  return true;
}

bool CSimBus::RemoveDetector(int address) {
  std::lock_guard lock(mutex_);
  // One at a time, so that of two detectors moved to one address the
  // other stays.
  for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
    if (it->detector.Address() == address) {
      nodes_.erase(it);
      return true;
    }
  return false;
}

SimDetectorInfo CSimBus::InfoLocked(const Node& n) const {
  const CSimDetector& d = n.detector;
  SimDetectorInfo i;
  i.type = d.Type();
  i.address = d.Address();
  i.baudCode = d.BaudCode();
  i.serial = d.Serial();
  i.gasCode = d.GasCode();
  i.gasVolume = d.Gas();
  i.temperature = d.HousingTemperature();
  i.readingLel = d.ReadingLel();
  i.readingVolume = d.ReadingVolume();
  i.serviceable = d.Serviceable();
  i.passwordAccepted = d.PasswordAccepted();
  i.fault = n.fault;
  i.registers = d.Registers();
  return i;
}

std::vector<SimDetectorInfo> CSimBus::List() const {
  std::lock_guard lock(mutex_);
  std::vector<SimDetectorInfo> out;
  for (const Node& n : nodes_) out.push_back(InfoLocked(n));
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.address < b.address; });
  return out;
}

std::optional<SimDetectorInfo> CSimBus::Detector(int address) const {
  std::lock_guard lock(mutex_);
  const Node* n = FindLocked(address);
  if (!n) return std::nullopt;
  return InfoLocked(*n);
}

std::optional<RegisterImage> CSimBus::Registers(int address) const {
  std::lock_guard lock(mutex_);
  const Node* n = FindLocked(address);
  if (!n) return std::nullopt;
  return n->detector.Registers();
}

void CSimBus::SetChamberTemperature(double c) {
  std::lock_guard lock(mutex_);
  TickLocked();  // the time so far passed at the old temperature
  chamberC_ = c;
}

double CSimBus::ChamberTemperature() const {
  std::lock_guard lock(mutex_);
  return chamberC_;
}

bool CSimBus::SetGasVolume(int address, double volPercent) {
  std::lock_guard lock(mutex_);
  TickLocked();
  bool any = false;
  for (Node& n : nodes_)
    if (address == 0 || n.detector.Address() == address) {
      n.detector.SetGas(volPercent);
      any = true;
    }
  return any;
}

std::optional<int> CSimBus::SetGraduationStage(int stage, int tLow, int tHigh) {
  std::lock_guard lock(mutex_);
  if (stage < 1 || stage > kGraduationStages || nodes_.empty()) return std::nullopt;
  TickLocked();
  const int t = StageTemperature(nodes_.front().detector.Type(), stage, tLow, tHigh);
  chamberC_ = t;
  return t;
}

bool CSimBus::FeedGraduationGas(int address, int mixture) {
  std::lock_guard lock(mutex_);
  TickLocked();
  bool any = false;
  for (Node& n : nodes_)
    if (address == 0 || n.detector.Address() == address) {
      n.detector.FeedGraduationGas(mixture);
      any = true;
    }
  return any;
}

void CSimBus::FollowGraduation(int stage, int step, int tLow, int tHigh) {
  if (!SetGraduationStage(stage, tLow, tHigh)) return;
  FeedGraduationGas(0, step == 2 ? 2 : step == 3 ? 1 : 0);
}

bool CSimBus::SetGasLel(int address, double lel) {
  std::lock_guard lock(mutex_);
  TickLocked();
  bool any = false;
  for (Node& n : nodes_)
    if (address == 0 || n.detector.Address() == address) {
      n.detector.SetGas(lel / 100 * n.detector.LelVolume());
      any = true;
    }
  return any;
}

bool CSimBus::SetFault(int address, const SimFault& fault) {
  std::lock_guard lock(mutex_);
  bool any = false;
  for (Node& n : nodes_)
    if (address == 0 || n.detector.Address() == address) {
      n.fault = fault;
      any = true;
    }
  return any;
}

bool CSimBus::SetServiceable(int address, bool ok) {
  std::lock_guard lock(mutex_);
  bool any = false;
  for (Node& n : nodes_)
    if (address == 0 || n.detector.Address() == address) {
      n.detector.SetServiceable(ok);
      any = true;
    }
  return any;
}

void CSimBus::SetTimeScale(double scale) {
  std::lock_guard lock(mutex_);
  TickLocked();
  timeScale_ = std::max(scale, 0.0);
}

double CSimBus::TimeScale() const {
  std::lock_guard lock(mutex_);
  return timeScale_;
}

void CSimBus::Advance(double seconds) {
  std::lock_guard lock(mutex_);
  TickLocked();
  for (Node& n : nodes_) n.detector.Advance(seconds, chamberC_);
}

}  // namespace kvl
