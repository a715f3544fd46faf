// The bus master's transactions and the slave role's receive/answer: frames
// on the wire with RS-485 turn-around timing, answer checks, write retries and
// the worded write reports.
#include <cerrno>
#include <cstring>

#include "link/modbus_slave.h"
#include "platform/files.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl {
namespace {

// Character times RTS is raised before a frame: master and slave role.
constexpr int kMasterPreChars = 20;
constexpr int kSlavePreChars = 10;
// The extra settle time slow (1200 baud) detectors need before they answer.
constexpr int kSlowLineReadDelayMs = 700;
// Time an echo may take beyond the frame's own length: the default read
// time-out, since a loaded system may be that late in handing it over.
constexpr int kEchoMarginMs = 200;

// The system's text for an error code, cut at its last carriage return.
std::string SystemErrorText(int code) {
  std::string s = platform::ErrorText(code);
  if (s.empty() || s.rfind("Unknown error", 0) == 0) return Format("Неизвестная ошибка %u", static_cast<unsigned>(code));
  const auto cr = s.rfind('\r');
  if (cr != std::string::npos) s.resize(cr);
  return s;
}

}  // namespace

void CModbusSlave::Trace(FrameDirection dir, const std::uint8_t* data, std::size_t n, int result, bool slaveRole) {
  CLinkObserver* obs = observer_.load(std::memory_order_acquire);
  if (!obs) return;
  LinkFrame f;
  f.direction = dir;
  f.bytes.assign(data, data + n);
  f.monotonicNs = MonotonicNs();
  f.result = result;
  f.slaveRole = slaveRole;
  obs->OnFrame(f);
}

int CModbusSlave::SendFrame(const Bytes& frame, int preChars, bool readFollows, bool slaveRole) {
  // A stopping link puts nothing more on the bus.
  if (AbortRequested()) return ECANCELED;
  SetRTS();
  WaitChars(preChars);
  // A late answer to an earlier request must not be taken for this one's.
  Purge();
  const int err = Write(frame.data(), frame.size());
  if (err == 0) {
    Trace(FrameDirection::Sent, frame.data(), frame.size(), 0, slaveRole);
    WaitTransmitted();
  }
  // USB converters report the transmitter empty while the frame may still be
  // on the wire: hold RS-485 driving for the frame's own length again.
  WaitChars(tailChars_ + static_cast<int>(frame.size()));
  ClearRTS();
  echoResult_ = 0;
  echoBytes_.clear();
  if (err == 0 && echo_.load()) echoResult_ = TakeEcho(frame, echoBytes_);
  if (readFollows && echoResult_ == 0 && baudText_ == "1200") WaitPrecise(kSlowLineReadDelayMs);
  return err;
}

int CModbusSlave::TakeEcho(const Bytes& frame, Bytes& echo) {
  // The echo travels with the frame, so it is in by now; a frame's time more
  // allows for converters that buffer and for the system's scheduling.
  const int ms = CharsToMs(static_cast<int>(frame.size()), Baud()) + kEchoMarginMs;
  echo.assign(frame.size(), 0);
  const int rc = ReadWithin(static_cast<std::uint16_t>(frame.size()), echo.data(), ms);
  echo.resize(static_cast<std::size_t>(rc == kReadFailed ? 0 : (rc < 0 ? -rc : rc)));
  if (echo == frame) return 0;
  // A device that went away is no adapter without an echo.
  if (!DeviceGone()) TellOnce(txt::kEchoMissing);
  return echo.empty() ? 1 : 2;
}

void CModbusSlave::TellOnce(const TextEntry& text) {
  if (noticeOpening_ == OpenCount()) return;
  noticeOpening_ = OpenCount();
  Show(Format(text(language_.load()), DevicePath().c_str()));
}

int CModbusSlave::ReadAnswer(std::uint16_t n, Bytes& answer) {
  answer.assign(n, 0);
  const int rc = Read(n, answer.data());
  const int got = rc == kReadFailed ? 0 : (rc < 0 ? -rc : rc);
  answer.resize(static_cast<std::size_t>(got));
  return rc;
}

void CModbusSlave::Show(const std::string& text, MessageIcon icon) {
  if (operator_) operator_->ShowMessage(text, icon, &stopping_);
}

bool CModbusSlave::DecrementBatch() {
  std::lock_guard lock(mutex_);
  if (pendingBatch_) {
    batchLeft_ = *pendingBatch_;
    batchText_.clear();
    pendingBatch_.reset();
  }
  return --batchLeft_ == 0;
}

void CModbusSlave::Report(const std::string& line, bool batchDone) {
  std::string show;
  {
    std::lock_guard lock(mutex_);
    batchText_ += line;
    batchText_ += "\n";
    if (batchDone) show = batchText_;
  }
  if (batchDone) Show(show);
}

