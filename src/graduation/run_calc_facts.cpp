#include "graduation/run_calc_facts.h"

#include "graduation/graduation_run_stages.h"
#include "graduation/run_data_format.h"
#include "text/number_grammar.h"

namespace kvl {

RunCalcFacts RunCalcFactsOf(const CGraduationRun& run, const RunEnvironment& env, long long clearingS) {
  RunCalcFacts facts;
  facts.gasSpans = run.GasSpans();
  for (GasSpan& g : facts.gasSpans)
    if (g.to >= g.from) g.to += clearingS;
  for (int stage = run.FirstStage(); stage <= kGraduationStages; ++stage)
    facts.stages.push_back({stage, StageTemperature(env.type, stage, env.tLow, env.tHigh)});
  const int type = env.type;
  if (type != kTypeZ5 || !env.table) return facts;
  const CDetectorTable& table = *env.table;
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
  settings.runStages = std::move(facts.stages);
}

}  // namespace kvl
