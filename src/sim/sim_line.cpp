#include "sim/sim_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "text/format.h"

namespace kvl {
namespace {

class CSimPortLine : public CSimLine {
 public:
  CSimPortLine(int baud) : baud_(baud) {}
  int OpenAndConfigure(const std::string& portName, std::string* error) {
    if (port_.Open(portName) != 0) {
      const int err = port_.LastError();
      if (error)
        *error = "cannot open " + port_.DevicePath() + ": " +
                 (err == EBUSY ? LineBusyText(port_.DevicePath(), port_.Holder(), kEnglish) : std::strerror(err));
      return 1;
    }
    if (port_.Configure(baud_, FrameGapMs(baud_)) != 0) {
      if (error) *error = Format("cannot set %d baud on %s", baud_, port_.DevicePath().c_str());
      port_.Close();
      return 1;
    }
    return 0;
  }
  ~CSimPortLine() override { port_.Close(); }

  int Receive(std::uint8_t* buffer, int max, int timeoutMs) override {
    if (!kept_.empty()) {
      const int n = std::min(max, int(kept_.size()));
      std::copy(kept_.begin(), kept_.begin() + n, buffer);
      kept_.erase(kept_.begin(), kept_.begin() + n);
      return n;
    }
    // The port's read ends at the frame gap after the last byte, or at its
    // total deadline (per-byte time x n + gap): pick n so that deadline is
    // about the time-out asked for.
    const int perByte = std::max(1, 10000 / baud_);
    const int n = std::clamp((timeoutMs - FrameGapMs(baud_)) / perByte, 1, max);
    const int rc = port_.Read(static_cast<std::uint16_t>(n), buffer);
    if (rc == CSerialPort::kReadFailed) return -1;
    return rc < 0 ? -rc : rc;
  }
  int Send(const std::uint8_t* data, std::size_t n) override {
    port_.SetRTS();
    const int err = port_.Write(data, n);
    port_.WaitTransmitted();
    // Some converters report the transmitter empty early: hold the driver a
    // character longer.
    port_.WaitChars(1);
    port_.ClearRTS();
    DropOwnEcho(data, n);
    return err;
  }
  bool Wait(int ms) override {
    port_.WaitPrecise(ms);
    return !port_.AbortRequested();
  }
  void Interrupt() override { port_.RequestAbort(); }
  int Baud() const override { return baud_; }

 private:
  // Adapters that hear their own transmission hand the answer back to us:
  // that much is dropped. Whatever follows it is the master's next request
  // (a valve module's next switch comes within a millisecond of the answer)
  // and is kept for the next Receive; flushing the input would lose it.
  void DropOwnEcho(const std::uint8_t* data, std::size_t n) {
    std::uint8_t heard[512];
    const int want = int(std::min(n, sizeof heard));
    int got = port_.ReadWithin(std::uint16_t(want), heard, FrameGapMs(baud_));
    if (got == CSerialPort::kReadFailed) return;
    got = got < 0 ? -got : got;
    int echoed = 0;
    while (echoed < got && std::size_t(echoed) < n && heard[echoed] == data[echoed]) ++echoed;
    // Only a whole echo (or the start of one, cut by the read) is ours.
    if (echoed < got && echoed < want) echoed = 0;
    kept_.assign(heard + echoed, heard + got);
  }

  CSerialPort port_;
  int baud_;
  std::vector<std::uint8_t> kept_;  // bytes of a request heard while listening for our echo
};

class CSimFdLine : public CSimLine {
 public:
  CSimFdLine(int fd, int baud) : fd_(fd), baud_(baud) { wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }
  ~CSimFdLine() override {
    if (wake_ >= 0) ::close(wake_);
  }

  int Receive(std::uint8_t* buffer, int max, int timeoutMs) override {
    if (interrupted_.load()) return 0;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const int pr = ::poll(fds, 2, std::max(timeoutMs, 0));
    if (pr < 0) return errno == EINTR ? 0 : -1;
    if (pr == 0 || fds[1].revents) return 0;
    if (fds[0].revents & POLLIN) {
      const ssize_t r = ::read(fd_, buffer, std::size_t(max));
      if (r > 0) return int(r);
      if (r < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
      return -1;
    }
    // Hang-up (no one holds the other side open) or an error.
    return -1;
  }
  int Send(const std::uint8_t* data, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(fd_, data + done, n - done);
      if (w > 0) {
        done += std::size_t(w);
        continue;
      }
      if (w < 0 && errno != EAGAIN && errno != EINTR) return errno;
      pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_, POLLIN, 0}};
      if (::poll(fds, 2, 500) <= 0 || fds[1].revents) return ETIMEDOUT;
    }
    return 0;
  }
  bool Wait(int ms) override {
    if (interrupted_.load()) return false;
    pollfd fd{wake_, POLLIN, 0};
    return ::poll(&fd, 1, std::max(ms, 0)) == 0 && !interrupted_.load();
  }
  void Interrupt() override {
    interrupted_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(wake_, &one, sizeof one);
  }
  int Baud() const override { return baud_; }

 private:
  int fd_;
  int wake_ = -1;
  int baud_;
  std::atomic<bool> interrupted_{false};
};

}  // namespace

int FrameGapMs(int baud) {
  const int ms = baud > 0 ? (35000 + baud - 1) / baud : 4;
  return std::max(ms, 2);
}

std::unique_ptr<CSimLine> OpenSimPortLine(const std::string& portName, int baud, std::string* error) {
  auto line = std::make_unique<CSimPortLine>(baud);
  if (line->OpenAndConfigure(portName, error) != 0) return nullptr;
  return line;
}

std::unique_ptr<CSimLine> MakeSimFdLine(int fd, int baud) { return std::make_unique<CSimFdLine>(fd, baud); }

bool OpenSimPty(SimPty& pty, std::string* error) {
  char name[256] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&pty.master, &pty.slaveKeep, name, &raw, nullptr) != 0) {
    const int e = errno;
    if (error) *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(e);
    pty.master = pty.slaveKeep = -1;
    errno = e;
    return false;
  }
  fcntl(pty.master, F_SETFD, FD_CLOEXEC);
  fcntl(pty.slaveKeep, F_SETFD, FD_CLOEXEC);
  pty.path = name;
  return true;
}

}  // namespace kvl
