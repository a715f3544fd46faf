#pragma once
// The operating system's side of one serial line: the device handle and a
// wake-up handle that cuts waits short. It owns both and closes them; it
// keeps no timing rules (deadlines, retries, character times belong to
// CSerialPort) and never decides what a port name stands for beyond the
// system's own naming (SerialDevicePath).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvl::platform {

// The device of the numbered port n (1..): COMn.
std::string NumberedPortPath(int n);
// The device of a port name that is neither a number nor a path ("ttyUSB0").
std::string NamedPortPath(const std::string& name);
// A name that is a path as it stands.
bool IsPortPath(const std::string& name);
// The serial devices present, in the order a port selector lists them.
std::vector<std::string> PresentSerialDevices();
// The device a path names exists now (a link is followed).
bool SerialDeviceExists(const std::string& devicePath);

// Who keeps a serial device another open refused: pid 0 when the system does not tell.
struct LineHolder {
  unsigned long pid = 0;
  std::string program;  // its program's name, "" when unknown
};
// The process holding the device: the one that locked it (every program of
// this project locks the lines it opens), else one that has it open at all.
LineHolder FindLineHolder(const std::string& devicePath);

class CSerialLine {
 public:
  CSerialLine();
  ~CSerialLine();
  CSerialLine(const CSerialLine&) = delete;
  CSerialLine& operator=(const CSerialLine&) = delete;

  // 0, or the errno of the failure. The line is exclusive, raw, 8N1, with RTS
  // and DTR dropped; hasRts says whether the line can drive RTS at all.
  // EBUSY: another program (or another line of this one) holds the device;
  // the hold ends with its Close(), or with its process, however that ends.
  int Open(const std::string& devicePath, bool* hasRts);
  // 0, or the errno (EINVAL for a rate the system cannot set).
  int Configure(int baud, int writePerByteMs, int writeConstantMs);
  // 0, or the errno of the close; the line is closed either way.
  int Close();
  bool IsOpen() const;

  // False when the line has no RTS (ptys, some USB adapters).
  bool SetRts(bool raised);

  // Waits for input until the monotonic deadline (ns) and reads what came,
  // at most n bytes: the count read; 0 on the deadline or a wake-up; minus
  // the errno when the read failed (EIO when the device went away).
  int ReadSome(std::uint8_t* buffer, std::size_t n, std::int64_t deadlineNs);
  // Writes what the driver takes before the deadline: the count written, 0
  // when nothing could go before it or a wake-up, minus the errno on failure.
  int WriteSome(const std::uint8_t* data, std::size_t n, std::int64_t deadlineNs);
  // Blocks until everything written has left the transmitter.
  void Drain();
  // Drops the driver's input and output buffers.
  void Purge();

  // Waits until the deadline; false when woken first.
  bool WaitUntil(std::int64_t deadlineNs);
  // Wakes the current and every later wait until ClearWake(). Any thread.
  void Wake();
  void ClearWake();

 private:
  struct Handles;
  Handles* h_;
};

}  // namespace kvl::platform
