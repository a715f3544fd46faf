#pragma once
// What every bus subcommand shares: the line options (--port, --baud,
// --trace, --json), opening the line with a clear error, and the frame trace.
#include <cstdint>
#include <mutex>
#include <string>

#include "arg_parser.h"
#include "link/link_observer.h"
#include "link/modbus_slave.h"

namespace kvl::ctl {

// Baud rates the line options accept.
inline constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
// Read time-out the tool configures (what the link uses with no pause set).
inline constexpr int kDefaultTimeoutMs = 200;
// Register count of one read request (what a read answer frame can carry).
inline constexpr long kMaxReadCount = 125;

// --port, --baud, --echo, --trace, --json and --journal.
void AddLinkOptions(CArgParser& parser);
// --journal alone, for commands with their own line options.
void AddJournalOption(CArgParser& parser);
// The help paragraph on port names, trace output and exit statuses.
std::string LinkOptionsNote();

struct LinkOptions {
  std::string port;  // as given; SerialDevicePath() maps it to a device
  int baud = 9600;
  bool echo = false;  // the adapter hands back every byte sent (two-wire RS-485)
  bool trace = false;
  bool json = false;
  std::string journal;  // folder of the write journal, ending with "/"; "" none
};
// Throws UsageError for a baud rate outside kBaudRates.
LinkOptions ReadLinkOptions(const CArgParser& parser);

// The options the link itself keeps (the echo check), for a line opened
// here or by the link's worker.
void ApplyLinkOptions(CModbusSlave& link, const LinkOptions& options);
// Opens and configures the line for use on the calling thread (the tool's
// own transactions, no worker). Throws DeviceError naming the device path and
// the system's reason.
void OpenLine(CModbusSlave& link, const LinkOptions& options, int timeoutMs = kDefaultTimeoutMs);
// "cannot open /dev/ttyUSB7 (port ttyUSB7): No such file or directory"; a line
// another program holds ends in who holds it: "...: /dev/ttyUSB7 is in use by
// another program (kvlctl, process 4711)".
std::string OpenFailureText(const std::string& port, const CSerialPort& line, int err,
                            LanguageIndex language = kEnglish);

// Prints every frame to stderr, one line each, as the traffic window shows it
// but for the time:
//   "    12.345 ms -> 01 03 00 00 00 02 C4 0B  | addr 1: read holding 0..1 (2)"
//   "    33.120 ms <- 01 83 02 C0 F1  | addr 1: exception 2 (...) to function 3  [result 4]"
// Time is the monotonic clock in ms since the observer was made. stderr keeps
// stdout free for the command's own (possibly JSON) output.
class CTraceObserver : public CLinkObserver {
 public:
  CTraceObserver();
  void OnFrame(const LinkFrame& frame) override;
  // The line OnFrame prints, without its newline.
  static std::string FormatFrame(const LinkFrame& frame, std::int64_t originNs);

 private:
  std::int64_t originNs_;
  std::mutex mutex_;
};

// Plain words for a read result code: "valid answer", "no answer"...
const char* ReadResultText(int result, LanguageIndex language = kEnglish);

// "kvlctl <command>: <text>" on stderr, after what stdout holds so far.
void Complain(const char* command, const std::string& text);
// A stop by Ctrl-C told on stderr; returns kExitInterrupted.
int ReportInterrupted(const char* command, LanguageIndex language = kEnglish);
// A poll set's read that failed, named by slave, registers and result.
void ReportReadFailure(const char* command, unsigned slave, int count, int first, int result,
                       LanguageIndex language = kEnglish);

}  // namespace kvl::ctl
