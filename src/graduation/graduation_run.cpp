#include "graduation/graduation_run.h"

#include <algorithm>
#include <cmath>

#include "detector/decoding.h"
#include "detector/register_map.h"
#include "graduation/grad_log.h"
#include "text/dialog_texts.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

// Relative drop of W for the middle (a) and high (b) mixture in a run
// without gas, 0.01 % units, by point 0..7: methane (gas code 1), any other gas.
constexpr int kDropMiddle[2][8] = {{1111, 1065, 1030, 997, 968, 932, 903, 878},
                                   {1561, 1585, 1581, 1586, 1590, 1573, 1576, 1573}};
constexpr int kDropHigh[2][8] = {{1489, 1426, 1370, 1335, 1300, 1269, 1230, 1212},
                                 {2087, 2156, 2198, 2228, 2253, 2265, 2300, 2317}};

std::uint16_t Dropped(std::uint16_t w, int drop) {
  const double v = std::floor(w * (1 - drop * 0.0001) + 0.5);
  return std::uint16_t(std::clamp(v, 0.0, 65535.0));
}

// Slots of the poll list, and which of them have a detector.
int ListedSlots(const CDetectorTable& t) { return int(std::min<std::size_t>(t.AddressList().size(), kSlotCount)); }

// Leading blanks and plus signs go, "," becomes ".", then the number at the start (0 when none).
double ConcentrationValue(std::string text) {
  std::size_t start = text.find_first_not_of(" +");
  text = start == std::string::npos ? "" : text.substr(start);
  for (char& c : text)
    if (c == ',') c = '.';
  double v = 0;
  if (!ParseDouble(text, &v) || !std::isfinite(v)) v = 0;  // "nan" would pass every range check below
  return v;
}

}  // namespace

CGraduationRun::CGraduationRun() {
  logHeader_.fill(true);
  roster_.fill(-1);
}


std::string CGraduationRun::StepMessage(int type, int stage, int step, int valveMode, int tLow, int tHigh,
                                        LanguageIndex l) {
  const char* fmt = kStagePrompts[StagePromptIndex(step, valveMode == 1)](l);
  return BlankZeroSign(Format(fmt, StageTemperature(type, stage, tLow, tHigh)));
}

RunView CGraduationRun::View(const RunEnvironment& env) const {
  RunView v;
  const bool running = stage_ != 0 && doneVisible_;
  v.buttonCaption = kGraduationButton[running ? 1 : 0](env.language);
  v.doneVisible = doneVisible_;
  v.doneEnabled = doneEnabled_;
  v.valveMode = valveMode_;
  v.seenStep = stage_ >= 1 && stage_ <= kGraduationStages ? step_ : 0;
  switch (shown_) {
    case Shown::None: break;
    case Shown::Step:
      v.messageVisible = true;
      v.message = StepMessage(env.type, stage_, step_, valveMode_, env.tLow, env.tHigh, env.language);
      break;
    case Shown::Completed:
      v.messageVisible = true;
      v.message = txt::kGraduationCompleted(env.language);
      break;
    case Shown::Elapsed:
      v.messageVisible = true;
      v.message = txt::k35MinutesElapsed(env.language);
      break;
  }
  return v;
}

RunActions CGraduationRun::OnButton(const RunEnvironment& env) {
  RunActions out;
  RunDialogRequest ask;
  DismissCompletion();
  if (stage_ == 0) {
    ask.kind = RunDialog::Password;
    ask.prompt = txt::kEnterPasswordPrompt(env.language);
  } else {
    ask.kind = RunDialog::StopQuestion;
    ask.prompt = std::string(kGraduationButton[1](env.language)) + ",  " + txt::kAreYouSure(env.language) + "  ";
  }
  awaiting_ = ask.kind;
  out.ask = std::move(ask);
  return out;
}

