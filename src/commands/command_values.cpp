// The commands that take a typed value: address and baud, LEL_CONC, limits,
// magnetic calibration, serial number, password, heating limit, emitter power.
#include <cmath>

#include "commands/command_rules.h"
#include "detector/register_map.h"
#include "text/command_texts.h"
#include "text/format.h"
#include "text/message_texts.h"
#include "text/operator_input.h"

namespace kvl {
namespace {

constexpr int kMaxSlaveAddress = 247;
constexpr long kMaxLimit = 100;
constexpr double kMaxMagneticCalibration = 32767;
constexpr int kMaxHeatLimit = 32767;  // signed, 0.01 degC
constexpr long kMaxEmitterCoefficient = 4095;

CommandOutcome WriteOne(const CommandTarget& t, int reg, long value) {
  CommandOutcome out;
  out.writes.push_back({t.slave, std::uint16_t(reg), std::uint16_t(value & 0xFFFF)});
  return out;
}

}  // namespace

std::uint16_t BaudCodeOfText(std::string_view baud) {
  if (baud == "1200") return reg::kBaud1200;
  if (baud == "2400") return reg::kBaud2400;
  if (baud == "4800") return reg::kBaud4800;
  if (baud == "19200") return reg::kBaud19200;
  return reg::kBaud9600;
}

CommandOutcome AssignAddressCommand(const CommandTarget& t, std::string_view number, std::string_view baudText) {
  const auto n = WholeNumber(TrimBlanks(number));
  if (!n || *n < 1 || *n > kMaxSlaveAddress) {
    CommandOutcome out;
    out.rejected = true;  // silently: the dialog just closes
    return out;
  }
  const std::uint16_t value = std::uint16_t(*n * 256 + BaudCodeOfText(TrimBlanks(baudText)));
  CommandOutcome out;
  if (t.Imitation())
    out.imageChanges.push_back({std::uint16_t(reg::kAddressBaud), value});
  else
    out.writes.push_back({t.slave, std::uint16_t(reg::kAddressBaud), value});
  out.newListAddress = int(*n);
  return out;
}

CommandOutcome LelConcCommand(const CommandTarget& t, std::string_view answer) {
  const RegisterLayout& lay = LayoutFor(t.type);
  const bool z5 = t.type == kTypeZ5;
  const std::string text = DecimalPoint(TrimBlanks(answer), true);
  const double v = RoundScaled(LeadingNumber(text).value_or(0), z5 ? 1000 : 100);
  if (v > 65535) return Refused(z5 ? txt::kIllegalValueAbove65(t.language) : txt::kIllegalValueAbove655(t.language));
  if (!(v > 0)) return Refused(txt::kIllegalValue(t.language));
  // KVELT keeps its LEL_CONC only in settings files: nothing to write.
  if (t.type == kTypeKvelt || lay.LEL_CONC < 0) return {};
  return WriteOne(t, lay.LEL_CONC, long(v));
}

CommandOutcome LimitCommand(const CommandTarget& t, int limit, std::string_view answer) {
  const auto n = WholeNumber(TrimBlanks(answer));
  if (!n || *n < 1 || *n > kMaxLimit || (limit != 1 && limit != 2)) return Refused(txt::kIllegalValue(t.language));
  if (t.Imitation()) {
    const std::uint16_t w = t.image[reg::kLimits];
    const std::uint16_t v = limit == 1 ? std::uint16_t((*n << 8) | (w & 0xFF)) : std::uint16_t((w & 0xFF00) | *n);
    CommandOutcome out;
    out.imageChanges.push_back({std::uint16_t(reg::kLimits), v});
    return out;
  }
  return WriteOne(t, limit == 1 ? reg::kCmdLimit1 : reg::kCmdLimit2, long(*n));
}

CommandOutcome MagneticCalibrationCommand(const CommandTarget& t, std::string_view answer) {
  const std::string text = DecimalPoint(TrimBlanks(answer));
  const double v = RoundScaled(LeadingNumber(text).value_or(0), 1000);
  if (!(v > 0) || v > kMaxMagneticCalibration) return Refused(txt::kIllegalMagnConc(t.language));
  const int r = LayoutFor(t.type).magneticCalibrationWrite;
  if (t.type == kTypeKvelt || r < 0) return {};
  return WriteOne(t, r, long(v));
}

CommandOutcome SerialCommand(const CommandTarget& t, std::string_view answer) {
  std::string text = RemoveBlanks(answer);
  std::size_t lead = 0;
  while (lead < text.size() && (text[lead] == '+' || text[lead] == '0')) ++lead;
  text.erase(0, lead);
  const bool wide = HasSerial32(t.type, t.image);
  // The cleaned answer must be the number's own "%u" text: digits only, no
  // sign, and short enough to be a number at all.
  const auto n = text.size() <= 10 ? WholeNumber(text) : std::nullopt;
  const bool digits = !text.empty() && text[0] != '-' && text[0] != '+';
  if (!n || !digits || *n == 0 || *n > (wide ? 0xFFFFFFFFLL : 0xFFFFLL))
    return Refused(txt::kIllegalValue(t.language));
  const std::uint32_t serial = std::uint32_t(*n);
  CommandOutcome out;
  if (t.Imitation()) {
    // The whole number, also where it needs the high word.
    out.imageChanges.push_back({std::uint16_t(reg::SER_NUM), std::uint16_t(serial & 0xFFFF)});
    if (wide) out.imageChanges.push_back({std::uint16_t(reg::SER_NUM_HIGH), std::uint16_t(serial >> 16)});
    return out;
  }
  const int r = LayoutFor(t.type).serialSetting;
  if (r < 0) return {};
  out.writes.push_back({t.slave, std::uint16_t(r), std::uint16_t(serial & 0xFFFF)});
  if (wide) out.writes.push_back({t.slave, std::uint16_t(reg::SER_NUM_HIGH), std::uint16_t(serial >> 16)});
  return out;
}

CommandOutcome PasswordCommand(std::string_view answer, const std::vector<std::uint8_t>& slaves,
                               LanguageIndex language) {
  const auto n = WholeNumber(TrimBlanks(answer));
  if (!n || *n < 0 || *n > 65535) {
    CommandOutcome out;
    out.rejected = true;
    out.message = txt::kPasswordRange(language);
    return out;
  }
  CommandOutcome out;
  for (std::uint8_t s : slaves) out.writes.push_back({s, std::uint16_t(reg::kPassword), std::uint16_t(*n)});
  return out;
}

CommandOutcome HeatingLimitCommand(const CommandTarget& t, int state, std::string_view valueText) {
  const RegisterLayout& lay = LayoutFor(t.type);
  if (lay.heatingOn < 0 || lay.heatingValue < 0) return {};
  CommandOutcome out;
  const std::uint16_t onOff = t.image[std::size_t(lay.heatingOn)];
  if ((state == 1 && onOff != 1) || (state == 0 && onOff != 0))
    out.writes.push_back({t.slave, std::uint16_t(lay.heatingOn), std::uint16_t(state)});

  // Only the leading run that can belong to a number counts ("12.5 x" is 12.5).
  const std::string text = DecimalPoint(RemoveBlanks(valueText));
  std::string run;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.')) break;
    run.push_back(c);
  }
  const auto x = LeadingNumber(run);
  if (!x) return out;
  const std::uint16_t present = t.image[std::size_t(lay.heatingValue)];
  if (!lay.heatingValueInHundredths) {
    const double n = std::trunc(*x);
    if (n == double(present)) return out;
    if (n < 0 || n > 65535) return Refused(txt::kIllegalHeatLimit(t.language));
    out.writes.push_back({t.slave, std::uint16_t(lay.heatingValue), std::uint16_t(n)});
    return out;
  }
  const double v = RoundScaled(*x, 100);
  if (v == double(Signed16(present))) return out;
  if (v < -kMaxHeatLimit || v > kMaxHeatLimit) return Refused(txt::kIllegalHeatLimit(t.language));
  out.writes.push_back({t.slave, std::uint16_t(lay.heatingValue), std::uint16_t(long(v) & 0xFFFF)});
  return out;
}

CommandOutcome EmitterPowerCommand(const CommandTarget& t, std::string_view answer, bool asInGraduation) {
  const RegisterLayout& lay = LayoutFor(t.type);
  const bool z5 = t.type == kTypeZ5;
  long value = -1;
  if (asInGraduation && z5) {
    value = t.image[reg::z5::GRAD_POWER];
  } else {
    const std::string text = TrimBlanks(answer);
    const auto n = WholeNumber(text);
    // It must read back as typed: "1e3", "+5" or "007" are refused.
    if (n && Format("%lld", *n) == text) value = *n > 0x7FFFFFFF ? -1 : long(*n);
  }
  // A Z5 takes coefficients above 4095, but nothing above its 16-bit register.
  const long max = z5 ? 65535 : kMaxEmitterCoefficient;
  if (value < 0 || value > max) return Refused(txt::kEnterCorrectEmitterCoef(t.language));
  if (lay.emitterPower < 0) return {};
  if (t.Imitation()) {
    CommandOutcome out;
    out.imageChanges.push_back({std::uint16_t(lay.emitterPower), std::uint16_t(value)});
    return out;
  }
  return WriteOne(t, lay.emitterPower, value);
}

}  // namespace kvl
