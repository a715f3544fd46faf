// kvlctl scan: the address search of the "Search" button from the command
// line. The link's own worker probes the addresses with the search's poll set
// and the detector table keeps the search's bookkeeping, exactly as in the
// window; afterwards each detector found is read once more to name its
// serial number, firmware and (guessed) type.
#include <chrono>
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "ctl_error.h"
#include "detector/detector_table.h"
#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "detector/type_guess.h"
#include "detector_options.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "worker_run.h"

namespace kvl::ctl {
namespace {

// What the second look at a found detector reads: the common registers and
// every type's settings up to GRAD_KUW.
constexpr std::uint16_t kLookFirst = 1;
constexpr std::uint8_t kLookCount = 100;

struct Found {
  unsigned address = 0;
  int result = 0;  // of the second look
  int type = -1;
  std::uint32_t serial = 0;
  std::string firmware;
};

Found LookAt(CModbusSlave& link, std::uint8_t address, const RegisterImage& searchImage) {
  Found f;
  f.address = address;
  RegisterImage image = searchImage;
  f.result = link.ReadRegisters(address, link.ReadFunction(), kLookFirst, kLookCount, image.data() + kLookFirst);
  if (f.result == 0) {
    f.type = GuessDetectorType(image);
    // The serial number's high word (address 79) is read with the rest.
    f.serial = SerialNumber(f.type, image);
    const FirmwareVersion v = Firmware(image);
    f.firmware = Format("V%u.%u", v.major, v.minor);
  } else {
    f.serial = searchImage[reg::SER_NUM];
  }
  return f;
}

CArgParser ScanParser() {
  CArgParser p("scan", "--port DEV [--from A] [--to B] [options]",
               "Searches the bus for detectors as the window's \"Search\" button does: the poll\n"
               "worker probes every address (1..255, then 0; or --from..--to) with the search's\n"
               "read request, and the detector table takes them in the order they answer, at\n"
               "most 20. Then each one found is read once more, and a line per detector gives\n"
               "its address, serial number, firmware and the type its registers fit best\n"
               "(\"?\" when none fits), followed by the time the search took.\n"
               "JSON: {\"found\": [{\"addr\": A, \"serial\": S, \"firmware\": \"V7.47\", \"type\": \"Z5\"}, ...],\n"
               "\"seconds\": T}.");
  AddLinkOptions(p);
  p.AddOption("--from", "A", "first address to probe, 0..255");
  p.AddOption("--to", "B", "last address to probe, 0..255 (at least --from)");
  p.AddOption("--lang", "en|ru", "language of the link's messages", "en");
  p.AddNote("A silent address costs two read time-outs (about 0.4 s), so a whole bus takes\n"
            "about 100 s; --from and --to narrow it. " +
            LinkOptionsNote());
  return p;
}

// The worker's messages into the table until the search ends; false when
// a stop signal came first.
bool Search(CWorkerRun& run, CModbusSlave& link, CDetectorTable& table) {
  bool ended = false;
  while (!ended) {
    Posted m{};
    if (!run.Next(&m)) return false;
    switch (m.message) {
      case WM_USER_DATA: {
        const PollOutcome out = table.CompletedPoll(
            link.LastPosition(), link.ImagePollSet(),
            std::span<const std::uint16_t>(link.PollImage(), CModbusSlave::kPollImageWords));
        ended = out.searchEnd.has_value();
        if (out.resumeWorker && !ended) link.Resume();
        break;
      }
      case WM_USER_CLEAR:
        table.ClearedPosition(link.FailedPosition());
        break;
      case WM_USER_RESULT:
        table.ReadResult(int(m.w), int(m.l));
        break;
      case WM_USER_CYCLE:
        ended = table.CycleCompleted().has_value();
        break;
      case WM_USER_PORT_FAIL:
        run.FailPort();
      default:
        break;
    }
  }
  return true;
}

std::string FoundJson(const std::vector<Found>& found, double seconds) {
  std::string out = "{\"found\": [";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Found& f = found[i];
    out += Format("%s{\"addr\": %u, \"serial\": %u, \"firmware\": %s, \"type\": %s}", i ? ", " : "",
                  f.address, unsigned(f.serial), JsonString(f.firmware).c_str(),
                  JsonString(f.type >= 0 ? DetectorTypeName(f.type) : "?").c_str());
  }
  return out + Format("], \"seconds\": %.1f}\n", seconds);
}

std::string FoundText(const std::vector<Found>& found, double seconds, LanguageIndex l) {
  std::string out;
  for (const Found& f : found) {
    out +=
        Format(txt::kCtlScanLine(l), f.address, unsigned(f.serial),
               f.firmware.empty() ? "?" : f.firmware.c_str(), f.type >= 0 ? DetectorTypeName(f.type) : "?");
    if (f.result != 0) out += Format(txt::kCtlSecondRead(l), ReadResultText(f.result, l));
    out += "\n";
  }
  return out + Format(txt::kCtlFound(l), found.size(), seconds) + "\n";
}

int RunScan(const std::vector<std::string>& args) {
  CArgParser p = ScanParser();
  if (!p.Parse(args)) return kExitOk;
  const LinkOptions lo = ReadLinkOptions(p);
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));
  const bool ranged = p.Has("--from") || p.Has("--to");
  const long from = p.Has("--from") ? p.Int("--from", 0, 255) : 1;
  const long to = p.Has("--to") ? p.Int("--to", 0, 255) : 255;
  if (to < from) throw UsageError(Format("--to %ld lies before --from %ld", to, from));

  CDetectorTable table;
  table.SetLanguage(language);
  table.PortOpened();
  std::vector<std::uint8_t> order;
  for (long a = from; a <= to; ++a) order.push_back(std::uint8_t(a));
  const SearchStart start = ranged ? table.StartSearch(order) : table.StartSearch();

  CStopSignals signals;
  CReportingLine line(lo, language, "kvlctl scan: ");
  CModbusSlave& link = line.link;
  const PollRequestLists requests = PollRequestTable();
  link.SetPollRequests(requests.firsts, requests.counts, requests.offsets);
  link.SelectPollSet(PollSetRequests(start.pollSet), start.pollSet);
  CWorkerRun run(link, line.op, signals, lo, language);
  const auto began = std::chrono::steady_clock::now();
  run.Start(start.addressList, "3", "0");
  if (!Search(run, link, table)) return ReportInterrupted("scan", language);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  run.Stop();

  // The second look runs on this thread, with the worker gone.
  OpenLine(link, lo);
  std::vector<Found> found;
  for (int s = 0; s < table.FoundCount() && s < kSlotCount; ++s)
    found.push_back(LookAt(link, std::uint8_t(table.Slot(s).address), table.Slot(s).image));
  link.Close();
  std::fputs((lo.json ? FoundJson(found, seconds) : FoundText(found, seconds, language)).c_str(), stdout);
  return kExitOk;
}

const CommandRegistrar kScan{"scan", "search the bus for detectors (the address search) and name each one found",
                             &RunScan};

}  // namespace
}  // namespace kvl::ctl
