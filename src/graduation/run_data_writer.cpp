#include "graduation/run_data_writer.h"

#include "platform/files.h"
#include "text/text_file.h"

namespace kvl {

CRunDataWriter::CRunDataWriter(int syncDelayMs) : syncer_(syncDelayMs) {}

CRunDataWriter::~CRunDataWriter() { syncer_.Flush(); }

void CRunDataWriter::SetRecording(bool on, bool newSeries) {
  recording_ = on;
  if (on && newSeries) {
    StartNewSeries();
    recorded_ = 0;
  }
}

bool CRunDataWriter::FindSeries(std::span<const RunDataRow> rows, int mode) {
  for (int series = series_; series <= kMaxSeriesNumber; ++series) {
    bool taken = false;
    for (const RunDataRow& row : rows) {
      if (row.serial.empty()) continue;
      if (platform::TargetKindOf(RunDataFileName(folder_, row.serial, series, mode)) != platform::PathKind::kMissing) {
        taken = true;
        break;
      }
    }
    if (!taken) {
      series_ = series;
      return true;
    }
  }
  return false;
}

int CRunDataWriter::Append(const std::string& path, const std::string& bytes) {
  AppendedFile file;
  std::string error;
  if (const int code = AppendRecord(path, bytes, &error, &file); code != 0) {
    ++failedWrites_;
    lastFailure_ = error;
    return code;
  }
  // A file this write created needs its folder synced too, or its name may be lost.
  syncer_.Submit(file.fd, path, file.created ? (folder_.empty() ? std::string(".") : folder_) : std::string());
  return 0;
}

bool CRunDataWriter::Tick(std::span<const RunDataRow> rows, const RunDataContext& context, const std::tm& now) {
  if (!recording_) return false;
  if (rows.size() > lastHeader_.size()) rows = rows.first(lastHeader_.size());
  if (newSeries_ && !seriesFound_ && !FindSeries(rows, context.mode)) return false;
  bool wrote = false, tried = false;
  int failing = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RunDataRow& row = rows[i];
    if (!IsCompleteRunDataRow(row)) continue;
    const std::string key = RunDataHeaderKey(row, context, now);
    const bool header = newSeries_ || key != lastHeader_[i];
    std::string bytes = header ? RunDataHeaderBlock(row, context, now) : std::string();
    bytes += RunDataLine(row, context, now);
    tried = true;
    if (const int code = Append(RunDataFileName(folder_, row.serial, series_, context.mode), bytes);
        code != 0) {
      failing = code;
      continue;
    }
    // Kept only once written: a header that failed is written again with the next line.
    if (header) lastHeader_[i] = key;
    wrote = true;
  }
  if (tried) {
    failingNow_ = failing;
    seriesFound_ = true;  // its files may exist now, written or not
  }
  if (wrote) {
    newSeries_ = false;
    ++recorded_;
  }
  return wrote;
}

}  // namespace kvl
