#pragma once
// The serial line a simulated bus answers on: a serial device opened through
// CSerialPort, or the master side of a pseudo-terminal whose slave side the
// bus master opens. Both give the bus loop the same three things: wait for
// bytes with a time-out, send an answer, and be interrupted from another thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/serial_port.h"

namespace kvl {

class CSimLine {
 public:
  virtual ~CSimLine() = default;
  // Waits up to about timeoutMs for bytes and returns how many were read; 0
  // when the line stayed quiet (or the wait was interrupted), -1 when it failed.
  virtual int Receive(std::uint8_t* buffer, int max, int timeoutMs) = 0;
  // Sends the whole answer and waits until it has left. 0, or an errno.
  virtual int Send(const std::uint8_t* data, std::size_t n) = 0;
  // A wait that Interrupt() cuts short; false when it was.
  virtual bool Wait(int ms) = 0;
  // Cuts short the current and every later Receive and Wait. Any thread.
  virtual void Interrupt() = 0;
  virtual int Baud() const = 0;
};

// A serial device (RS-485 adapter), 8N1 at the given baud, RTS raised while
// answering.
std::unique_ptr<CSimLine> OpenSimPortLine(const std::string& portName, int baud, std::string* error);

// An already open descriptor, typically a pty master; the line does not own
// it. `baud` only sets the frame gap: ptys do not pace bytes.
std::unique_ptr<CSimLine> MakeSimFdLine(int fd, int baud);

// A pseudo-terminal for a simulated bus, raw and close-on-exec at both ends:
// the bus answers on `master`, the bus master opens `path`, and `slaveKeep`
// holds the pair (and its raw settings) while the bus master closes and
// reopens its side. The caller closes both descriptors.
struct SimPty {
  int master = -1;
  int slaveKeep = -1;
  std::string path;
};
// False, with the reason in *error and errno kept, when no pty could be made.
bool OpenSimPty(SimPty& pty, std::string* error);

// Silence that ends a frame: 3.5 characters, at least 2 ms (timers and ptys
// are not that exact).
int FrameGapMs(int baud);

}  // namespace kvl
