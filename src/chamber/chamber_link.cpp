#include "chamber/chamber_link.h"

#include <cmath>

#include "text/chamber_texts.h"
#include "text/format.h"

namespace kvl {

void CChamberLink::Open(const ChamberProfile& profile, const DeviceLineSettings& line, LanguageIndex lang) {
  Close();
  lang_ = lang;
  talk_.emplace(profile, line.ending, lang);
  {
    std::lock_guard lock(mutex_);
    pending_.reset();
    profile_ = profile;
    last_ = ChamberReading{};
    last_.reason = txt::kChamberNoAnswer(lang);
    started_ = false;
    lastSent_ = NAN;
    nextPoll_ = {};
  }
  line_.Start(
      line, profile.pollSeconds * 1000, lang, [this](CSerialPort& port) { Serve(port); },
      [this](const std::string& why) {
        ChamberReading r;
        r.at = std::chrono::steady_clock::now();
        r.reason = why;
        Publish(r);
      });
}

void CChamberLink::Close() {
  line_.Stop();
  std::lock_guard lock(mutex_);
  talk_.reset();
  profile_.reset();
  last_ = ChamberReading{};
  last_.reason = txt::kChamberOff(lang_);
}

std::optional<ChamberProfile> CChamberLink::Profile() const {
  std::lock_guard lock(mutex_);
  return profile_;
}

bool CChamberLink::SetPoint(double celsius) {
  {
    std::lock_guard lock(mutex_);
    if (!profile_ || !profile_->InRange(celsius)) return false;
    pending_ = Command{false, celsius};
  }
  line_.Wake();
  return true;
}

void CChamberLink::Park() {
  {
    std::lock_guard lock(mutex_);
    if (!profile_) return;
    pending_ = Command{true, profile_->parkC};
  }
  line_.Wake();
}

ChamberReading CChamberLink::Last() const {
  ChamberReading r;
  {
    std::lock_guard lock(mutex_);
    r = last_;
  }
  r.lineLost = line_.Lost();
  return r;
}

void CChamberLink::Serve(CSerialPort& port) {
  std::optional<Command> command;
  {
    std::lock_guard lock(mutex_);
    command.swap(pending_);
  }
  if (command) Send(port, *command);
  const SteadyTime now = std::chrono::steady_clock::now();
  if (!command && now < nextPoll_) return;
  nextPoll_ = now + std::chrono::seconds(talk_->Profile().pollSeconds) - std::chrono::milliseconds(100);
  ChamberReading r = talk_->Read(port);
  if (r.answered && std::isnan(r.setPoint)) {
    std::lock_guard lock(mutex_);
    r.setPoint = lastSent_;
  }
  Publish(r);
}

void CChamberLink::Send(CSerialPort& port, const Command& command) {
  std::string why;
  if (!started_ && !command.park && talk_->HasRunCommand(true)) {
    started_ = talk_->Run(port, true, &why);
    Journal("chamber-start", "", started_, why);
  }
  const std::string value = Format("%.*f", 2, command.celsius);
  const bool ok = talk_->SetPoint(port, command.celsius, &why);
  Journal(command.park ? "chamber-park" : "chamber-set", value, ok, why);
  if (ok) {
    std::lock_guard lock(mutex_);
    lastSent_ = command.celsius;
  }
  if (command.park && talk_->HasRunCommand(false)) {
    const bool stopped = talk_->Run(port, false, &why);
    Journal("chamber-stop", "", stopped, why);
    started_ = false;
  }
}

void CChamberLink::Publish(const ChamberReading& reading) {
  {
    std::lock_guard lock(mutex_);
    last_ = reading;
  }
  if (changed_) changed_();
}

void CChamberLink::Journal(const char* kind, const std::string& value, bool ok, const std::string& why) {
  if (sink_) sink_(DeviceEvent{kind, value, ok ? std::string("ok") : "failed: " + why});
}

}  // namespace kvl
