// The commands without a typed value: one-shot commands, factory defaults,
// gas, the on/off switches, latching, RU6310 compliance, relay test and the
// relay pictures.
#include <cmath>

#include "commands/command_rules.h"
#include "detector/register_map.h"
#include "text/operator_input.h"

namespace kvl {
namespace {

// Z5 "Calibration reset" choices of register 47.
constexpr std::uint16_t kZ5ResetValues[3] = {5, 10, 20};

CommandOutcome WriteOne(const CommandTarget& t, int reg, unsigned value) {
  CommandOutcome out;
  if (reg >= 0) out.writes.push_back({t.slave, std::uint16_t(reg), std::uint16_t(value & 0xFFFF)});
  return out;
}

// A 0/1 switch register receives 1 when it holds 0, and 0 otherwise.
CommandOutcome Toggle(const CommandTarget& t, int reg) {
  if (reg < 0) return {};
  return WriteOne(t, reg, t.image[std::size_t(reg)] == 0 ? 1u : 0u);
}

}  // namespace

CommandOutcome SetZeroCommand(const CommandTarget& t) { return WriteOne(t, reg::kCmdSetZero, 0); }

CommandOutcome SwitchToHartCommand(const CommandTarget& t) {
  return t.type == kTypeZ5 ? WriteOne(t, reg::z5::kSwitchToHart, 1) : CommandOutcome{};
}

CommandOutcome GradRecalcCommand(const CommandTarget& t) {
  return t.type == kTypeZ5 ? WriteOne(t, reg::z5::kGradRecalc, 1) : CommandOutcome{};
}

CommandOutcome FactoryDefaultsCommand(const CommandTarget& t, CalibrationReset choice) {
  if (t.type != kTypeZ5) return WriteOne(t, reg::kCmdFactoryDefaults, 1);
  const int c = int(choice);
  if (c < 0 || c > 2) return {};
  return WriteOne(t, reg::z5::kFactoryDefaults, kZ5ResetValues[c]);
}

CommandOutcome GasCommand(const CommandTarget& t, int position) {
  if (position < 0 || position >= kGasCount) return {};
  const int code = position + 1;
  const RegisterLayout& lay = LayoutFor(t.type);
  CommandOutcome out = WriteOne(t, lay.gasSetting, unsigned(code));
  if (t.type == kTypeZ5) {
    const double lel = RoundScaled(LowerExplosiveLimit(code), 1000);
    out.writes.push_back({t.slave, std::uint16_t(reg::z5::LEL_CONC), std::uint16_t(long(lel))});
  }
  out.rememberGas = position;
  return out;
}

CommandOutcome ZeroingNegativeCommand(const CommandTarget& t) { return Toggle(t, LayoutFor(t.type).zeroingNegative); }

CommandOutcome ShowNegativeCommand(const CommandTarget& t) {
  return t.type == kTypeZ5 ? Toggle(t, reg::z5::kShowNegative) : CommandOutcome{};
}

CommandOutcome LatchingCommand(const CommandTarget& t, int relay) {
  if (relay != 1 && relay != 2) return {};
  if (t.type == kTypeZ40) {
    const std::uint16_t bit = relay == 1 ? reg::z40::kLatching1Bit : reg::z40::kLatching2Bit;
    return WriteOne(t, reg::z40::kLatching, t.image[reg::z40::kLatching] ^ bit);
  }
  if (t.type == kTypeZ5) return Toggle(t, relay == 1 ? reg::z5::kLatching1 : reg::z5::kLatching2);
  return {};
}

CommandOutcome Ru6310Command(const CommandTarget& t) {
  if (t.type != kTypeZ40) return {};
  const bool on = (t.image[reg::z40::kRu6310] & 1) != 0;
  return WriteOne(t, reg::z40::kRu6310, on ? reg::z40::kRu6310OffCode : 1u);
}

CommandOutcome RelayTestCommand(const CommandTarget& t, bool on, std::string_view stepText) {
  const RegisterLayout& lay = LayoutFor(t.type);
  CommandOutcome out;
  out.emptyLatchingCells = true;
  if (t.type == kTypeZ40) {
    out.writes.push_back({t.slave, std::uint16_t(lay.relayTest),
                          on ? reg::z40::kRelayTestAllForced : reg::z40::kRelayTestAllNormal});
    return out;
  }
  if (lay.relayTest < 0 || lay.relayTestStep < 0) return out;
  out.relayStepListEnabled = !on;
  if (!on) {
    out.writes.push_back({t.slave, std::uint16_t(lay.relayTest), 0});
    return out;
  }
  const std::string text = TrimBlanks(stepText);
  if (text.empty()) return out;
  // The step list holds "+20" .. "-20"; anything else reads as 0.
  const auto step = WholeNumber(text);
  const long s = step && *step >= -32768 && *step <= 32767 ? long(*step) : 0;
  out.writes.push_back({t.slave, std::uint16_t(lay.relayTestStep), std::uint16_t(s & 0xFFFF)});
  out.writes.push_back({t.slave, std::uint16_t(lay.relayTest), 1});
  return out;
}

CommandOutcome RelayPictureCommand(const CommandTarget& t, RelayPicture picture, bool relayTestOn) {
  CommandOutcome out;
  if (t.Imitation()) {
    const std::uint16_t bit = picture == RelayPicture::Relay1   ? reg::kStatusLimit1
                              : picture == RelayPicture::Relay2 ? reg::kStatusLimit2
                                                                : reg::kStatusServiceable;
    out.imageChanges.push_back({std::uint16_t(reg::kStatus), std::uint16_t(t.image[reg::kStatus] ^ bit)});
    return out;
  }
  if (t.type != kTypeZ40 || t.mode != kModeTuning) return out;
  const int r = LayoutFor(t.type).relayTest;
  const std::uint16_t word = t.image[std::size_t(r)];
  if (!relayTestOn) {
    if (picture == RelayPicture::Condition) return out;
    return WriteOne(t, r, 0xFFFF);
  }
  const int shift = picture == RelayPicture::Relay1   ? reg::z40::kFieldRelay1
                    : picture == RelayPicture::Relay2 ? reg::z40::kFieldRelay2
                                                      : reg::z40::kFieldServiceability;
  const unsigned field = reg::z40::RelayField(word, shift) == 1 ? 2u : 1u;
  return WriteOne(t, r, (word & ~(3u << shift)) | (field << shift));
}

}  // namespace kvl
