#include "chamber/valve_module.h"

#include "chamber/chamber_protocol.h"
#include "link/modbus_frames.h"
#include "text/chamber_texts.h"

namespace kvl {
namespace {

constexpr GasValve kGases[] = {GasValve::kZero, GasValve::kMiddle, GasValve::kHigh};

}  // namespace

const char* GasValveName(GasValve valve) {
  switch (valve) {
    case GasValve::kClosed: return "closed";
    case GasValve::kZero: return "zero";
    case GasValve::kMiddle: return "middle";
    case GasValve::kHigh: return "high";
  }
  return "closed";
}

bool GasValveFromName(const std::string& name, GasValve* out) {
  for (GasValve v : {GasValve::kClosed, GasValve::kZero, GasValve::kMiddle, GasValve::kHigh})
    if (name == GasValveName(v)) {
      *out = v;
      return true;
    }
  return false;
}

int CValveTalk::OutputOf(GasValve valve) const {
  switch (valve) {
    case GasValve::kZero: return profile_.zeroCoil;
    case GasValve::kMiddle: return profile_.middleCoil;
    case GasValve::kHigh: return profile_.highCoil;
    default: return -1;
  }
}

bool CValveTalk::Switch(CSerialPort& line, int output, bool on, std::string* why) {
  const std::uint8_t slave = std::uint8_t(profile_.address);
  const std::uint8_t function = profile_.coils ? 5 : 6;
  const std::uint16_t value = profile_.coils ? (on ? 0xFF00 : 0) : (on ? 1 : 0);
  const Bytes request = BuildWriteSingle(slave, function, std::uint16_t(output), value);
  const Bytes answer = ModbusExchange(line, request, request.size(), profile_.replyTimeoutMs, echo_);
  if (answer == request) return true;
  *why = ModbusFailure(answer, slave, function, txt::kChamberRefused, lang_);
  return false;
}

bool CValveTalk::ReadOutput(CSerialPort& line, int output, bool* on, std::string* why) {
  const std::uint8_t slave = std::uint8_t(profile_.address);
  const std::uint8_t function = profile_.coils ? 1 : 3;
  const Bytes request = BuildReadRequest(slave, function, std::uint16_t(output), 1);
  // A coil read answers one data byte, a register read two.
  const std::size_t length = profile_.coils ? 6 : 7;
  const Bytes answer = ModbusExchange(line, request, length, profile_.replyTimeoutMs, echo_);
  if (answer.size() == length && answer[0] == slave && answer[1] == function && answer[2] == length - 5 &&
      CrcOk(answer.data(), length)) {
    *on = profile_.coils ? (answer[3] & 1) != 0 : (answer[3] | answer[4]) != 0;
    return true;
  }
  *why = ModbusFailure(answer, slave, function, txt::kChamberNotANumber, lang_);
  return false;
}

bool CValveTalk::Open(CSerialPort& line, GasValve valve, std::string* why) {
  // Two gases never flow together, not even for a moment: close first.
  bool ok = true;
  for (GasValve g : kGases)
    if (g != valve) ok = Switch(line, OutputOf(g), false, why) && ok;
  if (!ok) return false;
  return valve == GasValve::kClosed || Switch(line, OutputOf(valve), true, why);
}

bool CValveTalk::Get(CSerialPort& line, GasValve* open, std::string* why) {
  GasValve found = GasValve::kClosed;
  for (GasValve g : kGases) {
    bool on = false;
    if (!ReadOutput(line, OutputOf(g), &on, why)) return false;
    if (!on) continue;
    if (found != GasValve::kClosed) {
      *why = txt::kValvesSeveralOpen(lang_);
      return false;
    }
    found = g;
  }
  *open = found;
  return true;
}

}  // namespace kvl
