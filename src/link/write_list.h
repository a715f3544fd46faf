#pragma once
// What the link tells about the writes it sent to the detectors: one record
// per write list (the writes one operator action sent to one detector), with
// each transaction's outcome and the check read's comparison. The link fills
// them; a listener (the write journal) stores them. Never formats or files.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvl {

// Who asked for a write list: set by the caller when the list begins.
struct WriteOrigin {
  std::string mode;   // the operating mode (or the tool) that sent it
  std::string cause;  // the command's name, the file written...
  // The serial number shown for each address, as the rows knew them.
  std::vector<std::pair<std::uint8_t, std::string>> serials;
  // Called once per detector when its list has run (on the thread that ran
  // the last write: the link's worker, or the caller of a direct write).
  std::function<void(const struct LinkWriteList&)> done;

  std::string SerialOf(std::uint8_t slave) const {
    for (const auto& [address, serial] : serials)
      if (address == slave) return serial;
    return {};
  }
};

// A register whose check read differs from what was written.
struct ReadBackDifference {
  std::uint16_t reg = 0;
  std::uint16_t written = 0;
  std::uint16_t read = 0;
  bool operator==(const ReadBackDifference&) const = default;
};

// Why a write failed, as the reports name it.
enum class WriteFailure : std::uint8_t {
  kNone,
  kPortClosed,      // the line was not open
  kNoAnswer,        // the detector never answered the write
  kException,       // it answered with a Modbus exception (`exception` holds the code)
  kWrongAnswer,     // it answered something that is not the write's echo
  kCheckNoAnswer,   // the write was taken, the check read got no answer
  kCheckFailed,     // the check read's answer was broken
  kReadBackDiffers, // the check read shows other words than written
  kRefused,         // nothing was sent: no frame can carry the block
};

// One transaction: function 6 (one word) or 16 (a block from `first`).
struct LinkWriteDone {
  std::uint8_t function = 6;
  std::uint16_t first = 0;
  std::vector<std::uint16_t> words;
  int result = 1;        // 0 the detector took it (and the check read answered), 1 failed
  bool checked = false;  // function 16: the check read answered and was compared
  std::vector<ReadBackDifference> differences;
  WriteFailure failure = WriteFailure::kNone;  // when result != 0
  std::uint8_t exception = 0;                  // kException: the detector's code
};

struct LinkWriteList {
  std::string mode, cause, serial;
  std::uint8_t slave = 0;
  std::vector<LinkWriteDone> writes;

  bool AllWritten() const {
    for (const LinkWriteDone& w : writes)
      if (w.result != 0) return false;
    return !writes.empty();
  }
};

class CWriteListener {
 public:
  virtual ~CWriteListener() = default;
  // Called once per finished write list, before its origin's `done`; on the
  // worker thread or the direct writer's. Keep it short.
  virtual void OnWriteList(const LinkWriteList& list) = 0;
};

}  // namespace kvl
