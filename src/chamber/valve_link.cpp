#include "chamber/valve_link.h"

#include "link/modbus_slave.h"
#include "text/chamber_texts.h"
#include "text/format.h"

namespace kvl {
namespace {

// How long closing at exit waits for the module before letting go.
constexpr int kCloseWaitMs = 1500;

}  // namespace

void CValveLink::Begin(const ValveProfile& profile, LanguageIndex lang) {
  Close();
  lang_ = lang;
  talk_.emplace(profile, lang);
  std::lock_guard lock(mutex_);
  // The rest state first, whatever the module was left in.
  pending_ = GasValve::kClosed;
  last_ = ValveState{};
  last_.reason = txt::kChamberNoAnswer(lang);
}

void CValveLink::OpenOwnLine(const ValveProfile& profile, const DeviceLineSettings& line, LanguageIndex lang) {
  Begin(profile, lang);
  // Every few seconds the state is read again, so a module switched by hand shows.
  ownLine_.Start(
      line, 5000, lang,
      [this](CSerialPort& port) {
        if (ServePending(port)) return;
        GasValve open = GasValve::kClosed;
        std::string why;
        ValveState s = Last();
        s.answered = talk_->Get(port, &open, &why);
        if (s.answered && open != s.open) s.since = std::chrono::steady_clock::now();
        s.open = s.answered ? open : s.open;
        s.reason = why;
        Publish(s);
      },
      [this](const std::string& why) {
        ValveState s = Last();
        s.answered = false;
        s.reason = why;
        Publish(s);
      });
}

void CValveLink::AttachToDetectorLine(const ValveProfile& profile, CModbusSlave& link, LanguageIndex lang) {
  Begin(profile, lang);
  talk_->SetEcho(link.Echo());
  detectorLine_ = &link;
  link.SetSideTraffic(this);
}

bool CValveLink::IsOpen() const { return ownLine_.Running() || detectorLine_ != nullptr; }

void CValveLink::Close() {
  if (!talk_) return;
  if (ownLine_.Running()) {
    ownLine_.Stop([this](CSerialPort& port) {
      Open(GasValve::kClosed);
      ServePending(port);
    });
  } else if (detectorLine_) {
    Open(GasValve::kClosed);
    std::unique_lock lock(mutex_);
    served_.wait_for(lock, std::chrono::milliseconds(kCloseWaitMs), [this] { return !pending_; });
    lock.unlock();
    detectorLine_->SetSideTraffic(nullptr);
    detectorLine_ = nullptr;
  }
  talk_.reset();
}

void CValveLink::Open(GasValve valve) {
  {
    std::lock_guard lock(mutex_);
    pending_ = valve;
  }
  ownLine_.Wake();
}

ValveState CValveLink::Last() const {
  ValveState v;
  {
    std::lock_guard lock(mutex_);
    v = last_;
  }
  // On the detector line the loss is that line's own, told by its link.
  v.lineLost = ownLine_.Lost();
  return v;
}

void CValveLink::ServeBetweenPolls(CSerialPort& line) { ServePending(line); }

bool CValveLink::ServePending(CSerialPort& line) {
  std::optional<GasValve> want;
  {
    std::lock_guard lock(mutex_);
    want.swap(pending_);
  }
  if (!want || !talk_) return false;
  std::string why;
  ValveState s;
  s.answered = talk_->Open(line, *want, &why) && ReadBack(line, *want, &why);
  s.open = *want;
  s.since = std::chrono::steady_clock::now();
  if (sink_) sink_(DeviceEvent{"valves", GasValveName(*want), s.answered ? "ok" : "failed: " + why});
  if (!s.answered) {
    // Whatever half happened, no gas is left flowing.
    std::string ignored;
    if (*want != GasValve::kClosed && talk_->Open(line, GasValve::kClosed, &ignored) && sink_)
      sink_(DeviceEvent{"valves", "closed", "ok"});
    s.open = GasValve::kClosed;
    s.reason = why;
  }
  Publish(s);
  std::lock_guard lock(mutex_);
  served_.notify_all();
  return true;
}

// A module that acknowledged a switch may still not have switched (a relay
// stuck, another master on the line): what counts is what it reads back.
bool CValveLink::ReadBack(CSerialPort& line, GasValve want, std::string* why) {
  GasValve open = GasValve::kClosed;
  if (!talk_->Get(line, &open, why)) return false;
  if (open == want) return true;
  *why = Format(txt::kValvesReadBackDiffers(lang_), GasValveName(open), GasValveName(want));
  return false;
}

void CValveLink::Publish(const ValveState& state) {
  {
    std::lock_guard lock(mutex_);
    last_ = state;
  }
  if (changed_) changed_();
}

}  // namespace kvl
