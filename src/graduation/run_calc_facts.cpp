#include "graduation/run_calc_facts.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "detector/decoding.h"
#include "graduation/graduation_run_stages.h"
#include "graduation/run_data_format.h"
#include "text/format.h"
#include "text/text_file.h"
#include "text/number_grammar.h"

namespace kvl {

namespace {

// The reflected CRC-32 of zip and PNG (polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void NoteReportFacts(RunCalcFacts& facts, const CGraduationRun& run, const CDetectorTable& table, int type,
                     RunReportFacts report) {
  report.type = type;
  report.captures = run.Captures();
  const std::size_t listed = std::min<std::size_t>(table.AddressList().size(), kSlotCount);
  for (std::size_t s = 0; s < listed; ++s) {
    const SlotState& slot = table.Slot(int(s));
    report.serials.push_back(slot.HasDetector() ? SerialNumberText(type, slot.image, false) : std::string());
  }
  report.factorsFromRows = type == kTypeZ5 && report.mode == kModeGraduationZ5;
  facts.report = std::move(report);
}

}  // namespace

std::string FileChecksumText(const std::string& path) {
  std::string bytes, why;
  if (path.empty() || ReadFileBytes(path, bytes, 16 * 1024 * 1024, &why) != 0) return {};
  return Format("CRC-32 %08x", unsigned(Crc32(bytes)));
}

RunCalcFacts RunCalcFactsOf(const CGraduationRun& run, const RunEnvironment& env, long long clearingS,
                            std::optional<RunReportFacts> choices) {
  RunCalcFacts facts;
  facts.gasSpans = run.GasSpans();
  for (GasSpan& g : facts.gasSpans)
    if (g.to >= g.from) g.to += clearingS;
  for (int stage = run.FirstStage(); stage <= kGraduationStages; ++stage)
    facts.stages.push_back({stage, StageTemperature(env.type, stage, env.tLow, env.tHigh)});
  const int type = env.type;
  if (!env.table) return facts;
  const CDetectorTable& table = *env.table;
  if (choices) NoteReportFacts(facts, run, table, type, std::move(*choices));
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
  settings.runStages = std::move(facts.stages);
}

}  // namespace kvl
