#include "link/serial_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace kvl {
namespace {

constexpr std::int64_t kNsPerMs = 1000000;

// The default timer slack of 50 us is fine; but some kernels give threads a
// larger one, which would stretch every RS-485 turn-around wait.
void TightenTimerSlack() {
  thread_local bool done = false;
  if (!done) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    done = true;
  }
}

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
  }
}

bool ParsePortNumber(const std::string& digits, int* n) {
  if (digits.empty() || digits.size() > 4) return false;
  int v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1) return false;
  *n = v;
  return true;
}

std::vector<std::string> DevicesMatching(const char* dir, const char* prefix) {
  std::vector<std::string> found;
  DIR* d = opendir(dir);
  if (!d) return found;
  const std::size_t plen = std::strlen(prefix);
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (std::strncmp(e->d_name, prefix, plen) != 0) continue;
    found.push_back(std::string(dir) + "/" + e->d_name);
  }
  closedir(d);
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    // ttyS10 after ttyS9: compare by length first within one prefix.
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return found;
}

}  // namespace

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

std::string SerialDevicePath(const std::string& portName) {
  if (portName.find('/') != std::string::npos) return portName;
  int n = 0;
  if (ParsePortNumber(portName, &n)) return "/dev/ttyS" + std::to_string(n - 1);
  if (portName.size() > 3 && (portName[0] == 'C' || portName[0] == 'c') &&
      (portName[1] == 'O' || portName[1] == 'o') && (portName[2] == 'M' || portName[2] == 'm') &&
      ParsePortNumber(portName.substr(3), &n))
    return "/dev/ttyS" + std::to_string(n - 1);
  return "/dev/" + portName;
}

std::string PortItemFor(const std::string& typed) {
  const std::size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const std::string name = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  if (name.find('/') != std::string::npos) return name;
  int n = 0;
  if (ParsePortNumber(name, &n) && n <= 256) return std::to_string(n);
  if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
      (name[2] == 'M' || name[2] == 'm') && ParsePortNumber(name.substr(3), &n) && n <= 256)
    return std::to_string(n);
  return "/dev/" + name;
}

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> ports = DevicesMatching("/dev/serial/by-id", "");
  for (const char* prefix : {"ttyUSB", "ttyACM"})
    for (auto& p : DevicesMatching("/dev", prefix)) ports.push_back(p);
  // Only the ttyS nodes behind which a UART answers; most of the 32 are empty.
  for (auto& p : DevicesMatching("/dev", "ttyS")) {
    int fd = ::open(p.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) continue;
    serial_struct ss{};
    const bool present = ioctl(fd, TIOCGSERIAL, &ss) == 0 && ss.type != PORT_UNKNOWN;
    ::close(fd);
    if (present) ports.push_back(p);
  }
  for (auto& n : NumberedPortNames()) ports.push_back(std::move(n));
  return ports;
}

std::vector<std::string> NumberedPortNames() {
  std::vector<std::string> names;
  names.reserve(256);
  for (int i = 1; i <= 256; ++i) names.push_back(std::to_string(i));
  return names;
}

CSerialPort::CSerialPort() { abortFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

CSerialPort::~CSerialPort() {
  // The owner closes the line; a line still open here would leak the device
  // and keep it locked, so release it rather than leave it held.
  if (fd_ >= 0) ::close(fd_);
  if (abortFd_ >= 0) ::close(abortFd_);
}

int CSerialPort::Open(const std::string& portName) {
  if (fd_ >= 0) Close();
  devicePath_ = SerialDevicePath(portName);
  int fd = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastError_ = errno;
    return 1;
  }
  if (!isatty(fd)) {
    lastError_ = ENOTTY;
    ::close(fd);
    return 1;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    // ptys on some kernels refuse; the line is still usable.
  }
  // FTDI-style adapters otherwise hold every answer up to their latency timer.
  serial_struct ss{};
  if (ioctl(fd, TIOCGSERIAL, &ss) == 0) {
    ss.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &ss);
  }
  fd_ = fd;
  hasRts_ = true;
  baud_ = 0;
  deviceGone_ = false;
  ++openCount_;
  // Opening a tty raises RTS and DTR; an RS-485 converter would drive the bus
  // until the first frame's ClearRTS.
  int lines = TIOCM_RTS | TIOCM_DTR;
  if (ioctl(fd_, TIOCMBIC, &lines) != 0 && (errno == ENOTTY || errno == EINVAL)) hasRts_ = false;
  return 0;
}

