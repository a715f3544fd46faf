#include "chamber/chamber_protocol.h"

#include <chrono>
#include <cmath>

#include "text/chamber_texts.h"
#include "text/format.h"
#include "text/number_grammar.h"

namespace kvl {
namespace {

// Fields of a reply line: the pieces between separators, empty ones dropped.
std::vector<std::string_view> Fields(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && separators.find(line[i]) == std::string_view::npos) continue;
    if (i > start) out.push_back(line.substr(start, i - start));
    start = i + 1;
  }
  return out;
}

ChamberReading Refused(std::string reason) {
  ChamberReading r;
  r.at = std::chrono::steady_clock::now();
  r.reason = std::move(reason);
  return r;
}

}  // namespace

std::string FormatSetCommand(const AsciiChamberCommands& ascii, double celsius) {
  std::string out = ascii.setCommand;
  const std::string value = Format("%.*f", ascii.setDecimals, celsius);
  for (std::size_t at; (at = out.find("{T}")) != std::string::npos;) out.replace(at, 3, value);
  return out;
}

bool ParseReadReply(const AsciiChamberCommands& ascii, std::string_view reply, double* measured, double* setPoint) {
  const std::vector<std::string_view> fields = Fields(reply, ascii.replySeparators);
  auto take = [&](int field, double* out) {
    return field >= 1 && std::size_t(field) <= fields.size() &&
           ParseDecimalToken(fields[std::size_t(field - 1)], -1000, 1000, out) == TokenVerdict::kGood;
  };
  double m = 0, s = 0;
  if (!take(ascii.measuredField, &m)) return false;
  if (ascii.setPointField != 0 && !take(ascii.setPointField, &s)) return false;
  *measured = m;
  *setPoint = ascii.setPointField != 0 ? s : NAN;
  return true;
}

std::optional<std::uint16_t> TemperatureWord(const ModbusChamberRegisters& m, double celsius) {
  const double raw = std::round(celsius * m.scale);
  const double lo = m.isSigned ? -32768 : 0, hi = m.isSigned ? 32767 : 65535;
  if (!(raw >= lo && raw <= hi)) return std::nullopt;
  return std::uint16_t(std::int32_t(raw) & 0xFFFF);
}

double WordTemperature(const ModbusChamberRegisters& m, std::uint16_t word) {
  const double raw = m.isSigned ? double(std::int16_t(word)) : double(word);
  return raw / m.scale;
}

Bytes ModbusExchange(CSerialPort& line, const Bytes& request, std::size_t answerLength, int timeoutMs, bool echo) {
  line.Purge();
  line.SetRTS();
  const int err = line.Write(request.data(), request.size());
  line.WaitTransmitted();
  line.ClearRTS();
  if (err != 0) return {};
  if (echo) {
    Bytes back(request.size());
    if (line.ReadWithin(std::uint16_t(back.size()), back.data(), timeoutMs) != int(back.size()) || back != request)
      return {};
  }
  Bytes answer(answerLength);
  const int rc = line.ReadWithin(std::uint16_t(answerLength), answer.data(), timeoutMs);
  if (rc == CSerialPort::kReadFailed) return {};
  answer.resize(std::size_t(rc < 0 ? -rc : rc));
  return answer;
}

std::string ModbusFailure(const Bytes& answer, std::uint8_t slave, std::uint8_t function, const TextEntry& what,
                          LanguageIndex lang) {
  if (answer.empty()) return txt::kChamberNoAnswer(lang);
  if (IsExceptionAnswer(answer.data(), int(answer.size()), slave, function))
    return Format("%s (%u)", txt::kChamberRefused(lang), unsigned(answer[2]));
  return std::string(what(lang)) + ":" + DumpBytes(answer);
}

ChamberReading CChamberTalk::Read(CSerialPort& line) {
  ChamberReading r;
  std::string why;
  if (profile_.protocol == ChamberProtocol::kAscii) {
    std::string reply;
    if (!AsciiExchange(line, profile_.ascii.readCommand, true, &reply, &why)) return Refused(why);
    if (!ParseReadReply(profile_.ascii, reply, &r.measured, &r.setPoint))
      return Refused(std::string(txt::kChamberNotANumber(lang_)) + ": '" + reply + "'");
  } else {
    const ModbusChamberRegisters& m = profile_.modbus;
    std::uint16_t measured = 0, setPoint = 0;
    if (!ModbusRead(line, std::uint8_t(m.readFunction), m.measuredRegister, &measured, &why) ||
        !ModbusRead(line, 3, m.setPointRegister, &setPoint, &why))
      return Refused(why);
    r.measured = WordTemperature(m, measured);
    r.setPoint = WordTemperature(m, setPoint);
  }
  r.answered = true;
  r.at = std::chrono::steady_clock::now();
  return r;
}

