#include "graduation/run_calc_facts.h"

#include "graduation/run_data_format.h"
#include "text/number_grammar.h"

namespace kvl {

RunCalcFacts RunCalcFactsOf(const CGraduationRun& run, const CDetectorTable& table, int type, long long clearingS) {
  RunCalcFacts facts;
  facts.gasSpans = run.GasSpans();
  for (GasSpan& g : facts.gasSpans)
    if (g.to >= g.from) g.to += clearingS;
  if (type != kTypeZ5) return facts;
  for (int s = 0; s < kSlotCount; ++s) {
    if (!table.Slot(s).HasDetector()) continue;
    // The texts a "Graduation" mode file header would carry.
    const RunDataRow row = RunDataRowFromView(table.DescribeRow(s, true), table.Slot(s));
    long long power = 0, kur = 0, kuw = 0;
    if (!row.serial.empty() && ParseWholeToken(row.power, 0, 65535, &power) == TokenVerdict::kGood &&
        ParseWholeToken(row.kur, 0, 65535, &kur) == TokenVerdict::kGood &&
        ParseWholeToken(row.kuw, 0, 65535, &kuw) == TokenVerdict::kGood)
      facts.factors[row.serial] = {int(power), int(kur), int(kuw)};
  }
  return facts;
}

void ApplyRunCalcFacts(RunCalcFacts facts, CalcSettings& settings) {
  settings.gasSpans = std::move(facts.gasSpans);
  settings.runFactors = std::move(facts.factors);
}

}  // namespace kvl