RunActions CGraduationRun::OnPassword(const std::optional<std::string>& text, const RunEnvironment& env) {
  RunActions out;
  if (awaiting_ != RunDialog::Password) return out;
  awaiting_.reset();
  if (!text || !env.table) return out;
  // A wrong password is said to be wrong: a silent refusal reads as a fault.
  if (*text != kGraduationPassword) {
    out.messages.push_back(txt::kIllegalValue(env.language));
    return out;
  }
  const CDetectorTable& t = *env.table;
  const int n = ListedSlots(t);
  std::optional<std::uint16_t> gas;
  for (int s = 0; s < n; ++s) {
    if (!t.Slot(s).HasDetector()) continue;
    const std::uint16_t g = t.Slot(s).image[reg::z5::GAS];
    if (!gas) {
      gas = g;
    } else if (g != *gas) {
      out.messages.push_back(txt::kOneGasForGraduation(env.language));
      return out;
    }
  }

  RunDialogRequest ask;
  ask.kind = RunDialog::StartChoice;
  const LanguageIndex l = env.language;
  ask.prompt = std::string(txt::kStartGraduationPrompt(l)) + ",\n" + txt::kAreYouSure(l) + "  ";
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    std::string item = Format("%+2d°C", StageTemperature(env.type, stage, env.tLow, env.tHigh));
    if (item.rfind("+0", 0) == 0) item.replace(0, 2, "   0");
    ask.stageItems.push_back(item);
  }
  for (const TextEntry& e : kStageControl) ask.valveItems.push_back(e(l));
  ask.valveSelected = valveMode_;
  ask.beginCaption = txt::kBegin(l);
  ask.withoutGasCaption = txt::kWithoutGas(l);
  ask.withoutDelayCaption = txt::kWithoutDelay(l);
  awaiting_ = ask.kind;
  out.ask = std::move(ask);
  return out;
}

RunActions CGraduationRun::OnStartChoice(const std::optional<RunStartChoice>& choice, const RunEnvironment& env) {
  RunActions out;
  if (awaiting_ != RunDialog::StartChoice) return out;
  awaiting_.reset();
  if (!choice || !env.table) return out;
  // Only chosen: the run begins once the concentrations are taken.
  startStage_ = std::clamp(choice->stageIndex, 0, kGraduationStages - 1) + 1;
  valveMode_ = choice->valveMode == 1 ? 1 : 0;
  withoutGas_ = choice->withoutGas;
  withoutDelay_ = choice->withoutDelay;
  RunDialogRequest ask;
  ask.kind = RunDialog::Concentrations;
  awaiting_ = ask.kind;
  out.ask = std::move(ask);
  return out;
}

bool CGraduationRun::StartWrites(const CDetectorTable& t, const std::string& medium, const std::string& high,
                                 LanguageIndex l, std::vector<RunWrite>& writes, std::string& refusal,
                                 bool& retype) const {
  const double c1 = ConcentrationValue(medium), c2 = ConcentrationValue(high);
  std::string errors;
  std::vector<RunWrite> password, batch;
  retype = true;
  for (int s = 0; s < kSlotCount; ++s) {
    const SlotState& slot = t.Slot(s);
    // The run's detectors only: one it let go is written nothing.
    if (!InRun(s) || !slot.HasDetector()) continue;
    const unsigned address = unsigned(RunAddress(s));
    const std::uint16_t lel = slot.image[reg::z5::LEL_CONC];
    if (lel == 0) {
      refusal = Format("%s %u:\n%s LELCONC = 0", txt::kDeviceModbusNumber(l), address, txt::kRegister(l));
      retype = false;  // no typed value passes a detector without its LEL
      return false;
    }
    const double C1 = std::floor(c1 / lel * 1000000 + 0.5), C2 = std::floor(c2 / lel * 1000000 + 0.5);
    if (C2 <= C1) {
      refusal = txt::kIllegalValue(l);
      return false;
    }
    if (C1 < 1 || C1 > 65535 || C2 < 1 || C2 > 65535)
      errors += Format("\n%s %u", txt::kDeviceModbusNumber(l), address);
    password.push_back({std::uint8_t(address), std::uint16_t(reg::kPassword), kGraduationPasswordCode});
    batch.push_back({std::uint8_t(address), std::uint16_t(reg::z5::GRAD_CONC1),
                     std::uint16_t(std::clamp(C1, 0.0, 65535.0))});
    batch.push_back({std::uint8_t(address), std::uint16_t(reg::z5::GRAD_CONC2),
                     std::uint16_t(std::clamp(C2, 0.0, 65535.0))});
  }
  if (!errors.empty()) {
    refusal = std::string(txt::kIllegalConcOrLelConc(l)) + errors;
    return false;
  }
  // The password first: it opens the detectors to the concentrations.
  writes = std::move(password);
  writes.insert(writes.end(), batch.begin(), batch.end());
  return true;
}