int CSerialPort::Configure(int baud, int timeoutMs) {
  termios tio{};
  if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) {
    lastError_ = fd_ < 0 ? EBADF : errno;
    return 1;
  }
  const speed_t speed = baud > 0 ? SpeedFor(baud) : 0;
  if (speed == 0) {
    lastError_ = EINVAL;
    return 2;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  // HUPCL drops RTS when the line is closed, also by a crash: the converter
  // then never keeps driving the bus.
  tio.c_cflag |= CS8 | CLOCAL | CREAD | HUPCL;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
    lastError_ = errno;
    return 2;
  }
  // DTR held inactive, as the converters expect.
  int dtr = TIOCM_DTR;
  ioctl(fd_, TIOCMBIC, &dtr);
  baud_ = baud;
  const int t = std::max(timeoutMs, 0);
  readIntervalMs_ = t;
  readPerByteMs_ = 10000 / baud;
  readConstantMs_ = t;
  writePerByteMs_ = 10000 / baud;
  writeConstantMs_ = 500;
  return 0;
}

int CSerialPort::Close() {
  if (fd_ < 0) return 2;
  // Exclusive mode belongs to the device, not to this descriptor: where
  // another descriptor keeps it alive (a pseudo-terminal's holder), it would
  // outlast the close and refuse our own next open to anyone but root.
  ioctl(fd_, TIOCNXCL);
  const int rc = ::close(fd_);
  fd_ = -1;
  baud_ = 0;
  if (rc != 0) {
    lastError_ = errno;
    return 1;
  }
  return 0;
}

void CSerialPort::SetRTS() {
  if (fd_ < 0 || !hasRts_) return;
  int bits = TIOCM_RTS;
  if (ioctl(fd_, TIOCMBIS, &bits) != 0 && (errno == ENOTTY || errno == EINVAL)) hasRts_ = false;
}

void CSerialPort::ClearRTS() {
  if (fd_ < 0 || !hasRts_) return;
  int bits = TIOCM_RTS;
  if (ioctl(fd_, TIOCMBIC, &bits) != 0 && (errno == ENOTTY || errno == EINVAL)) hasRts_ = false;
}

