// kvlctl record: polls the detectors with the link's own worker, keeps their
// rows as the main window does, and records run data files at a fixed period
// with the window's own writer (names, series, headers, lines), for head-less
// long runs. Ctrl-C or SIGTERM ends it after the last tick's files are
// complete and on the disk.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "command_registry.h"
#include "ctl_error.h"
#include "detector/detector_table.h"
#include "detector/poll_sets.h"
#include "detector_options.h"
#include "graduation/run_data_writer.h"
#include "link_options.h"
#include "platform/clock.h"
#include "posted_queue.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl::ctl {
namespace {

double ParseSeconds(const std::string& text, const char* option, double min) {
  double v = 0;
  std::size_t used = 0;
  if (!ParseDouble(text, &v, &used) || used != text.size() || v < min || v > 1e7)
    throw UsageError(Format("%s: '%s' is not a number of seconds", option, text.c_str()));
  return v;
}

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  return platform::LocalTime(t);
}

CArgParser RecordParser() {
  CArgParser p("record", "--port DEV --type T --addr A1,A2,... [options]",
               "Polls the detectors with the workstation's poll worker and records their run\n"
               "data files every --period seconds, exactly as the main window's recording does:\n"
               "one file per detector named <serial>_<series>.grad (.mon in Running-in mode) in\n"
               "--folder, a new series number that no detector's file uses yet, the header block\n"
               "at the start and whenever the date, type, serial, gas or Modbus number change.\n"
               "A detector whose row is incomplete, or whose file cannot be written, is skipped\n"
               "for that tick. Prints one line per tick that wrote:\n"
               "  recorded <ticks> series <n> failed <failed writes>\n"
               "(JSON: {\"recorded\": T, \"series\": N, \"failed\": F})\n"
               "and ends after --duration seconds, or on Ctrl-C or SIGTERM, with every file\n"
               "complete and synced to the disk.");
  AddLinkOptions(p);
  p.AddOption("--type", "T", "detector type: KVELT, Z, Z40, Z5 or 0..4", "", true);
  p.AddOption("--addr", "A1,A2-A3,...", "poll list, Modbus addresses 1..255 in row order (up to 20)", "", true);
  p.AddOption("--mode", "M", "operating mode 0..6 or its name (poll set, file extension, line shape)", "0");
  p.AddOption("--period", "S", "recording period, seconds (fractions allowed)", "1");
  p.AddOption("--folder", "DIR", "data folder (default: the working folder)", "");
  p.AddOption("--lang", "en|ru", "language of the file headers and gas names", "en");
  p.AddOption("--duration", "S", "stop after S seconds; 0 records until Ctrl-C or SIGTERM", "0");
  p.AddOption("--pause", "MS", "pause after each detector's poll, 0..100000 ms", "0");
  p.AddNote(
      "Ctrl-C and SIGTERM end the recording normally (exit status 0); a line that could not be written\n"
      "makes it 1. " +
      LinkOptionsNote());
  return p;
}

struct RecordOptions {
  LinkOptions lo;
  int type = 0;
  int mode = 0;
  LanguageIndex language = kEnglish;
  std::vector<std::uint8_t> devices;
  double period = 0;
  double duration = 0;
  long pause = 0;
  std::string folder;  // empty or ending in '/'
};

RecordOptions ReadRecordOptions(const CArgParser& p) {
  RecordOptions o;
  o.lo = ReadLinkOptions(p);
  o.type = ParseTypeOption(p.Text("--type"));
  o.mode = ParseModeOption(p.Text("--mode"));
  o.language = ParseLanguageOption(p.Text("--lang"));
  for (long a : p.IntList("--addr", 1, 255, kSlotCount)) o.devices.push_back(static_cast<std::uint8_t>(a));
  o.period = ParseSeconds(p.Text("--period"), "--period", 0.01);
  o.duration = ParseSeconds(p.Text("--duration"), "--duration", 0);
  o.pause = p.Int("--pause", 0, 100000);
  o.folder = p.Text("--folder");
  if (!o.folder.empty() && o.folder.back() != '/') o.folder += '/';
  return o;
}

// The link's worker polling the devices with the mode's poll set, posting to `queue`.
void StartPolling(CModbusSlave& link, CPostedQueue& queue, const RecordOptions& o) {
  const int pollSet = PollSetFor(o.type, o.mode);
  const PollRequestLists requests = PollRequestTable();
  link.SetPollRequests(requests.firsts, requests.counts, requests.offsets);
  link.SelectPollSet(PollSetRequests(pollSet), pollSet);
  ApplyLinkOptions(link, o.lo);
  link.StartWorker(&queue, 0, o.lo.port, Format("%d", o.lo.baud), o.devices, "3", Format("%ld", o.pause), "3", true);
}