RunActions CGraduationRun::OnConcentrations(const std::optional<std::pair<std::string, std::string>>& texts,
                                            const RunEnvironment& env) {
  RunActions out;
  if (awaiting_ != RunDialog::Concentrations) return out;
  awaiting_.reset();
  if (!texts || !env.table) return out;  // no run: nothing was sent
  const CDetectorTable& t = *env.table;
  std::string refusal;
  bool retype = false;
  TakeRoster(t, env.type);  // the detectors answering now are the run's
  if (!StartWrites(t, texts->first, texts->second, env.language, out.writes, refusal, retype)) {
    // A value mistyped is asked again: it never ends the run, nor starts it.
    out.messages.push_back(refusal);
    if (retype) {
      RunDialogRequest ask;
      ask.kind = RunDialog::Concentrations;
      ask.again = true;
      awaiting_ = ask.kind;
      out.ask = std::move(ask);
    }
    return out;
  }
  stage_ = startStage_;
  firstStage_ = stage_;
  for (int s = 0; s < ListedSlots(t); ++s) logHeader_[std::size_t(s)] = true;
  gasSpans_.clear();
  captures_.clear();
  seriesOwed_ = true;
  out.valveSelector = valveMode_;
  for (int s = 0; s < kSlotCount; ++s)
    if (t.Slot(s).HasDetector()) {
      out.gas = RunGasSelection{int(GasCode(t.Slot(s).image)), texts->second, texts->first};
      break;
    }
  step_ = 0;
  shown_ = Shown::Step;
  doneVisible_ = true;
  doneEnabled_ = true;
  out.hideValveSelector = true;
  // An Auto run records its first temperature step too: the tables of its
  // files are fitted to the clean air of the temperature steps, and the
  // first is the hottest (a manual run starts recording at the first "   Done").
  if (valveMode_ == 1) Record(out);
  if (!withoutDelay_) {
    doneEnabled_ = false;
    out.startStabilizationMs = stabilizationMs_;
    timerEverStarted_ = true;
  }
  return out;
}

void CGraduationRun::Record(RunActions& out) {
  out.recording = true;
  // A new run's files are its own: the last run's files are never appended to.
  out.recordingNewSeries = seriesOwed_;
  seriesOwed_ = false;
}

RunActions CGraduationRun::OnStopAnswer(bool yes) {
  RunActions out;
  if (awaiting_ != RunDialog::StopQuestion) return out;
  awaiting_.reset();
  if (!yes) return out;
  EndRun(out);
  return out;
}

void CGraduationRun::EndRun(RunActions& out) {
  stage_ = 0;
  out.recording = false;
  if (timerEverStarted_) {
    out.stopStabilization = true;
    doneEnabled_ = true;
  }
  step_ = 0;
  shown_ = Shown::None;
  doneVisible_ = false;
  out.hideValveSelector = true;
}

void CGraduationRun::NoteGas(bool before, bool after, long long now) {
  if (!before && after) gasSpans_.push_back({now, now - 1});
  if (before && !after && !gasSpans_.empty()) gasSpans_.back().to = now;
}

void CGraduationRun::NoteCapture(const RunEnvironment& env) {
  RunCapture c;
  c.stage = stage_;
  c.step = step_;
  c.setPointC = env.chamberSetPointC;
  c.chamberC = env.chamberMeasuredC;
  const int listed = ListedSlots(*env.table);
  for (int s = 0; s < listed; ++s) {
    const SlotState& slot = env.table->Slot(s);
    c.detectorT.push_back(slot.HasDetector() ? std::optional<std::uint16_t>(slot.image[reg::kT]) : std::nullopt);
  }
  captures_.push_back(std::move(c));
}

RunLogAppend CGraduationRun::LogRecord(const RunEnvironment& env, int s, const std::string& pointLine) {
  const SlotState& slot = env.table->Slot(s);
  RunLogAppend log;
  // The run's own detector's log, whatever the row shows this moment.
  const std::string serial = RunSerial(s);
  log.path = GradLogPath(env.dataFolder, serial.empty() ? SerialNumberText(env.type, slot.image, false) : serial);
  if (logHeader_[std::size_t(s)]) {
    log.bytes = GradLogRunHeader(env.type, RunAddress(s) >= 0 ? RunAddress(s) : slot.address, slot.image, env.now);
    logHeader_[std::size_t(s)] = false;
  }
  log.bytes += pointLine;
  return log;
}