bool CSerialPort::DevicePresent(const std::string& portName) {
  struct stat st {};
  return ::stat(SerialDevicePath(portName).c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

void CSerialPort::NoteFailure(int err) {
  lastError_ = err;
  if (err == EIO || err == ENXIO || err == ENODEV) deviceGone_ = true;
}

int CSerialPort::Read(std::uint16_t n, std::uint8_t* buffer) {
  if (n == 0) return 0;
  const std::int64_t start = MonotonicNs();
  return ReadUntil(n, buffer, start + (static_cast<std::int64_t>(readPerByteMs_) * n + readConstantMs_) * kNsPerMs);
}

int CSerialPort::ReadWithin(std::uint16_t n, std::uint8_t* buffer, int totalMs) {
  if (n == 0) return 0;
  return ReadUntil(n, buffer, MonotonicNs() + static_cast<std::int64_t>(std::max(totalMs, 0)) * kNsPerMs);
}

int CSerialPort::ReadUntil(std::uint16_t n, std::uint8_t* buffer, std::int64_t total) {
  int got = 0;
  std::int64_t lastByte = 0;
  bool failed = fd_ < 0;
  if (failed) lastError_ = EBADF;
  while (!failed && got < n) {
    std::int64_t deadline = total;
    if (got > 0 && readIntervalMs_ > 0) deadline = std::min(deadline, lastByte + readIntervalMs_ * kNsPerMs);
    const std::int64_t now = MonotonicNs();
    if (now >= deadline || AbortRequested()) break;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {abortFd_, POLLIN, 0}};
    const std::int64_t left = deadline - now;
    timespec ts{static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
    const int pr = ppoll(fds, 2, &ts, nullptr);
    if (pr < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      failed = true;
      break;
    }
    if (pr == 0) continue;  // deadline reached; the loop head ends it
    if (fds[1].revents) break;
    if (fds[0].revents & POLLIN) {
      const ssize_t r = ::read(fd_, buffer + got, n - got);
      if (r > 0) {
        got += static_cast<int>(r);
        lastByte = MonotonicNs();
        continue;
      }
      if (r < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      NoteFailure(r == 0 ? EIO : errno);
      failed = true;
    } else if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      // A hang-up: nobody is behind the line any more.
      NoteFailure(EIO);
      failed = true;
    }
  }
  if (failed) {
    ++readErrors_;
    SleepUntilNs(total);
    return kReadFailed;
  }
  return got == n ? n : -got;
}

int CSerialPort::Write(const std::uint8_t* data, std::size_t n) {
  if (fd_ < 0) return lastError_ = EBADF;
  const std::int64_t deadline =
      MonotonicNs() + (static_cast<std::int64_t>(writePerByteMs_) * static_cast<std::int64_t>(n) + writeConstantMs_) * kNsPerMs;
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, data + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) {
      NoteFailure(errno);
      return lastError_;
    }
    const std::int64_t now = MonotonicNs();
    if (now >= deadline || AbortRequested()) return lastError_ = ETIMEDOUT;
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {abortFd_, POLLIN, 0}};
    const std::int64_t left = deadline - now;
    timespec ts{static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
    ppoll(fds, 2, &ts, nullptr);
  }
  return 0;
}

void CSerialPort::WaitTransmitted() {
  if (fd_ >= 0) tcdrain(fd_);
}

void CSerialPort::Purge() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

int CSerialPort::CharsToMs(int n, int baud) {
  const int ms = baud != 0 ? n * 10000 / baud : n * 10;
  return ms == 0 ? 1 : ms;
}

void CSerialPort::WaitChars(int n) {
  const int ms = CharsToMs(n, baud_);
  if (ms >= 100)
    Sleep(ms);
  else
    WaitPrecise(ms);
}

void CSerialPort::WaitPrecise(int ms) {
  TightenTimerSlack();
  SleepUntilNs(MonotonicNs() + static_cast<std::int64_t>(ms) * kNsPerMs);
}

void CSerialPort::Sleep(int ms) { SleepUntilNs(MonotonicNs() + static_cast<std::int64_t>(ms) * kNsPerMs); }

bool CSerialPort::SleepUntilNs(std::int64_t deadlineNs) {
  for (;;) {
    if (AbortRequested()) return false;
    const std::int64_t now = MonotonicNs();
    if (now >= deadlineNs) return true;
    const std::int64_t left = deadlineNs - now;
    timespec ts{static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
    pollfd fd{abortFd_, POLLIN, 0};
    if (ppoll(&fd, abortFd_ >= 0 ? 1 : 0, &ts, nullptr) > 0) return false;
  }
}

void CSerialPort::RequestAbort() {
  abort_.store(true, std::memory_order_release);
  if (abortFd_ >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(abortFd_, &one, sizeof one);
  }
}

void CSerialPort::ResetAbort() {
  abort_.store(false, std::memory_order_release);
  if (abortFd_ >= 0) {
    std::uint64_t v = 0;
    [[maybe_unused]] ssize_t r = ::read(abortFd_, &v, sizeof v);
  }
}

}  // namespace kvl
