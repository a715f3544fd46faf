#pragma once
// What the link tells about the writes it sent to the detectors: one record
// per write list (the writes one operator action sent to one detector), with
// each transaction's outcome and the check read's comparison. The link fills
// them; a listener (the write journal) stores them. Never formats or files.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvl {

// A read of holding registers over the link: (first, count, words) -> the
// read's result (0 answered, words filled).
using RegisterRead = std::function<int(std::uint16_t, std::uint8_t, std::uint16_t*)>;
// Reads a detector's serial number with the given read (the registers are the
// detector type's); none when the detector did not answer.
using SerialRead = std::function<std::optional<std::uint32_t>(const RegisterRead&)>;

// Which detector a write list is for. With `read` set, the link reads each
// detector's serial number before the first write of the list to it, and
// the list's record names that serial. A list carrying a file's content
// names the file's serial (`expected`): a detector that holds another, or
// does not answer, gets none of the list's writes. A file that names only
// an address has the operator confirm the serial found there (`confirm`).
struct WriteIdentity {
  SerialRead read;
  std::optional<std::uint32_t> expected;
  bool confirm = false;
  std::string file;                  // named by a refusal
  std::vector<std::uint8_t> polled;  // looked at for the file's serial when another answers
  bool Checks() const { return read && (expected || confirm); }
};

// Who asked for a write list: set by the caller when the list begins.
struct WriteOrigin {
  std::string mode;   // the operating mode (or the tool) that sent it
  std::string cause;  // the command's name, the file written...
  // The serial number shown for each address, as the rows knew them.
  std::vector<std::pair<std::uint8_t, std::string>> serials;
  // Called once per detector when its list has run (on the thread that ran
  // the last write: the link's worker, or the caller of a direct write).
  std::function<void(const struct LinkWriteList&)> done;
  WriteIdentity identity{};

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
  // serial: the one read from the detector before the writes when the list
  // asked for it, else the one its origin knew.
  std::string mode, cause, serial;
  std::uint8_t slave = 0;
  std::vector<LinkWriteDone> writes;
  std::optional<std::uint32_t> expected{};  // the file's serial, when the list carried one
  std::string refusal{};                  // not empty: the identity check sent none of the writes, and why

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