// One recording tick over every row; a line when it wrote.
void RecordTick(CRunDataWriter& writer, const CDetectorTable& table, const RecordOptions& o) {
  std::vector<RunDataRow> rows;
  for (int s = 0; s < int(o.devices.size()); ++s)
    rows.push_back(RunDataRowFromView(table.DescribeRow(s, true), table.Slot(s)));
  if (writer.Tick(rows, RunDataContext{o.type, o.mode, o.language}, LocalNow())) {
    std::printf(o.lo.json ? "{\"recorded\": %u, \"series\": %d, \"failed\": %llu}\n"
                          : "recorded %u series %d failed %llu\n",
                writer.RecordedCount(), writer.Series(), static_cast<unsigned long long>(writer.FailedWrites()));
    std::fflush(stdout);
  }
}

// The worker's message into the table, as the window takes it. False when
// the port could not be opened.
bool TakeMessage(const Posted& m, CModbusSlave& link, CDetectorTable& table, bool* lineOpen) {
  switch (m.message) {
    case WM_USER_DATA: {
      const PollOutcome outcome = table.CompletedPoll(
          link.LastPosition(), link.ImagePollSet(), std::span<const std::uint16_t>(link.PollImage(), kImageWords));
      if (outcome.resumeWorker) link.Resume();
      break;
    }
    case WM_USER_CLEAR: table.ClearedPosition(link.FailedPosition()); break;
    case WM_USER_RESULT:
      if (IsDetectorLineCode(m.w)) table.ReadResult(int(m.w), int(m.l));
      break;
    case WM_USER_PORT_OPEN:
      *lineOpen = true;
      table.PortOpened();
      break;
    case WM_USER_PORT_FAIL: return false;
    default: break;
  }
  return true;
}

int RunRecord(const std::vector<std::string>& args) {
  CArgParser p = RecordParser();
  if (!p.Parse(args)) return kExitOk;
  const RecordOptions o = ReadRecordOptions(p);

  // First: every thread made from here on (the writer's syncer, the link's
  // worker) must inherit the blocked stop signals.
  CStopSignals signals;
  CDetectorTable table;
  table.SetType(o.type);
  table.SetMode(o.mode);
  table.SetLanguage(o.language);
  table.SetAddressList(o.devices);

  CRunDataWriter writer;
  writer.SetFolder(o.folder);
  writer.SetRecording(true);

  CReportingLine line(o.lo, o.language, "kvlctl record: ");
  CModbusSlave& link = line.link;
  CPostedQueue queue;
  StartPolling(link, queue, o);
  auto stopLink = [&] {
    queue.Close();
    link.StopWorker();
  };

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto periodNs = std::chrono::nanoseconds(static_cast<long long>(o.period * 1e9));
  const auto durationNs = std::chrono::nanoseconds(static_cast<long long>(o.duration * 1e9));
  auto nextTick = start + periodNs;
  bool lineOpen = false;
  for (;;) {
    if (signals.Pending()) break;
    if (o.duration > 0 && Clock::now() - start >= durationNs) break;
    if (Clock::now() >= nextTick) {
      nextTick += periodNs;
      if (nextTick < Clock::now()) nextTick = Clock::now() + periodNs;  // a stalled line does not make ticks pile up
      if (lineOpen) RecordTick(writer, table, o);
    }
    Posted m{};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
    if (!queue.Next(&m, std::clamp(wait, std::chrono::milliseconds(0), std::chrono::milliseconds(20)))) continue;
    if (!TakeMessage(m, link, table, &lineOpen)) {
      stopLink();
      writer.Sync();
      throw DeviceError(OpenFailureText(o.lo.port, link, link.LastError(), o.language));
    }
  }
  stopLink();
  writer.Sync();
  Complain("record", Format(txt::kCtlRecorded(o.language), writer.RecordedCount(), writer.Series(),
                            static_cast<unsigned long long>(writer.FailedWrites())) +
                         (writer.LastFailure().empty()
                              ? ""
                              : Format(txt::kCtlLastFailure(o.language), writer.LastFailure().c_str())));
  // A line asked for and not recorded fails the run, as a failed write does.
  return writer.FailedWrites() > 0 ? kExitFailed : kExitOk;
}

const CommandRegistrar kRecord{"record", "poll a device list and record run data files, as the window's recording does",
                               &RunRecord};

}  // namespace
}  // namespace kvl::ctl
