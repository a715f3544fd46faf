// The calculation's run data file reader: files of any content read into
// sensor slots within the bounds (20 sensors, the line cap, segments that
// cover each sensor's samples in order); cut into small parts (and parsed on
// two threads) they read exactly as in one go; a sensor they give, written
// back by the recorder, reads back the same; then the checks, the summary
// and, for small files, the fit and the register blocks of its tables.
//
// Input: a control byte (type, language, threads, limits checked), a byte
// for the part size, one for the line cap (0: none), then up to four files
// separated by "#FILE#".
#include <cmath>
#include <cstring>

#include "config/configuration.h"
#include "fuzz_support.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "graduation/grad_file_reader.h"
#include "link/modbus_frames.h"
#include "sim/sim_run_data.h"
#include "text/format.h"
#include "text/cp1251.h"

namespace kvl::fuzz {
namespace {

constexpr std::string_view kSeparator = "#FILE#";
constexpr std::size_t kMaxFitSamples = 2000;

bool SameFloats(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

void CheckSameRead(const CalcRead& a, const CalcRead& b) {
  FUZZ_CHECK(a.lines == b.lines && a.lineCapReached == b.lineCapReached && a.abortMessage == b.abortMessage);
  FUZZ_CHECK(a.addresses == b.addresses && a.unreadable == b.unreadable && a.sensors.size() == b.sensors.size());
  for (std::size_t k = 0; k < a.sensors.size(); ++k) {
    const CalcSensor &x = a.sensors[k], &y = b.sensors[k];
    FUZZ_CHECK(x.serial == y.serial && x.modbusText == y.modbusText && x.modbusValue == y.modbusValue);
    FUZZ_CHECK(x.address == y.address && x.gasPosition == y.gasPosition && x.gasText == y.gasText);
    FUZZ_CHECK(x.power == y.power && x.kur == y.kur && x.kuw == y.kuw);
    FUZZ_CHECK(x.check == y.check && x.shown == y.shown);
    for (std::size_t q = 0; q < kQuantityCount; ++q) FUZZ_CHECK(SameFloats(x.samples[q], y.samples[q]));
    FUZZ_CHECK(x.segments.size() == y.segments.size());
    for (std::size_t s = 0; s < x.segments.size(); ++s) {
      FUZZ_CHECK(x.segments[s].begin == y.segments[s].begin && x.segments[s].end == y.segments[s].end);
      FUZZ_CHECK(x.segments[s].valid == y.segments[s].valid && x.segments[s].file == y.segments[s].file);
    }
  }
}

void CheckBounds(const CalcRead& r, const CalcSettings& settings) {
  FUZZ_CHECK(r.lines <= settings.lineCap && r.sensors.size() <= std::size_t(kSlotCount));
  std::size_t samples = 0;
  for (const CalcSensor& s : r.sensors) {
    for (const auto& column : s.samples) FUZZ_CHECK(column.size() == s.SampleCount());
    samples += s.SampleCount();
    std::size_t at = 0;
    for (const FileSegment& seg : s.segments) {
      FUZZ_CHECK(seg.begin == at && seg.begin <= seg.end);
      at = seg.end;
    }
    FUZZ_CHECK(at == s.SampleCount());
    FUZZ_CHECK(IsValidUtf8(s.check) && IsValidUtf8(s.gasText) && IsValidUtf8(s.serial));
  }
  FUZZ_CHECK(samples == r.lines);
}

// What a valid segment holds is what its fields can hold: finite, in range.
void CheckAccepted(const CalcRead& r, const CalcSettings& settings) {
  for (const CalcSensor& s : r.sensors)
    for (const FileSegment& seg : s.segments) {
      if (!seg.valid) continue;
      for (int q = 0; q < kQuantityCount; ++q) {
        const ValueRange range = AcceptedRange(settings, q);
        for (std::size_t i = seg.begin; i < seg.end; ++i) {
          const float v = s.samples[std::size_t(q)][i];
          FUZZ_CHECK(std::isfinite(v) && v >= float(range.lo) && v <= float(range.hi));
        }
      }
    }
}

// Accepted => the same as re-reading the file the recorder writes from it: a
// sensor no file refused, written back as a run data file of its samples (the
// recorder's header and data lines), reads back as the same samples.
void CheckWrittenBack(const CalcRead& r, const CalcSettings& settings) {
  for (const CalcSensor& s : r.sensors) {
    bool valid = !s.refused && s.SampleCount() > 0;
    for (const FileSegment& seg : s.segments) valid = valid && seg.valid;
    if (!valid) continue;
    SimRunHeader h;
    h.type = settings.type;
    h.language = settings.language;
    h.serial = s.serial;
    h.modbus = Format("%d", s.address);
    h.gas = s.gasText.empty() ? "?" : s.gasText;
    if (s.power && s.kur && s.kuw) h.power = Format("%d", *s.power), h.kur = Format("%d", *s.kur), h.kuw = Format("%d", *s.kuw);
    std::vector<SimRunRow> rows(s.SampleCount());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::int32_t t = i < s.times.size() && s.times[i] >= 0 ? s.times[i] : 0;
      rows[i].time = Format("%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
      for (std::size_t q = 0; q < kQuantityCount; ++q) rows[i].values[q] = Format("%.9g", double(s.samples[q][i]));
    }
    const std::string text = SimRunFile(h, rows);
    const CalcRead back = ReadGradBytes({{"back.grad", text}}, settings, 1);
    FUZZ_CHECK(back.sensors.size() == 1 && back.sensors[0].serial == s.serial);
    for (std::size_t q = 0; q < kQuantityCount; ++q) FUZZ_CHECK(SameFloats(back.sensors[0].samples[q], s.samples[q]));
    FUZZ_CHECK(back.sensors[0].address == s.address);
  }
}

}  // namespace
}  // namespace kvl::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  CFuzzInput in(data, size);
  const std::uint8_t control = in.Byte();
  // Parts of a few bytes split nearly every line; smaller ones only slow the run down.
  const std::size_t partBytes = 8 + 4 * std::size_t(in.Byte());
  const std::uint8_t cap = in.Byte();