bool CChamberTalk::SetPoint(CSerialPort& line, double celsius, std::string* why) {
  if (!profile_.InRange(celsius)) {
    *why = txt::kChamberOutOfRange(lang_);
    return false;
  }
  if (profile_.protocol == ChamberProtocol::kModbus) {
    const std::optional<std::uint16_t> word = TemperatureWord(profile_.modbus, celsius);
    if (!word) {
      *why = txt::kChamberOutOfRange(lang_);
      return false;
    }
    return ModbusWrite(line, 6, profile_.modbus.setPointRegister, *word, why);
  }
  const AsciiChamberCommands& a = profile_.ascii;
  std::string reply;
  if (!AsciiExchange(line, FormatSetCommand(a, celsius), !a.setReply.empty(), &reply, why)) return false;
  if (a.setReply.empty() || reply == a.setReply) return true;
  *why = std::string(txt::kChamberRefused(lang_)) + ": '" + reply + "'";
  return false;
}

bool CChamberTalk::HasRunCommand(bool on) const {
  if (profile_.protocol == ChamberProtocol::kModbus)
    return profile_.modbus.runRegister >= 0 || profile_.modbus.runCoil >= 0;
  return !(on ? profile_.ascii.startCommand : profile_.ascii.stopCommand).empty();
}

bool CChamberTalk::Run(CSerialPort& line, bool on, std::string* why) {
  if (!HasRunCommand(on)) return true;
  const ModbusChamberRegisters& m = profile_.modbus;
  if (profile_.protocol == ChamberProtocol::kModbus) {
    if (m.runCoil >= 0) return ModbusWrite(line, 5, m.runCoil, on ? 0xFF00 : 0, why);
    return ModbusWrite(line, 6, m.runRegister, std::uint16_t(on ? m.runOn : m.runOff), why);
  }
  std::string reply;
  const std::string& command = on ? profile_.ascii.startCommand : profile_.ascii.stopCommand;
  if (!AsciiExchange(line, command, !profile_.ascii.setReply.empty(), &reply, why)) return false;
  if (profile_.ascii.setReply.empty() || reply == profile_.ascii.setReply) return true;
  *why = std::string(txt::kChamberRefused(lang_)) + ": '" + reply + "'";
  return false;
}

bool CChamberTalk::AsciiExchange(CSerialPort& line, const std::string& command, bool awaitReply, std::string* reply,
                                 std::string* why) {
  const std::string out = command + LineEndingBytes(ending_);
  line.Purge();
  if (line.Write(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()) != 0) {
    *why = txt::kChamberPortFailed(lang_);
    return false;
  }
  line.WaitTransmitted();
  if (!awaitReply) return true;
  reply->clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(profile_.replyTimeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    std::uint8_t c = 0;
    const int rc = left.count() > 0 ? line.ReadWithin(1, &c, int(left.count())) : 0;
    if (rc != 1) break;
    if (c == '\r' || c == '\n') {
      if (reply->empty()) continue;  // the rest of the previous line's ending
      return true;
    }
    if (reply->size() < 256) *reply += char(c);
  }
  // A reply without its line ending is still no whole reply.
  *why = reply->empty() ? txt::kChamberNoAnswer(lang_)
                        : std::string(txt::kChamberNotANumber(lang_)) + ": '" + *reply + "'";
  return false;
}

bool CChamberTalk::ModbusRead(CSerialPort& line, std::uint8_t function, int reg, std::uint16_t* word,
                              std::string* why) {
  const std::uint8_t slave = std::uint8_t(profile_.modbus.address);
  const Bytes answer = ModbusExchange(line, BuildReadRequest(slave, function, std::uint16_t(reg), 1),
                                      std::size_t(ReadAnswerLength(1)), profile_.replyTimeoutMs);
  if (CheckReadAnswer(answer.data(), int(answer.size()), slave, function, 1) == 0) {
    ExtractWords(answer.data(), 1, word);
    return true;
  }
  *why = ModbusFailure(answer, slave, function, txt::kChamberNotANumber, lang_);
  return false;
}

bool CChamberTalk::ModbusWrite(CSerialPort& line, std::uint8_t function, int reg, std::uint16_t value,
                               std::string* why) {
  const std::uint8_t slave = std::uint8_t(profile_.modbus.address);
  const Bytes request = BuildWriteSingle(slave, function, std::uint16_t(reg), value);
  const Bytes answer = ModbusExchange(line, request, request.size(), profile_.replyTimeoutMs);
  if (answer == request) return true;
  *why = ModbusFailure(answer, slave, function, txt::kChamberRefused, lang_);
  return false;
}

}  // namespace kvl
