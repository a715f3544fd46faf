// kvlctl poll: runs the link's own worker over a device list and prints every
// message it posts, handing each poll image back as the window does.
#include <chrono>
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "json.h"
#include "link/link_stats.h"
#include "link_options.h"
#include "posted_queue.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "worker_run.h"

namespace kvl::ctl {
namespace {

struct Request {
  std::uint16_t first;
  std::uint8_t count;
};

std::vector<Request> ParseRequests(const std::string& text) {
  std::vector<Request> out;
  std::size_t start = 0;
  long words = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos) throw UsageError("--requests: '" + item + "' is not FIRST:COUNT");
    const long first = CArgParser::ParseInt(item.substr(0, colon), 0, 65535, "--requests first register");
    const long count = CArgParser::ParseInt(item.substr(colon + 1), 1, kMaxReadCount, "--requests count");
    if (first + count - 1 > 65535) throw UsageError("--requests: '" + item + "' runs past register 65535");
    words += count;
    if (words > CModbusSlave::kPollImageWords)
      throw UsageError(Format("--requests: the requests need more than the poll image's %d words",
                              CModbusSlave::kPollImageWords));
    out.push_back({static_cast<std::uint16_t>(first), static_cast<std::uint8_t>(count)});
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

void PrintLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

CArgParser PollParser() {
  CArgParser p("poll", "--port DEV --addr A1,A2,... --requests FIRST:COUNT,... [options]",
               "Polls the detectors with the workstation's own poll worker and prints every\n"
               "message it posts, one line each, as it arrives. After each WM_USER_DATA the\n"
               "line also shows the position, the address and the polled words (the requests'\n"
               "words one after another), then the poll is handed back (Resume). Stops after\n"
               "--cycles complete cycles (WM_USER_CYCLE), or on Ctrl-C.\n"
               "With --reconnect a device that goes away (WM_USER_LINE_LOST) is looked for twice a\n"
               "second and reopened when it is back (WM_USER_PORT_OPEN); stderr tells of both.\n"
               "JSON: one object a line, {\"msg\": \"WM_USER_RESULT\", \"w\": W, \"l\": L}, with\n"
               "\"position\", \"addr\" and \"words\" added to WM_USER_DATA.");
  AddLinkOptions(p);
  p.AddOption("--addr", "A1,A2-A3,...", "device list, slave addresses 0..255 in polling order (up to 256)", "", true);
  p.AddOption("--requests", "FIRST:COUNT,...", "read requests, each FIRST 0..65535 and COUNT 1..125; 256 words in all",
              "", true);
  p.AddOption("--pause", "MS", "pause after each detector, 0..100000 ms", "0");
  p.AddOption("--cycles", "K", "cycles to poll; 0 polls until Ctrl-C", "1");
  p.AddOption("--function", "3|4", "read function", "3");
  p.AddOption("--lang", "en|ru", "language of the link's messages (port failures...)", "en");
  p.AddFlag("--stats", "print each detector's answer latency and failures by kind at the end");
  p.AddFlag("--reconnect", "a device that goes away (unplugged) is reopened when it is back at the same path");
  p.AddNote("Exit status 1 when no detector answered at all. Ctrl-C stops the worker cleanly (exit status 130). " + LinkOptionsNote());
  return p;
}

// The requests as the link takes them: one poll set of all of them, their
// words one after another in the poll image.
struct PollLists {
  std::vector<std::uint16_t> firsts;
  std::vector<std::uint8_t> counts, offsets;
  std::vector<int> indices;
  int imageWords = 0;
};

PollLists ListsOf(const std::vector<Request>& requests) {
  PollLists l;
  for (const Request& r : requests) {
    l.indices.push_back(static_cast<int>(l.firsts.size()));
    l.firsts.push_back(r.first);
    l.counts.push_back(r.count);
    l.offsets.push_back(static_cast<std::uint8_t>(l.imageWords));
    l.imageWords += r.count;
  }
  return l;
}

// One posted message as its line; after WM_USER_DATA with the position, the
// address and the polled words (the image is ours until Resume).
std::string MessageLine(const Posted& m, CModbusSlave& link, const std::vector<std::uint8_t>& devices,
                        int imageWords, bool json) {
  const std::string name = MessageName(m.message);
  std::string line;
  if (json)
    line = Format("{\"msg\": %s, \"w\": %ld, \"l\": %ld", JsonString(name).c_str(), static_cast<long>(m.w),
                  static_cast<long>(m.l));
  else
    line = Format("%s w=%ld l=%ld", name.c_str(), static_cast<long>(m.w), static_cast<long>(m.l));
  if (m.message == WM_USER_DATA) {
    const int position = link.LastPosition();
    const unsigned addr = position >= 0 && position < static_cast<int>(devices.size())
                              ? devices[static_cast<std::size_t>(position)]
                              : 0u;
    std::vector<std::uint16_t> words(link.PollImage(), link.PollImage() + imageWords);
    if (json) {
      line += Format(", \"position\": %d, \"addr\": %u, \"words\": ", position, addr) + JsonWords(words);
    } else {
      line += Format(" position=%d addr=%u words=", position, addr);
      for (std::size_t k = 0; k < words.size(); ++k)
        line += Format(k ? " %u" : "%u", static_cast<unsigned>(words[k]));
    }
  }
  if (json) line += "}";
  return line;
}

void PrintStats(const CLinkStats& stats, bool json) {
  for (const auto& [address, figures] : stats.Snapshot()) {
    const std::string text = LinkStatsLine(address, figures);
    PrintLine(json ? "{\"msg\": \"STATS\", \"text\": " + JsonString(text) + "}" : text);
  }
}

int RunPoll(const std::vector<std::string>& args) {
  CArgParser p = PollParser();
  if (!p.Parse(args)) return kExitOk;
  const LinkOptions lo = ReadLinkOptions(p);
  std::vector<std::uint8_t> devices;
  for (long a : p.IntList("--addr", 0, 255, CModbusSlave::kMaxDevices))
    devices.push_back(static_cast<std::uint8_t>(a));
  const PollLists lists = ListsOf(ParseRequests(p.Text("--requests")));
  const long pause = p.Int("--pause", 0, 100000);
  const long cycles = p.Int("--cycles", 0, 1000000000);
  const long function = p.Int("--function", 3, 4);
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));
  const bool withStats = p.Has("--stats");

