#include "graduation/write_journal.h"

#include "platform/clock.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

// A value as it stands, or quoted (with \" and \\) when a blank or quote would split the line.
std::string Field(const std::string& v) {
  if (!v.empty() && v.find_first_of(" \t\"\\\r\n") == std::string::npos) return v;
  std::string out = "\"";
  for (char c : v) {
    if (c == '"' || c == '\\') out += '\\';
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out + "\"";
}

std::string Stamp(const std::tm& now) {
  return Format("%04d-%02d-%02d %02d:%02d:%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour,
                now.tm_min, now.tm_sec);
}

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  now = platform::LocalTime(t);
  return now;
}

}  // namespace

std::string JournalFileName(const std::string& folder, const std::tm& day) {
  return folder + Format("journal_%04d-%02d-%02d.txt", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
}

std::string JournalEventLine(const std::string& kind, const std::string& value, const std::string& result,
                             const std::tm& now) {
  return Stamp(now) + "  kind=" + Field(kind) + "  value=" + Field(value) + "  result=" + Field(result) + "\n";
}

std::string JournalLine(const LinkWriteList& list, const std::tm& now) {
  std::string line = Stamp(now);
  line += "  mode=" + Field(list.mode) + "  serial=" + Field(list.serial) + Format("  addr=%u", unsigned(list.slave)) +
          "  cause=" + Field(list.cause);
  if (list.expected) line += Format("  file_serial=%u", unsigned(*list.expected));
  // A detector the identity check refused got none of the writes: nothing to list.
  if (!list.refusal.empty()) return line + "  result=refused  why=" + Field(list.refusal) + "\n";
  int failed = 0;
  bool blocks = false, allChecked = true;
  std::string differences;
  // A password stays out of a file anybody with the data folder can read.
  const bool secret = list.cause == "password";
  for (const LinkWriteDone& w : list.writes) {
    line += Format("  f%u@%u=", unsigned(w.function), unsigned(w.first));
    for (std::size_t i = 0; i < w.words.size(); ++i)
      line += secret ? std::string(i ? ",*" : "*") : Format(i ? ",%u" : "%u", unsigned(w.words[i]));
    if (w.result != 0) ++failed;
    if (w.function != 16) continue;
    blocks = true;
    allChecked = allChecked && w.checked;
    for (const ReadBackDifference& d : w.differences)
      differences += Format("%s%u=%u/%u", differences.empty() ? "" : ",", unsigned(d.reg), unsigned(d.written),
                            unsigned(d.read));
  }
  line += failed ? Format("  result=failed:%d/%zu", failed, list.writes.size()) : std::string("  result=ok");
  if (blocks) {
    if (!differences.empty())
      line += "  readback=differs:" + differences;
    else
      line += allChecked ? "  readback=equal" : "  readback=none";
  }
  return line + "\n";
}

void CWriteJournal::SetFolder(const std::string& folder) {
  std::lock_guard lock(mutex_);
  folder_ = folder;
}

std::string CWriteJournal::Folder() const {
  std::lock_guard lock(mutex_);
  return folder_;
}

std::string CWriteJournal::LastFailure() const {
  std::lock_guard lock(mutex_);
  return lastFailure_;
}

void CWriteJournal::OnWriteList(const LinkWriteList& list) {
  if (Folder().empty()) return;
  const std::tm now = LocalNow();
  Append(now, JournalLine(list, now));
}

void CWriteJournal::OnDeviceEvent(const std::string& kind, const std::string& value, const std::string& result) {
  if (Folder().empty()) return;
  const std::tm now = LocalNow();
  Append(now, JournalEventLine(kind, value, result, now));
}

void CWriteJournal::Append(const std::tm& now, const std::string& line) {
  std::string error;
  if (AppendRecord(JournalFileName(Folder(), now), line, &error) != 0) {
    ++failures_;
    std::lock_guard lock(mutex_);
    lastFailure_ = error;
  }
}

}  // namespace kvl
