#pragma once
// One PC serial line driven half duplex for an RS-485 converter: RTS is raised
// by the caller before it transmits and dropped once the frame has left.
//
// Reads keep the time-out rules of the classic COM-port driver the detectors
// were first served by: a total deadline of (per-byte x n + constant) and an
// interval limit between bytes once the first has come. Every wait (read,
// character-time wait, sleep) can be cut short from another thread with
// RequestAbort(), which is how the link's worker stops promptly.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/serial_line.h"
#include "text/language.h"

namespace kvl {

// Device path for a port name as the operator gives it: a name with "/" is a
// path; "n" or "COMn" is /dev/ttyS(n-1) here and \\.\COMn on Windows; any
// other name is looked for in /dev.
std::string SerialDevicePath(const std::string& portName);

// The port selector item a name typed by the operator stands for: "3" and
// "COM3" give "3", a name with a "/" stays as it is, any other name is a
// device in /dev ("ttyUSB0" gives "/dev/ttyUSB0"). Blanks around it go; an
// empty name gives "".
std::string PortItemFor(const std::string& typed);

// Port selector items: the serial devices present, then NumberedPortNames().
std::vector<std::string> ListSerialPorts();
// "1".."256": the numbered ports every selector offers, present or not.
std::vector<std::string> NumberedPortNames();

// What the operator is told of a line another program holds: the device and,
// where the system tells, who ("/dev/ttyUSB0 is in use by another program
// (kvlctl, process 4711)").
std::string LineBusyText(const std::string& devicePath, const platform::LineHolder& holder, LanguageIndex lang);

class CSerialPort {
 public:
  // Read() result when the read itself failed (the adapter was unplugged...).
  static constexpr int kReadFailed = 256;

  CSerialPort();
  // Does not close the line: the owner does (the worker closes it on stop).
  virtual ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // 0 opened; 1 failed. A held line is closed first, so a name that names no
  // device ("closeport") simply closes the line. A device another program (or
  // another line of this one) holds fails with LastError() EBUSY and Holder().
  int Open(const std::string& portName);
  // 0 done; 1 reading the settings failed; 2 writing the settings failed (also
  // for baud <= 0 or a rate the system cannot set). The line stays open.
  int Configure(int baud, int timeoutMs);
  // 0 closed; 1 the system refused; 2 no line was open.
  int Close();
  bool IsOpen() const { return line_.IsOpen(); }

  void SetRTS();
  void ClearRTS();
  // False once a raise or drop failed because the line has no RTS (ptys, some
  // USB adapters); the line then simply runs without it.
  bool HasRts() const { return hasRts_; }

  // n when all n bytes arrived; minus the number received when fewer did (0
  // when nothing came); kReadFailed when the read failed. A failed read still
  // waits out its time-out, so a dead adapter never makes the caller spin.
  int Read(std::uint16_t n, std::uint8_t* buffer);
  // Read() with its own total time-out instead of the configured one (the
  // interval limit between bytes stays).
  int ReadWithin(std::uint16_t n, std::uint8_t* buffer, int totalMs);
  // Writes the whole buffer within the write time-outs. 0, or the errno.
  int Write(const std::uint8_t* data, std::size_t n);
  // Blocks until the driver has sent everything written (transmitter empty).
  void WaitTransmitted();
  // Drops whatever is in the driver's input and output buffers.
  void Purge();

  // n character times at the configured baud rate (10 bits a character).
  void WaitChars(int n);
  // A sub-millisecond accurate wait.
  void WaitPrecise(int ms);
  // A plain wait; still cut short by RequestAbort().
  void Sleep(int ms);

  // Cuts short the current and every later wait and read until ResetAbort().
  // Callable from any thread.
  void RequestAbort();
  void ResetAbort();
  bool AbortRequested() const { return abort_.load(std::memory_order_acquire); }

  int Baud() const { return baud_; }
  const std::string& DevicePath() const { return devicePath_; }
  // errno of the last failed open, configure, read or write.
  int LastError() const { return lastError_; }
  // Who held the device the last open found busy.
  const platform::LineHolder& Holder() const { return holder_; }
  // The device behind the open line went away (the adapter was unplugged, a
  // pty's far side closed): reads and writes hang up or fail with EIO,
  // ENXIO or ENODEV. Only a new Open() can bring the line back; it clears this.
  bool DeviceGone() const { return deviceGone_; }
  // Successful opens since construction: what "once per opening" counts by.
  unsigned OpenCount() const { return openCount_; }
  // The device a port name stands for exists now (a by-id link is followed).
  // Costs one stat(): cheap enough to ask twice a second.
  static bool DevicePresent(const std::string& portName);
  // Number of reads that failed (not timed out: failed), since construction.
  unsigned ReadErrors() const { return readErrors_; }

  // Milliseconds a wait of n characters lasts at this baud rate (0 -> 1).
  static int CharsToMs(int n, int baud);

 protected:
  // Waits until the monotonic deadline (ns) unless aborted; false if aborted.
  bool SleepUntilNs(std::int64_t deadlineNs);

 private:
  int ReadUntil(std::uint16_t n, std::uint8_t* buffer, std::int64_t totalDeadlineNs);
  // Notes an errno of a failed read or write that means the device is gone.
  void NoteFailure(int err);

  platform::CSerialLine line_;
  std::atomic<bool> abort_{false};
  int baud_ = 0;
  int readIntervalMs_ = 0;
  int readPerByteMs_ = 0;
  int readConstantMs_ = 0;
  int writePerByteMs_ = 0;
  int writeConstantMs_ = 500;
  bool hasRts_ = true;
  int lastError_ = 0;
  unsigned readErrors_ = 0;
  bool deviceGone_ = false;
  unsigned openCount_ = 0;
  std::string devicePath_;
  platform::LineHolder holder_;
};

// Monotonic clock in nanoseconds; the one clock of the link's timing.
std::int64_t MonotonicNs();

}  // namespace kvl