// Takes effect at the start of the next write, never in the middle of one, so
// a write that is running while the batch is announced reports as before.
void CModbusSlave::BeginBatch(int n) {
  std::lock_guard lock(mutex_);
  pendingBatch_ = n;
}

int CModbusSlave::BatchLeft() const {
  std::lock_guard lock(mutex_);
  return pendingBatch_ ? *pendingBatch_ : batchLeft_;
}

std::string CModbusSlave::BatchText() const {
  std::lock_guard lock(mutex_);
  return pendingBatch_ ? std::string() : batchText_;
}

void CModbusSlave::SetLanguage(LanguageIndex lang) {
  if (lang < 2) language_.store(lang);
}

std::string CModbusSlave::PortMessage(const TextEntry& what, const std::string& port) const {
  const LanguageIndex l = language_.load();
  return std::string(txt::kPortWord(l)) + " " + port + " " + what(l) + "  ";
}

std::string CModbusSlave::NotOpenMessage(const std::string& port) const {
  if (LastError() != EBUSY) return PortMessage(txt::kNotOpen, port);
  const LanguageIndex l = language_.load();
  return std::string(txt::kPortWord(l)) + " " + port + " " + txt::kNotOpen(l) + ": " +
         LineBusyText(DevicePath(), Holder(), l);
}

int CModbusSlave::ReadRegisters(std::uint8_t slave, std::uint8_t function, std::uint16_t first,
                                std::uint8_t count, std::uint16_t* answer) {
  const Bytes request = BuildReadRequest(slave, function, first, count);
  SendFrame(request, kMasterPreChars, true);
  if (echoResult_ != 0) {
    // Without its echo the request may not have gone out whole: no answer is waited for.
    Trace(FrameDirection::Received, echoBytes_.data(), echoBytes_.size(), echoResult_);
    return echoResult_;
  }
  Bytes got;
  const int rc = ReadAnswer(static_cast<std::uint16_t>(ReadAnswerLength(count)), got);
  int result;
  if (rc == kReadFailed)
    result = 2;
  else
    result = CheckReadAnswer(got.data(), static_cast<int>(got.size()), slave, function, count);
  if (result != 0 && !echo_.load() && StartsWithEcho(request, got.data(), got.size())) TellOnce(txt::kEchoHeard);
  Trace(FrameDirection::Received, got.data(), got.size(), result);
  if (result == 0 && answer) ExtractWords(got.data(), count, answer);
  return result;
}

int CModbusSlave::WriteRegister(std::uint8_t slave, std::uint8_t function, std::uint16_t reg,
                                std::uint16_t value) {
  Fail(WriteFailure::kNone);
  const int result =
      IdentityAllows(slave) ? DoWriteRegister(slave, function, reg, value) : SkipRefusedWrite(slave);
  LinkWriteDone done;
  done.function = function;
  done.first = reg;
  done.words = {value};
  done.result = result;
  done.failure = lastFailure_;
  done.exception = lastException_;
  Account(slave, std::move(done));
  return result;
}

int CModbusSlave::WriteRegisters(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words,
                                 bool report, bool verify) {
  lastChecked_ = false;
  lastDifferences_.clear();
  Fail(WriteFailure::kNone);
  const int result =
      IdentityAllows(slave) ? DoWriteRegisters(slave, first, words, report, verify) : SkipRefusedWrite(slave);
  LinkWriteDone done;
  done.function = 16;
  done.first = first;
  done.words = words;
  done.result = result;
  done.checked = lastChecked_;
  done.differences = lastDifferences_;
  done.failure = result != 0 && lastFailure_ == WriteFailure::kNone ? WriteFailure::kNoAnswer : lastFailure_;
  done.exception = lastException_;
  Account(slave, std::move(done));
  return result;
}

