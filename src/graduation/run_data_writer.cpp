#include "graduation/run_data_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kvl {

CRunDataWriter::CRunDataWriter(int syncDelayMs) : syncer_(syncDelayMs) {}

CRunDataWriter::~CRunDataWriter() { syncer_.Flush(); }

void CRunDataWriter::SetRecording(bool on, bool newSeries) {
  recording_ = on;
  if (on && newSeries) {
    newSeries_ = true;
    recorded_ = 0;
  }
}

bool CRunDataWriter::FindSeries(std::span<const RunDataRow> rows, int mode) {
  for (int series = series_; series <= kMaxSeriesNumber; ++series) {
    bool taken = false;
    for (const RunDataRow& row : rows) {
      if (row.serial.empty()) continue;
      struct stat st {};
      if (::stat(RunDataFileName(folder_, row.serial, series, mode).c_str(), &st) == 0) {
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

bool CRunDataWriter::Append(const std::string& path, const std::string& bytes) {
  auto fail = [&](const char* what, int err) {
    ++failedWrites_;
    lastFailure_ = std::string(what) + " " + path + ": " + std::strerror(err);
    return false;
  };
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return fail("Cannot open", errno);
  struct stat st {};
  const bool statOk = ::fstat(fd, &st) == 0;
  const ssize_t n = ::write(fd, bytes.data(), bytes.size());
  if (n != ssize_t(bytes.size())) {
    const int err = n < 0 ? errno : ENOSPC;
    // A short write (disk full) would leave half a line: cut it off again.
    if (n > 0 && statOk) {
      const int cut = ::ftruncate(fd, st.st_size);
      (void)cut;
    }
    ::close(fd);
    return fail("Cannot write", err);
  }
  // A file this write created needs its folder synced too, or its name may be lost.
  syncer_.Submit(fd, path, statOk && st.st_size == 0 ? (folder_.empty() ? std::string(".") : folder_) : std::string());
  return true;
}

bool CRunDataWriter::Tick(std::span<const RunDataRow> rows, const RunDataContext& context, const std::tm& now) {
  if (!recording_) return false;
  if (rows.size() > lastHeader_.size()) rows = rows.first(lastHeader_.size());
  if (newSeries_ && !FindSeries(rows, context.mode)) return false;
  bool wrote = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RunDataRow& row = rows[i];
    if (!IsCompleteRunDataRow(row)) continue;
    const std::string key = RunDataHeaderKey(row, context, now);
    const bool header = newSeries_ || key != lastHeader_[i];
    std::string bytes = header ? RunDataHeaderBlock(row, context, now) : std::string();
    bytes += RunDataLine(row, context, now);
    if (!Append(RunDataFileName(folder_, row.serial, series_, context.mode), bytes)) continue;
    // Kept only once written: a header that failed is written again with the next line.
    if (header) lastHeader_[i] = key;
    wrote = true;
  }
  if (wrote) {
    newSeries_ = false;
    ++recorded_;
  }
  return wrote;
}

}  // namespace kvl