  CStopSignals signals;
  CModbusSlave link;
  CConsoleOperator op("kvlctl poll: ");
  CTraceObserver trace;
  CLinkStats stats(lo.trace ? &trace : nullptr);
  link.SetOperator(&op);
  link.SetLanguage(language);
  if (withStats)
    link.SetObserver(&stats);
  else if (lo.trace)
    link.SetObserver(&trace);
  link.SetPollRequests(lists.firsts, lists.counts, lists.offsets);
  link.SelectPollSet(lists.indices, 0);
  link.SetReconnect(p.Has("--reconnect"));
  CWorkerRun run(link, op, signals, lo, language);
  run.Start(devices, Format("%ld", function), Format("%ld", pause));

  long cyclesDone = 0;
  bool anyAnswer = false;
  bool lost = false;
  const std::string device = SerialDevicePath(lo.port);
  for (;;) {
    Posted m{};
    if (!run.Next(&m)) {
      if (withStats) PrintStats(stats, lo.json);
      return ReportInterrupted("poll", language);
    }
    PrintLine(MessageLine(m, link, devices, lists.imageWords, lo.json));
    if (m.message == WM_USER_DATA) {
      anyAnswer = true;
      link.Resume();
    }
    if (m.message == WM_USER_PORT_FAIL) run.FailPort();
    if (m.message == WM_USER_LINE_LOST) {
      lost = true;
      Complain("poll", LineWatchNote(LineWatch::Waiting, device, language));
    }
    if (m.message == WM_USER_PORT_OPEN && lost) {
      lost = false;
      Complain("poll", Format(txt::kCtlLineBack(language), device.c_str()));
    }
    if (m.message == WM_USER_CYCLE && cycles > 0 && ++cyclesDone >= cycles) break;
  }
  // The figures of the cycles asked for: taken before the worker is stopped
  // in the middle of the next one.
  if (withStats) PrintStats(stats, lo.json);
  run.Stop();
  // A script must see a dead bus (wrong port, baud or wiring) as a failure.
  if (!anyAnswer) {
    Complain("poll", txt::kCtlNoneAnswered(language));
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistrar kPoll{"poll", "poll a device list with the link's worker, printing its messages", &RunPoll};

}  // namespace
}  // namespace kvl::ctl