int CModbusSlave::DoWriteRegister(std::uint8_t slave, std::uint8_t function, std::uint16_t reg,
                                  std::uint16_t value) {
  const bool batchDone = DecrementBatch();
  const LanguageIndex l = language_.load();
  const Bytes request = BuildWriteSingle(slave, function, reg, value);
  Bytes got;
  for (int send = 0; send < 3; ++send) {
    SendFrame(request, kMasterPreChars, false);
    if (echoResult_ != 0) {
      got = echoBytes_;
      Trace(FrameDirection::Received, got.data(), got.size(), 1);
      continue;
    }
    const int rc = ReadAnswer(8, got);
    if (rc == 8 && got == request) {
      Trace(FrameDirection::Received, got.data(), got.size(), 0);
      if (batchDone) {
        const std::string text = BatchText();
        if (text.empty())
          Show(txt::kRecorded(l), MessageIcon::Information);
        else
          Show(text);
      }
      return 0;
    }
    Trace(FrameDirection::Received, got.data(), got.size(), 1);
    if (rc != kReadFailed && IsExceptionAnswer(got.data(), static_cast<int>(got.size()), slave, function)) {
      const unsigned code = got[2];
      Fail(WriteFailure::kException, std::uint8_t(code));
      std::string line = Format("%s %u: %s %u (%s)", txt::kDeviceWord(l), static_cast<unsigned>(slave),
                                txt::kWriteException(l), code, txt::ExceptionText(code, l));
      line += ", запрос=" + DumpBytes(request) + ", ответ=" + DumpBytes(got) + "  ";
      Report(line, batchDone);
      return 1;
    }
  }
  Fail(got.empty() ? WriteFailure::kNoAnswer : WriteFailure::kWrongAnswer);
  std::string line;
  if (got.empty()) {
    line = "Запись не выполнена, запрос=" + DumpBytes(request) + ", нет ответа от прибора";
  } else {
    line = Format("%s %u: %s  ", txt::kDeviceWord(l), static_cast<unsigned>(slave), txt::kWriteFailed(l));
    if (got.size() < 8) line += " \nзапрос=" + DumpBytes(request) + ", ответ= " + DumpBytes(got) + "  \n";
  }
  Report(line, batchDone);
  return 1;
}

int CModbusSlave::DoWriteRegisters(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words,
                                   bool reportDone, bool verify) {
  // Refused before anything else: no frame can carry it.
  if (words.empty() || words.size() > kMaxBlockWords) {
    Fail(WriteFailure::kRefused);
    return 1;
  }
  const bool batchDone = DecrementBatch();
  const LanguageIndex l = language_.load();
  if (!IsOpen()) {
    Fail(WriteFailure::kPortClosed);
    Show(std::string(txt::kPortWord(l)) + " " + txt::kNotOpen(l) + " ");
    return 1;
  }
  if (!SendWriteUntilAccepted(slave, first, words, batchDone, l)) return 1;
  const int r = CheckReadAfterWrite(slave, first, words);
  if (r == 0 && verify && !lastDifferences_.empty()) {
    Fail(WriteFailure::kReadBackDiffers);
    ReportReadBackDifferences(slave, batchDone, l);
    return 1;
  }
  if (r == 0) {
    ReportWriteDone(batchDone, reportDone, l);
    return 0;
  }
  Fail(r == 1 ? WriteFailure::kCheckNoAnswer : WriteFailure::kCheckFailed);
  Report(r == 1 ? txt::kCheckNoAnswer(l) : txt::kCheckFailed(l), batchDone);
  return 1;
}

bool CModbusSlave::SendWriteUntilAccepted(std::uint8_t slave, std::uint16_t first,
                                          const std::vector<std::uint16_t>& words, bool batchDone,
                                          LanguageIndex l) {
  const Bytes request = BuildWriteMultiple(slave, first, words);
  const auto count = static_cast<std::uint16_t>(words.size());
  auto report = [&](const std::string& line) { Report(line, batchDone); };
  const Bytes expected = BuildWriteMultipleAnswer(slave, first, count);
  Bytes got;
  bool accepted = false;
  for (int send = 0; send < 4 && !accepted; ++send) {
    const int err = SendFrame(request, kMasterPreChars, false);
    if (err != 0) {
      Fail(WriteFailure::kPortClosed);
      Show(SystemErrorText(err));
      return false;
    }
    if (echoResult_ != 0) {
      got = echoBytes_;
      Trace(FrameDirection::Received, got.data(), got.size(), 1);
      continue;
    }
    const int rc = ReadAnswer(8, got);
    if (rc == 8) {
      if (got == expected) {
        Trace(FrameDirection::Received, got.data(), got.size(), 0);
        accepted = true;
        break;
      }
      if (!echo_.load() && StartsWithEcho(request, got.data(), got.size())) TellOnce(txt::kEchoHeard);
      Trace(FrameDirection::Received, got.data(), got.size(), 1);
      const std::string line = "  \nзапрос=" + DumpBytes(request) + "  \n             ответ= " + DumpBytes(got) +
                               "  \nдолжно быть:" + DumpBytes(expected) + "  ";
      Fail(WriteFailure::kWrongAnswer);
      report(line);
      return false;
    }
    Trace(FrameDirection::Received, got.data(), got.size(), 1);
    if (got.size() == 5 && rc != kReadFailed) {
      if (IsExceptionAnswer(got.data(), 5, slave, 16))
        Fail(WriteFailure::kException, got[2]);
      else
        Fail(WriteFailure::kWrongAnswer);
      report(WriteRefusedLine(slave, request, got, l));
      return false;
    }
  }
  if (!accepted) {
    Fail(got.empty() ? WriteFailure::kNoAnswer : WriteFailure::kWrongAnswer);
    ReportWriteUnanswered(slave, got, batchDone, l);
    return false;
  }
  return true;
}

