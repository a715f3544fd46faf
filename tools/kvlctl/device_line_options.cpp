#include "device_line_options.h"

#include <cstdio>

#include "ctl_error.h"
#include "link_options.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

// Quiet time between bytes that ends a reply.
constexpr int kByteGapMs = 50;

}  // namespace

void AddDeviceLineOptions(CArgParser& parser, const char* profileKind, bool lineEnd) {
  parser.AddOption("--port", "DEV", "serial device: a path, ttyUSB0, COM3 or 3 (= /dev/ttyS2)", "", true);
  parser.AddOption("--profile", "FILE", profileKind, "", true);
  parser.AddOption("--baud", "BAUD", "1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200", "9600");
  if (lineEnd) parser.AddOption("--line-end", "cr|lf|crlf", "line ending of the text commands", "cr");
  parser.AddFlag("--json", "print the result as JSON on stdout");
  AddJournalOption(parser);
}

DeviceLineSettings ReadDeviceLineOptions(const CArgParser& parser, bool lineEnd) {
  DeviceLineSettings line;
  line.port = parser.Text("--port");
  line.baud = int(parser.Int("--baud", 1, 1000000));
  bool known = false;
  for (int b : kBaudRates) known = known || b == line.baud;
  if (!known)
    throw UsageError(Format("--baud: %d is not one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200", line.baud));
  const std::string end = lineEnd ? parser.Text("--line-end") : "cr";
  if (!LineEndingFromText(end, &line.ending))
    throw UsageError("--line-end: '" + end + "' is not one of cr, lf, crlf");
  return line;
}

void OpenDeviceLine(CSerialPort& port, const DeviceLineSettings& line) {
  if (port.Open(line.port) != 0) throw DeviceError(OpenFailureText(line.port, port, port.LastError()));
  if (port.Configure(line.baud, kByteGapMs) != 0) {
    const int err = port.LastError();
    port.Close();
    throw DeviceError(OpenFailureText(line.port, port, err));
  }
}

CDeviceJournal::CDeviceJournal(const CArgParser& parser) {
  std::string folder = parser.Text("--journal");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  journal.SetFolder(folder);
}

CDeviceJournal::~CDeviceJournal() {
  if (journal.Failures() > 0) std::fprintf(stderr, "kvlctl: write journal: %s\n", journal.LastFailure().c_str());
}

void CDeviceJournal::Tell(const char* kind, const std::string& value, bool ok, const std::string& why) {
  journal.OnDeviceEvent(kind, value, ok ? std::string("ok") : "failed: " + why);
}

}  // namespace kvl::ctl