  // Each file in a buffer of its own, so that a read past its end is caught.
  std::vector<std::vector<char>> buffers;
  std::string_view rest = in.RestText();
  for (;;) {
    const std::size_t at = buffers.size() < 3 ? rest.find(kSeparator) : std::string_view::npos;
    const std::string_view file = rest.substr(0, at);
    buffers.emplace_back(file.begin(), file.end());
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + kSeparator.size());
  }
  static const char* const kNames[] = {"r2.grad", "R1.grad", "r10.grad", "a.grad"};
  std::vector<GradFileBytes> files;
  for (std::size_t i = 0; i < buffers.size(); ++i)
    files.push_back({kNames[i], std::string_view(buffers[i].data(), buffers[i].size())});

  CalcSettings settings = CalcSettingsFrom(DefaultConfiguration({"/tmp/", {}}));
  settings.type = control % kDetectorTypeCount;
  settings.language = (control >> 3) % 3;
  for (int q = 0; q < kQuantityCount; ++q)
    settings.displayLimits[std::size_t(q)] = control & 0x40 ? DisplayLimits{} : DefaultDisplayLimits(settings.type, q);
  if (cap) settings.lineCap = cap;
  settings.partBytes = std::size_t(1) << 40;
  CalcRead read = ReadGradBytes(files, settings, 1);
  CheckBounds(read, settings);
  CheckAccepted(read, settings);
  CheckWrittenBack(read, settings);
  CalcSettings split = settings;
  split.partBytes = partBytes;
  CheckSameRead(read, ReadGradBytes(files, split, control & 0x20 ? 2 : 1));

  CheckSegments(read, settings);
  const CalcSummary summary = BuildSummary(read, settings.language);
  FUZZ_CHECK(IsValidUtf8(summary.text));
  if (!(control & 0x80)) return 0;
  for (int slot : summary.calculable) {
    FUZZ_CHECK(slot >= 0 && std::size_t(slot) < read.sensors.size());
    const CalcSensor& sensor = read.sensors[std::size_t(slot)];
    if (sensor.SampleCount() > kMaxFitSamples) continue;
    const SensorTables tables = FitSensor(sensor, settings);
    FUZZ_CHECK(IsValidUtf8(ResultText(sensor, tables, settings.type, settings.language)));
    if (tables.written < 0) continue;
    FUZZ_CHECK(std::size_t(tables.written) < tables.tables.size());
    for (const RegisterBlock& b : RegisterBlocks(sensor, tables.tables[std::size_t(tables.written)], settings.type)) {
      FUZZ_CHECK(b.first + b.words.size() <= std::size_t(kImageWords));
      FUZZ_CHECK(!BuildWriteMultiple(1, b.first, b.words).empty());
    }
  }
  return 0;
}
