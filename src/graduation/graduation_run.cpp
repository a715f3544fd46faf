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

CGraduationRun::CGraduationRun() { logHeader_.fill(true); }

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
  for (int s = 0; s < kSlotCount; ++s)
    if (t.Slot(s).HasDetector())
      out.writes.push_back({std::uint8_t(t.Slot(s).address), std::uint16_t(reg::kPassword), kGraduationPasswordCode});

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
  stage_ = std::clamp(choice->stageIndex, 0, kGraduationStages - 1) + 1;
  firstStage_ = stage_;
  valveMode_ = choice->valveMode == 1 ? 1 : 0;
  out.valveSelector = valveMode_;
  for (int s = 0; s < ListedSlots(*env.table); ++s) logHeader_[std::size_t(s)] = true;
  gasSpans_.clear();
  withoutGas_ = choice->withoutGas;
  withoutDelay_ = choice->withoutDelay;
  RunDialogRequest ask;
  ask.kind = RunDialog::Concentrations;
  awaiting_ = ask.kind;
  out.ask = std::move(ask);
  return out;
}

RunActions CGraduationRun::OnConcentrations(const std::optional<std::pair<std::string, std::string>>& texts,
                                            const RunEnvironment& env) {
  RunActions out;
  if (awaiting_ != RunDialog::Concentrations) return out;
  awaiting_.reset();
  if (!texts || !env.table) {
    stage_ = 0;
    return out;
  }
  const LanguageIndex l = env.language;
  const CDetectorTable& t = *env.table;
  const double c1 = ConcentrationValue(texts->first), c2 = ConcentrationValue(texts->second);
  std::string errors;
  std::vector<RunWrite> batch;
  int firstSlot = -1;
  for (int s = 0; s < kSlotCount; ++s) {
    const SlotState& slot = t.Slot(s);
    if (!slot.HasDetector()) continue;
    if (firstSlot < 0) firstSlot = s;
    const unsigned address = unsigned(slot.address);
    const std::uint16_t lel = slot.image[reg::z5::LEL_CONC];
    if (lel == 0) {
      out.messages.push_back(
          Format("%s %u:\n%s LELCONC = 0", txt::kDeviceModbusNumber(l), address, txt::kRegister(l)));
      stage_ = 0;
      return out;
    }
    const double C1 = std::floor(c1 / lel * 1000000 + 0.5), C2 = std::floor(c2 / lel * 1000000 + 0.5);
    if (C2 <= C1) {
      out.messages.push_back(txt::kIllegalValue(l));
      stage_ = 0;
      return out;
    }
    if (C1 < 1 || C1 > 65535 || C2 < 1 || C2 > 65535)
      errors += Format("\n%s %u", txt::kDeviceModbusNumber(l), address);
    batch.push_back({std::uint8_t(address), std::uint16_t(reg::z5::GRAD_CONC1),
                     std::uint16_t(std::clamp(C1, 0.0, 65535.0))});
    batch.push_back({std::uint8_t(address), std::uint16_t(reg::z5::GRAD_CONC2),
                     std::uint16_t(std::clamp(C2, 0.0, 65535.0))});
  }
  if (!errors.empty()) {
    out.messages.push_back(std::string(txt::kIllegalConcOrLelConc(l)) + errors);
    stage_ = 0;
    return out;
  }
  out.writes = std::move(batch);
  if (firstSlot >= 0) out.gas = RunGasSelection{int(GasCode(t.Slot(firstSlot).image)), texts->second, texts->first};
  step_ = 0;
  shown_ = Shown::Step;
  doneVisible_ = true;
  doneEnabled_ = true;
  out.hideValveSelector = true;
  // An Auto run records its first temperature step too: the tables of its
  // files are fitted to the clean air of the temperature steps, and the
  // first is the hottest (a manual run starts recording at the first "   Done").
  if (valveMode_ == 1) out.recording = true;
  if (!withoutDelay_) {
    doneEnabled_ = false;
    out.startStabilizationMs = stabilizationMs_;
    timerEverStarted_ = true;
  }
  return out;
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

RunLogAppend CGraduationRun::LogRecord(const RunEnvironment& env, int s, const std::string& pointLine) {
  const SlotState& slot = env.table->Slot(s);
  RunLogAppend log;
  log.path = GradLogPath(env.dataFolder, SerialNumberText(env.type, slot.image, false));
  if (logHeader_[std::size_t(s)]) {
    log.bytes = GradLogRunHeader(env.type, slot.address, slot.image, env.now);
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
  for (int s = 0; s < kSlotCount; ++s) {
    const SlotState& slot = t.Slot(s);
    if (!slot.HasDetector()) continue;
    const auto address = std::uint8_t(slot.address);
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
  out.recording = true;
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
