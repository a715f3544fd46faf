#pragma once
// What `kvlctl chamber` and `kvlctl valves` share: the line of a device that
// is not a detector (its port, baud rate and, for text, line ending), its
// profile, and the journal of what was sent to it.
#include <memory>
#include <string>

#include "arg_parser.h"
#include "chamber/device_line.h"
#include "graduation/write_journal.h"
#include "link/serial_port.h"

namespace kvl::ctl {

// --port, --profile, --baud, --json and --journal (and --line-end when asked).
void AddDeviceLineOptions(CArgParser& parser, const char* profileKind, bool lineEnd);
// Throws UsageError for a baud rate or line ending it does not know.
DeviceLineSettings ReadDeviceLineOptions(const CArgParser& parser, bool lineEnd);
// Opens and configures the port; throws DeviceError naming it.
void OpenDeviceLine(CSerialPort& port, const DeviceLineSettings& line);
// The journal --journal asks for (an empty folder journals nothing), as an event sink.
struct CDeviceJournal {
  explicit CDeviceJournal(const CArgParser& parser);
  ~CDeviceJournal();
  void Tell(const char* kind, const std::string& value, bool ok, const std::string& why);
  CWriteJournal journal;
};

}  // namespace kvl::ctl
