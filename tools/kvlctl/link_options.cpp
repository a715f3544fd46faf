#include "link_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ctl_error.h"
#include "link/traffic_line.h"
#include "text/ctl_texts.h"
#include "text/format.h"

namespace kvl::ctl {

void AddLinkOptions(CArgParser& parser) {
  parser.AddOption("--port", "DEV", "serial device: a path, ttyUSB0, COM3 or 3 (= /dev/ttyS2)", "", true);
  parser.AddOption("--baud", "BAUD", "1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200", "9600");
  parser.AddFlag("--echo", "the adapter sends back every byte it transmits (two-wire RS-485): check and skip it");
  parser.AddFlag("--trace", "print every frame sent and received to stderr");
  parser.AddFlag("--json", "print the result as JSON on stdout");
  AddJournalOption(parser);
}

void AddJournalOption(CArgParser& parser) {
  parser.AddOption("--journal", "DIR", "append every write list to DIR/journal_<yyyy-mm-dd>.txt, as the window does");
}

std::string LinkOptionsNote() {
  return "Trace lines go to stderr: monotonic time in ms since start, '->' sent or '<-' received,\n"
         "the bytes in hex, and for received frames the result code. With --echo a missing or\n"
         "wrong echo fails the transaction; without it a line that echoes is reported once.\n"
         "Exit status: 0 done, 1 not done (a transaction failed, a file was refused or cannot be\n"
         "read), 2 bad arguments, 3 the device cannot be opened or configured, 130 interrupted.";
}

LinkOptions ReadLinkOptions(const CArgParser& parser) {
  LinkOptions o;
  o.port = parser.Text("--port");
  o.baud = static_cast<int>(parser.Int("--baud", 1, 1000000));
  bool known = false;
  for (int b : kBaudRates) known = known || b == o.baud;
  if (!known)
    throw UsageError(Format("--baud: %d is not one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200", o.baud));
  o.echo = parser.Has("--echo");
  o.trace = parser.Has("--trace");
  o.json = parser.Has("--json");
  o.journal = parser.Text("--journal");
  if (!o.journal.empty() && o.journal.back() != '/') o.journal += '/';
  return o;
}

std::string OpenFailureText(const std::string& port, const CSerialPort& line, int err, LanguageIndex language) {
  const std::string& devicePath = line.DevicePath();
  std::string s = "cannot open " + devicePath;
  if (devicePath != port) s += " (port " + port + ")";
  if (err == EBUSY) return s + ": " + LineBusyText(devicePath, line.Holder(), language);
  // ENOTTY's own wording ("Inappropriate ioctl for device") says nothing to an operator.
  return s + ": " + (err == ENOTTY ? "not a serial device" : std::strerror(err));
}

void ApplyLinkOptions(CModbusSlave& link, const LinkOptions& options) { link.SetEcho(options.echo); }

void OpenLine(CModbusSlave& link, const LinkOptions& options, int timeoutMs) {
  ApplyLinkOptions(link, options);
  if (link.Open(options.port) != 0)
    throw DeviceError(OpenFailureText(options.port, link, link.LastError()));
  if (const int rc = link.Configure(options.baud, timeoutMs); rc != 0)
    throw DeviceError(Format("cannot configure %s at %d baud (step %d): %s", link.DevicePath().c_str(), options.baud,
                             rc, std::strerror(link.LastError())));
  // The link's turn-around rules: tail characters "3" as the window passes
  // them, and the 700 ms settle of 1200-baud detectors keyed on the baud text.
  link.SetTailChars(3);
  link.SetBaudText(Format("%d", options.baud));
}

CTraceObserver::CTraceObserver() : originNs_(MonotonicNs()) {}

std::string CTraceObserver::FormatFrame(const LinkFrame& frame, std::int64_t originNs) {
  const double ms = static_cast<double>(frame.monotonicNs - originNs) / 1e6;
  return Format("%10.3f ms ", ms) + TrafficFrameText(frame);
}

void CTraceObserver::OnFrame(const LinkFrame& frame) {
  const std::string line = FormatFrame(frame, originNs_) + "\n";
  std::lock_guard lock(mutex_);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

const char* ReadResultText(int result, LanguageIndex l) {
  switch (result) {
    case 0: return txt::kCtlResultValid(l);
    case 1: return txt::kCtlResultNoAnswer(l);
    case 2: return txt::kCtlResultShort(l);
    case 3: return txt::kCtlResultCrc(l);
    case 4: return txt::kCtlResultHeader(l);
    default: return txt::kCtlResultUnknown(l);
  }
}

void Complain(const char* command, const std::string& text) {
  std::fflush(stdout);
  std::fprintf(stderr, "kvlctl %s: %s\n", command, text.c_str());
}

int ReportInterrupted(const char* command, LanguageIndex l) {
  Complain(command, txt::kCtlInterrupted(l));
  return kExitInterrupted;
}

void ReportReadFailure(const char* command, unsigned slave, int count, int first, int result,
                       LanguageIndex l) {
  Complain(command, Format(txt::kCtlReadFailed(l), slave, count, first, ReadResultText(result, l), result));
}

}  // namespace kvl::ctl
