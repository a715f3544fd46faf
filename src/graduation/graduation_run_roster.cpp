// The run's detectors: which slots a run graduates, letting one go that has
// fallen silent, and whether a saved run's detectors are the ones on the bus
// before it is taken up.
#include <algorithm>

#include "detector/decoding.h"
#include "graduation/grad_log.h"
#include "graduation/graduation_run.h"
#include "text/autopilot_texts.h"
#include "text/cp1251.h"
#include "text/format.h"

namespace kvl {
bool CGraduationRun::InRun(int slot) const { return RunAddress(slot) >= 0 && !dropped_[std::size_t(slot)]; }

bool CGraduationRun::WasDropped(int slot) const { return RunAddress(slot) >= 0 && dropped_[std::size_t(slot)]; }

int CGraduationRun::RunAddress(int slot) const {
  return slot >= 0 && slot < kSlotCount ? roster_[std::size_t(slot)] : -1;
}

std::array<bool, kSlotCount> CGraduationRun::OutOfRun() const {
  std::array<bool, kSlotCount> out{};
  for (int s = 0; s < kSlotCount; ++s) out[std::size_t(s)] = Running() && WasDropped(s);
  return out;
}

std::string CGraduationRun::RunSerial(int slot) const {
  return RunAddress(slot) >= 0 ? serials_[std::size_t(slot)] : std::string();
}

// Every row of the poll list has its place; a row whose detector did not
// answer at the start was never in the run and stays out of it.
void CGraduationRun::TakeRoster(const CDetectorTable& t, int type) {
  roster_.fill(-1);
  dropped_.fill(false);
  const std::vector<std::uint8_t>& listed = t.AddressList();
  for (std::size_t s = 0; s < listed.size() && s < roster_.size(); ++s) {
    const SlotState& slot = t.Slot(int(s));
    roster_[s] = listed[s];
    dropped_[s] = !slot.HasDetector();
    serials_[s] = slot.HasDetector() ? SerialNumberText(type, slot.image, false) : std::string();
  }
}

void CGraduationRun::RestoreRoster(const SavedRun& saved) {
  roster_.fill(-1);
  dropped_.fill(false);
  for (std::size_t s = 0; s < saved.addresses.size() && s < roster_.size(); ++s) {
    roster_[s] = saved.addresses[s];
    serials_[s] = s < saved.serials.size() ? saved.serials[s] : std::string();
    dropped_[s] = std::count(saved.dropped.begin(), saved.dropped.end(), saved.addresses[s]) > 0;
  }
}

RunActions CGraduationRun::Drop(int slot, const std::string& why, const RunEnvironment& env) {
  RunActions out;
  if (!InRun(slot) || !env.table) return out;
  dropped_[std::size_t(slot)] = true;
  const LanguageIndex l = env.language;
  const std::string where = Format(txt::kApStepWords(l), stage_, step_);
  const std::string note = Format(txt::kApDropped(l), roster_[std::size_t(slot)], RunSerial(slot).c_str(),
                                  DateTimeText(env.now).c_str(), where.c_str(), why.c_str());
  out.notes.push_back(note);
  std::string bytes;
  EncodeCp1251(note + "\r\n\r\n", bytes);  // a text of our own tables: every character has its byte
  // Into the log of the detector the run started with, whoever answers at its address now.
  RunLogAppend log;
  log.path = GradLogPath(env.dataFolder, RunSerial(slot));
  log.bytes = std::move(bytes);
  if (!RunSerial(slot).empty()) out.logs.push_back(std::move(log));
  return out;
}

std::vector<ResumeMismatch> ResumeMismatches(const SavedRun& saved, const CDetectorTable& t, int type,
                                             LanguageIndex l) {
  std::vector<ResumeMismatch> out;
  if (saved.type != type) {
    out.push_back({-1, 0, Format(txt::kApResumeType(l), DetectorTypeName(saved.type), DetectorTypeName(type))});
    return out;
  }
  for (std::size_t s = 0; s < saved.addresses.size() && s < std::size_t(kSlotCount); ++s) {
    const int address = saved.addresses[s];
    if (std::count(saved.dropped.begin(), saved.dropped.end(), address)) continue;
    const std::string was = s < saved.serials.size() ? saved.serials[s] : std::string();
    const SlotState& slot = t.Slot(int(s));
    if (!slot.HasDetector()) {
      out.push_back({int(s), address, Format(txt::kApResumeSilent(l), address, was.c_str())});
      continue;
    }
    // A state of an earlier version names no serial numbers: the addresses are all it can compare.
    const std::string now = SerialNumberText(type, slot.image, false);
    if (!was.empty() && now != was)
      out.push_back({int(s), address, Format(txt::kApResumeOther(l), address, was.c_str(), now.c_str())});
  }
  return out;
}

}  // namespace kvl
