#include "sim/sim_chamber.h"

#include <algorithm>
#include <cmath>

#include "chamber/chamber_protocol.h"
#include "sim/sim_request.h"
#include "text/format.h"
#include "text/number_grammar.h"

namespace kvl {
namespace {

constexpr int kIdleReceiveMs = 100;

std::uint16_t WordAt(const Bytes& b, std::size_t i) { return std::uint16_t((b[i] << 8) | b[i + 1]); }

}  // namespace

CSimChamber::CSimChamber(const ChamberProfile& profile, CSimBus& bus, std::uint64_t seed)
    : profile_(profile),
      bus_(bus),
      air_(bus.ChamberTemperature()),
      setPoint_(air_),
      pushed_(air_),
      random_(seed),
      lastTick_(std::chrono::steady_clock::now()) {}

CSimChamber::~CSimChamber() { Stop(); }

bool CSimChamber::Start(std::unique_ptr<CSimLine> line) {
  if (!line || thread_.joinable()) return false;
  line_ = std::move(line);
  stop_.store(false);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void CSimChamber::Stop() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  line_->Interrupt();
  thread_.join();
  line_.reset();
}

double CSimChamber::Air() const {
  std::lock_guard lock(mutex_);
  return air_;
}

double CSimChamber::SetPointC() const {
  std::lock_guard lock(mutex_);
  return setPoint_;
}

bool CSimChamber::RunningCommanded() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void CSimChamber::Advance(double seconds) {
  std::lock_guard lock(mutex_);
  TickLocked();
  MoveAirLocked(seconds);
}

void CSimChamber::TickLocked() {
  const auto now = std::chrono::steady_clock::now();
  const double real = std::chrono::duration<double>(now - lastTick_).count();
  lastTick_ = now;
  MoveAirLocked(real * bus_.TimeScale());
}

void CSimChamber::MoveAirLocked(double dt) {
  // The world's temperature set from outside (a 'temp' command, a demo run
  // following its stages) is the air's; an idle chamber, never given a set
  // point, only reports it.
  const double world = bus_.ChamberTemperature();
  if (world != pushed_) air_ = world;
  if (!commanded_) setPoint_ = air_;
  if (dt <= 0 || !commanded_) return;
  // Full speed far from the set point, an exponential approach near it.
  const double step = kMaxRateCPerMin / 60 * dt;
  const double d = setPoint_ - air_;
  air_ += std::clamp(d * (1 - std::exp(-dt / kSettleS)), -step, step);
  pushed_ = air_;
  bus_.SetChamberTemperature(air_);
}

double CSimChamber::MeasuredLocked() { return air_ + random_.Noise(kNoiseC); }

std::string CSimChamber::AnswerAscii(const std::string& line) {
  const AsciiChamberCommands& a = profile_.ascii;
  std::lock_guard lock(mutex_);
  TickLocked();
  if (line == a.readCommand) {
    const int fields = std::max(a.measuredField, a.setPointField);
    const char sep = a.replySeparators.empty() ? ' ' : a.replySeparators[0];
    std::string out;
    for (int f = 1; f <= fields; ++f) {
      if (f > 1) out += sep;
      out += f == a.measuredField ? Format("%.2f", MeasuredLocked())
             : f == a.setPointField ? Format("%.*f", a.setDecimals, setPoint_)
                                    : std::string("0");
    }
    return out;
  }
  const std::string ok = a.setReply;
  if (!a.startCommand.empty() && line == a.startCommand) return running_ = true, ok;
  if (!a.stopCommand.empty() && line == a.stopCommand) return running_ = false, ok;
  const std::size_t at = a.setCommand.find("{T}");
  const std::string head = a.setCommand.substr(0, at), tail = a.setCommand.substr(at + 3);
  double c = 0;
  if (line.size() > head.size() + tail.size() && line.compare(0, head.size(), head) == 0 &&
      line.compare(line.size() - tail.size(), tail.size(), tail) == 0 &&
      ParseDecimalToken(std::string_view(line).substr(head.size(), line.size() - head.size() - tail.size()),
                        profile_.setPointMin, profile_.setPointMax, &c) == TokenVerdict::kGood) {
    setPoint_ = c;
    commanded_ = true;
    return ok;
  }
  return "ERR";
}

Bytes CSimChamber::AnswerModbus(const Bytes& request) {
  const ModbusChamberRegisters& m = profile_.modbus;
  if (request.size() < 8 || request[0] != m.address) return {};
  const std::uint8_t fn = request[1];
  const std::uint16_t reg = WordAt(request, 2), value = WordAt(request, 4);
  std::lock_guard lock(mutex_);
  TickLocked();
  auto word = [&](double c) { return TemperatureWord(m, c).value_or(0); };
  if ((fn == 3 || fn == 4) && value == 1) {
    if (reg == m.measuredRegister && fn == m.readFunction) return BuildResponse(m.address, fn, {word(MeasuredLocked())});
    if (reg == m.setPointRegister && fn == 3) return BuildResponse(m.address, fn, {word(setPoint_)});
    if (reg == m.runRegister && fn == 3) return BuildResponse(m.address, fn, {std::uint16_t(running_ ? m.runOn : m.runOff)});
    return BuildException(m.address, fn, kExIllegalAddress);
  }
  if (fn == 6 && reg == m.setPointRegister) {
    const double c = WordTemperature(m, value);
    if (!profile_.InRange(c)) return BuildException(m.address, fn, kExIllegalValue);
    setPoint_ = c;
    commanded_ = true;
    return request;
  }
  if (fn == 6 && m.runRegister >= 0 && reg == m.runRegister) return running_ = value == m.runOn, request;
  if (fn == 5 && m.runCoil >= 0 && reg == m.runCoil) return running_ = value == 0xFF00, request;
  return BuildException(m.address, fn, fn == 5 || fn == 6 ? kExIllegalAddress : 1);
}

void CSimChamber::Reply(const std::string& text) {
  if (!answering_.load()) return;
  const std::string out = text + ending_;
  line_->Send(reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
}

void CSimChamber::ServeAscii(const std::uint8_t* data, int n) {
  for (int i = 0; i < n; ++i) {
    const char c = char(data[i]);
    if (c != '\r' && c != '\n') {
      if (pending_.size() < 256) pending_ += c;
      continue;
    }
    if (pending_.empty()) continue;  // the LF of a CR LF
    ending_ = c == '\n' ? "\n" : (i + 1 < n && data[i + 1] == '\n') ? "\r\n" : "\r";
    const std::string reply = AnswerAscii(pending_);
    pending_.clear();
    if (!reply.empty()) Reply(reply);
  }
}

void CSimChamber::ServeModbus(const std::uint8_t* data, int n, bool silence) {
  const std::vector<Bytes> frames = silence ? assembler_.Silence() : assembler_.Feed(data, std::size_t(n));
  for (const Bytes& f : frames) {
    const Bytes answer = AnswerModbus(f);
    if (answer.empty() || !answering_.load()) continue;
    if (!line_->Wait(FrameGapMs(line_->Baud()))) return;
    line_->Send(answer.data(), answer.size());
  }
}

void CSimChamber::Run() {
  std::uint8_t buffer[256];
  const bool ascii = profile_.protocol == ChamberProtocol::kAscii;
  while (!stop_.load()) {
    const bool waiting = !ascii && assembler_.Pending();
    const int n = line_->Receive(buffer, int(sizeof buffer), waiting ? FrameGapMs(line_->Baud()) : kIdleReceiveMs);
    if (stop_.load()) break;
    if (n < 0) {
      line_->Wait(kIdleReceiveMs);
      continue;
    }
    if (n == 0) {
      std::lock_guard lock(mutex_);
      TickLocked();
    }
    if (ascii)
      ServeAscii(buffer, n);
    else
      ServeModbus(buffer, n, n == 0);
  }
}

bool ApplyChamberCommand(CSimChamber* chamber, const std::string& line, std::string* reply) {
  if (line.rfind("chamber", 0) != 0) return false;
  const std::string arg = line.size() > 8 ? line.substr(8) : "";
  if (!chamber) *reply = "error: no chamber (start kvlsim with --chamber FILE)";
  else if (arg == "off") chamber->SetAnswering(false), *reply = "chamber silent";
  else if (arg == "on") chamber->SetAnswering(true), *reply = "chamber answering";
  else if (arg.empty() || arg == "status")
    *reply = Format("chamber air %.2f set point %.2f %s%s", chamber->Air(), chamber->SetPointC(),
                    chamber->RunningCommanded() ? "running" : "stopped", chamber->Answering() ? "" : " silent");
  else
    *reply = "error: usage: chamber [on|off|status]";
  return true;
}

}  // namespace kvl
