// Segment temperature checks and the summary text.
#include "graduation/calc_checks.h"

#include <algorithm>
#include <climits>

#include "graduation/calc_coverage.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_log.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/reader_texts.h"

namespace kvl {

int CheckField(int type) { return type == kTypeZ || type == kTypeZ40 ? kTypeZ : kTypeKvelt; }

void CheckSegments(CalcRead& read, const CalcSettings& settings) {
  const LanguageIndex lang = settings.language;
  const int f = CheckField(settings.type);
  const auto& rec = settings.checkRecords;
  for (CalcSensor& s : read.sensors) {
    s.goodSegments = 0;
    const float* t = s.samples[kQT].data();
    const float* wo = s.samples[kQWo].data();
    const float* ro = s.samples[kQRo].data();
    for (FileSegment& seg : s.segments) {
      seg.good = false;
      bool any = false;
      float lo = 0, hi = 0;
      for (std::size_t i = seg.begin; i < seg.end; ++i) {
        if (!UsableSample(t[i], wo[i], ro[i])) continue;
        if (!any) lo = hi = t[i], any = true;
        lo = std::min(lo, t[i]);
        hi = std::max(hi, t[i]);
      }
      if (!any) {
        // No temperature to check: the segment cannot be calculated.
        AddReport(s.check, Format("%s %s: ", txt::kFile(lang), seg.file.c_str()) + txt::kDataNotFoundInFile(lang));
        continue;
      }
      const int tlo = TruncatedInt(lo), thi = TruncatedInt(hi);
      const int tminMin = rec[kTminMin][std::size_t(f)], tminMax = rec[kTminMax][std::size_t(f)];
      const int tmaxMin = rec[kTmaxMin][std::size_t(f)], tmaxMax = rec[kTmaxMax][std::size_t(f)];
      if (tlo < tminMin || tlo > tminMax) {
        AddReport(s.check, Format("%s %s: Tmin=%d, %s=%d...%d  ", txt::kFile(lang), seg.file.c_str(), tlo,
                                  txt::kNorm(lang), tminMin, tminMax));
      } else if (thi < tmaxMin || thi > tmaxMax) {
        AddReport(s.check, Format("%s %s: Tmax=%d, %s=%d...%d  ", txt::kFile(lang), seg.file.c_str(), thi,
                                  txt::kNorm(lang), tmaxMin, tmaxMax));
      } else if (const auto gap = seg.valid ? UncoveredSpan(s, seg, settings) : std::nullopt) {
        // A table point between two stages that no sample reaches would be a guess.
        AddReport(s.check, Format("%s %s: ", txt::kFile(lang), seg.file.c_str()) +
                               Format(txt::kNoSampleSpan(lang), gap->lo, gap->hi));
      } else if (seg.valid) {
        seg.good = true;
        ++s.goodSegments;
      }
    }
    if (const auto missing = s.goodSegments > 0 ? MissingStage(s, settings) : std::nullopt) {
      // A run's own files that lack a stage: its data there were lost, whatever the rest looks like.
      AddReport(s.check, BlankZeroSign(Format(txt::kStageMissing(lang), missing->stage, missing->celsius)));
      for (FileSegment& seg : s.segments) seg.good = false;
      s.goodSegments = 0;
    }
  }
}

CalcSummary BuildSummary(const CalcRead& read, LanguageIndex lang) {
  CalcSummary sum;
  bool anyCheck = false;
  for (std::size_t k = 0; k < read.sensors.size(); ++k) {
    const CalcSensor& s = read.sensors[k];
    if (k) sum.text += "\n--------------------\n";
    sum.text += std::string(txt::kSensor(lang)) + " " + s.serial + ":";
    if (s.check.empty()) {
      sum.text += " ";
      sum.text += s.segments.size() < 2 ? txt::kFile(lang) : txt::kFiles(lang);
      for (std::size_t i = 0; i < s.segments.size(); ++i) {
        if (i) sum.text += ",";
        sum.text += " " + s.segments[i].file;
      }
      sum.text += std::string(": ") + txt::kDataAreNormal(lang) + "\n";
    } else {
      sum.text += "\n" + s.check;
      anyCheck = true;
    }
    if (s.goodSegments > 0 && !s.refused) sum.calculable.push_back(int(k));
  }
  for (const std::string& refusal : read.refusals) {
    if (!sum.text.empty() && sum.text.back() != '\n') sum.text += "\n";
    sum.text += refusal + "\n";
    anyCheck = true;
  }
  // Files that gave no sensor anything: each on a line of its own.
  for (const std::string& file : read.noData) {
    if (!sum.text.empty() && sum.text.back() != '\n') sum.text += "\n";
    sum.text += Format("%s %s: ", txt::kFile(lang), file.c_str()) + txt::kDataNotFoundInFile(lang) + "\n";
    anyCheck = true;
  }
  if (sum.calculable.empty()) {
    sum.icon = SummaryIcon::None;
    for (std::size_t k = 0; k < read.sensors.size(); ++k)
      if (!read.sensors[k].check.empty()) sum.logged.push_back(int(k));
  } else {
    sum.icon = anyCheck ? SummaryIcon::Exclamation : SummaryIcon::Information;
  }
  return sum;
}

}  // namespace kvl