RunActions CGraduationRun::OnDone(const RunEnvironment& env) {
  RunActions out;
  if (stage_ < 1 || stage_ > kGraduationStages || !doneEnabled_ || !env.table) return out;
  const CDetectorTable& t = *env.table;
  const int point = StagePoint(stage_);
  const int temperature = StageTemperature(env.type, stage_, env.tLow, env.tHigh);
  const bool lastStage = stage_ == kGraduationStages;
  NoteCapture(env);
  // Every detector of the run takes its point, also one whose last poll
  // failed (its image keeps what it last answered); one let go takes none.
  for (int s = 0; s < kSlotCount; ++s) {
    const SlotState& slot = t.Slot(s);
    if (!InRun(s)) continue;
    const auto address = std::uint8_t(roster_[std::size_t(s)]);
    if (step_ >= 1 && step_ <= 3 && !withoutGas_) {
      const unsigned code = step_ == 1 ? kCaptureZeroGas : step_ == 2 ? kCaptureHighGas : kCaptureMiddleGas;
      out.writes.push_back({address, std::uint16_t(kRegGraduationCommand), std::uint16_t(code * 256 + point)});
    } else if (step_ >= 1 && step_ <= 3) {
      const std::uint16_t T = slot.image[reg::kT], R = slot.image[reg::kR], W = slot.image[reg::kW];
      const int row = GasCode(slot.image) == 1 ? 0 : 1;
      const std::uint16_t W1 = Dropped(W, kDropMiddle[row][point]), W2 = Dropped(W, kDropHigh[row][point]);
      using reg::z5::GradTableAddress;
      const std::pair<int, std::uint16_t> table[] = {
          {GradTableAddress(point, 0), T}, {GradTableAddress(point, 1), R},  {GradTableAddress(point, 3), R},
          {GradTableAddress(point, 5), R}, {GradTableAddress(point, 2), W},  {GradTableAddress(point, 4), W1},
          {GradTableAddress(point, 6), W2}};
      for (const auto& [reg, value] : table) out.writes.push_back({address, std::uint16_t(reg), value});
      const GradPointValues values{T, R, W, R, W1, R, W2};
      out.logs.push_back(LogRecord(env, s, GradLogPointLine(point, values, temperature, true, lastStage)));
    } else if (step_ == 4) {
      out.logs.push_back(
          LogRecord(env, s, GradLogPointLine(point, GradPointFromTable(slot.image, point), temperature, false, lastStage)));
    }
  }
  if (step_ <= 3) {
    out.clearSeen = true;
    doneEnabled_ = false;
  }
  const bool gasBefore = !withoutGas_ && step_ >= 1;
  step_ = withoutGas_ && step_ == 1 ? 5 : step_ + 1;
  if (step_ == 5) {
    step_ = 0;
    ++stage_;
  }
  NoteGas(gasBefore, !withoutGas_ && step_ >= 1 && stage_ <= kGraduationStages, CalendarSeconds(env.now));
  if (stage_ > kGraduationStages) {
    shown_ = Shown::Completed;
    out.recording = false;
    // Nothing more to confirm while the run winds down.
    doneEnabled_ = false;
    out.startCompletionMs = kCompletionPauseMs;
    return out;
  }
  Record(out);
  shown_ = Shown::Step;
  if (step_ == 0) {
    doneEnabled_ = false;
    out.startStabilizationMs = stabilizationMs_;
    timerEverStarted_ = true;
  }
  return out;
}

RunActions CGraduationRun::OnStabilizationTimer() {
  RunActions out;
  if (stage_ < 1 || stage_ > kGraduationStages) return out;
  doneEnabled_ = true;
  out.stopStabilization = true;
  shown_ = Shown::Elapsed;
  return out;
}

RunActions CGraduationRun::OnCompletionTimer() {
  RunActions out;
  if (stage_ <= kGraduationStages) return out;
  EndRun(out);
  // The run is over, but the operator may not have looked: the message
  // stays until the next action.
  shown_ = Shown::Completed;
  return out;
}

void CGraduationRun::DismissCompletion() {
  if (stage_ == 0 && shown_ == Shown::Completed) shown_ = Shown::None;
}

RunActions CGraduationRun::OnValveMode(int mode) {
  RunActions out;
  valveMode_ = mode == 1 ? 1 : 0;
  DismissCompletion();
  if (stage_ >= 1 && stage_ <= kGraduationStages && doneVisible_) shown_ = Shown::Step;
  return out;
}

RunActions CGraduationRun::OnPollResult(bool enableDone) {
  RunActions out;
  if (enableDone && stage_ >= 1 && stage_ <= kGraduationStages && step_ >= 1 && step_ <= 4) doneEnabled_ = true;
  return out;
}

}  // namespace kvl