std::string CModbusSlave::WriteRefusedLine(std::uint8_t slave, const Bytes& request, const Bytes& got,
                                           LanguageIndex l) const {
  std::string line;
  if (IsExceptionAnswer(got.data(), 5, slave, 16)) {
    const unsigned code = got[2];
    line = Format("%s %u: %s %u (%s)", txt::kDeviceWord(l), static_cast<unsigned>(slave),
                  txt::kWriteException(l), code, txt::ExceptionText(code, l));
    line += ",  запрос=" + DumpBytes(request) + ",  ответ=" + DumpBytes(got);
  } else {
    line = Format("%s %u: %s  ", txt::kDeviceWord(l), static_cast<unsigned>(slave), txt::kWriteFailed(l));
  }
  return line;
}

void CModbusSlave::ReportWriteUnanswered(std::uint8_t slave, const Bytes& got, bool batchDone,
                                         LanguageIndex l) {
  std::string line;
  if (got.empty()) {
    Show(txt::kWriteNoAnswer(l));
    line = Format("%s %u: %s  ", txt::kDeviceWord(l), static_cast<unsigned>(slave), txt::kWriteNoAnswer(l));
  } else {
    line = Format("%u: %s  ", static_cast<unsigned>(slave), txt::kWriteFailed(l));
  }
  Report(line, batchDone);
}

int CModbusSlave::CheckReadAfterWrite(std::uint8_t slave, std::uint16_t first,
                                      const std::vector<std::uint16_t>& words) {
  // The check read proves the detector answers after the write, and shows
  // whether it holds what was written: a table it did not take would
  // otherwise pass for written.
  const auto count = static_cast<std::uint16_t>(words.size());
  std::vector<std::uint16_t> check(count);
  const int r = ReadRegisters(slave, readFunction_, first, static_cast<std::uint8_t>(count), check.data());
  if (r == 0) {
    lastChecked_ = true;
    for (std::uint16_t i = 0; i < count; ++i)
      if (check[i] != words[i])
        lastDifferences_.push_back({static_cast<std::uint16_t>(first + i), words[i], check[i]});
  }
  return r;
}

void CModbusSlave::ReportReadBackDifferences(std::uint8_t slave, bool batchDone, LanguageIndex l) {
  const std::string head =
      Format("%s %u: %s", txt::kDeviceWord(l), static_cast<unsigned>(slave), txt::kReadBackDiffers(l));
  // A table's blocks go out in one batch: its differences are told under one head.
  const bool told = BatchLeft() >= 0 && BatchText().find(head + "\n") != std::string::npos;
  std::string line = told ? std::string() : head;
  for (const ReadBackDifference& d : lastDifferences_)
    line += (line.empty() ? "" : "\n") +
            Format(txt::kReadBackRegister(l), unsigned(d.reg), unsigned(d.written), unsigned(d.read));
  // Outside a batch nobody would collect the line: the operator sees it at once.
  if (BatchLeft() >= 0)
    Report(line, batchDone);
  else
    Show(line, MessageIcon::Warning);
}

void CModbusSlave::ReportWriteDone(bool batchDone, bool reportDone, LanguageIndex l) {
  // A batch whose earlier writes failed ends with their report, not with "Recorded".
  const std::string failures = batchDone ? BatchText() : std::string();
  if (!failures.empty())
    Show(failures);
  else if (reportDone)
    Show(txt::kRecorded(l), MessageIcon::Information);
}

int CModbusSlave::ReceiveRequest() {
  Bytes got;
  const int rc = ReadAnswer(8, got);
  int result;
  if (rc == kReadFailed)
    result = 2;
  else if (rc == 0)
    result = 1;
  else if (rc != 8)
    result = 2;
  else if (!ReadRestOfBlockRequest(got))
    result = 3;
  else
    result = ParseRequest(got.data(), got.size(), lastRequest_);
  if (!got.empty()) Trace(FrameDirection::Received, got.data(), got.size(), result, true);
  return result;
}

// False when the rest of a write-multiple request (RequestRestLength) did not
// come whole. A rest of 256 bytes equals the failed-read code: the failure is
// told apart first.
bool CModbusSlave::ReadRestOfBlockRequest(Bytes& got) {
  const std::size_t rest = RequestRestLength(got.data());
  if (rest == 0) return true;
  Bytes more;
  const int rc = ReadAnswer(static_cast<std::uint16_t>(rest), more);
  got.insert(got.end(), more.begin(), more.end());
  return rc != kReadFailed && rc == static_cast<int>(rest);
}

void CModbusSlave::SendResponse(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& words) {
  SendFrame(BuildResponse(slave, function, words), kSlavePreChars, false, true);
}

}  // namespace kvl
