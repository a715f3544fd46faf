// Main and additional calibration with the gas panel's concentrations, and
// the channel correction factors.
#include <algorithm>
#include <cmath>

#include "commands/command_rules.h"
#include "detector/register_map.h"
#include "text/command_texts.h"
#include "text/main_window_texts.h"
#include "text/message_texts.h"
#include "text/operator_input.h"

namespace kvl {
namespace {

constexpr std::uint16_t kFactorOne = 10000;  // correction factors are in 0.0001

// vol.% text to thousandths, the fraction beyond cut off. The small bias keeps
// decimal texts whose binary value falls just short ("0.57" x 1000 =
// 569.999...) on the thousandth they name.
double Thousandths(std::string_view concentration) {
  std::string text(concentration);
  std::size_t lead = 0;
  while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\t' || text[lead] == '+')) ++lead;
  text = DecimalPoint(text.substr(lead));
  const auto x = LeadingNumber(text);
  if (!x) return 0;
  return std::floor(*x * 1000 + 1e-6);
}

}  // namespace

int GasListPosition(int type, LanguageIndex language, std::string_view gasText) {
  const std::string wanted = SelectorGasName(gasText);
  const TextList names = GasTable(type);
  int found = -1;
  for (int p = 0; p < int(names.size()) && p < kGasCount; ++p)
    if (SelectorGasName(names[std::size_t(p)](language)) == wanted) found = p;
  return found;
}

CommandOutcome CalibrationCommand(const CommandTarget& t, bool main, std::string_view gasText,
                                  const GasCalibrationTable& gases, int selectedGas) {
  const int g = GasListPosition(t.type, t.language, gasText);
  if (g < 0) return Refused(std::string(txt::kUnknownGas(t.language)) + "  ");
  CommandOutcome out;
  if (g != selectedGas) out.selectGas = g;
  const int k = main ? 0 : 1;
  const double v = Thousandths(gases[std::size_t(g)].concentration[std::size_t(k)]);
  if (!(v > 0) || v > 65535) {
    out.rejected = true;
    out.message = std::string(main ? txt::kEnterConcMainCalibration(t.language)
                                   : txt::kEnterConcAddCalibration(t.language)) +
                  "  ";
    out.focusConcentration = k;
    return out;
  }
  out.writes.push_back(
      {t.slave, std::uint16_t(main ? reg::kCmdMainCalibration : reg::kCmdAddCalibration), std::uint16_t(v)});
  return out;
}

CommandOutcome CorrectionFactorCommand(const CommandTarget& t, bool reference, FactorKind kind,
                                       std::string_view level) {
  const RegisterLayout& lay = LayoutFor(t.type);
  const int r = reference ? lay.KUR : lay.KUW;
  if (r < 0) return {};
  const bool z5 = t.type == kTypeZ5;
  auto write = [&](long v) {
    CommandOutcome out;
    out.writes.push_back({t.slave, std::uint16_t(r), std::uint16_t(v)});
    return out;
  };
  auto silently = [] {
    CommandOutcome out;
    out.rejected = true;
    return out;
  };
  switch (kind) {
    case FactorKind::SetOne:
      return write(kFactorOne);
    case FactorKind::AsInGraduation:
      if (!z5) return silently();
      return write(t.image[reference ? reg::z5::GRAD_KUR : reg::z5::GRAD_KUW]);
    case FactorKind::InProportion: {
      if (!z5 || reference) return silently();
      const double gradKur = t.image[reg::z5::GRAD_KUR];
      const double v = gradKur == 0 ? 0
                                    : std::floor(double(t.image[std::size_t(lay.KUR)]) *
                                                     t.image[reg::z5::GRAD_KUW] / gradKur +
                                                 0.5);
      if (v < 1 || v > 65535) return Refused(txt::kIllegalValue(t.language));
      return write(long(v));
    }
    case FactorKind::Irrespective: {
      const auto wanted = WholeNumber(RemoveBlanks(level));
      const int shown = Signed16(t.image[reference ? reg::kR : reg::kW]);
      if (!wanted || *wanted < 1 || *wanted > 65535 || shown < 1) return silently();
      const double f = t.image[std::size_t(r)];
      const double v = std::clamp(std::floor(double(*wanted) / shown * f + 0.5), 0.0, 65535.0);
      return write(long(v));
    }
  }
  return {};
}

}  // namespace kvl
