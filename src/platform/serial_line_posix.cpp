#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/serial_line.h"

namespace kvl::platform {
namespace {

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

timespec Left(std::int64_t deadlineNs) {
  const std::int64_t left = std::max<std::int64_t>(deadlineNs - MonotonicNs(), 0);
  return timespec{static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
}

// The program name of a running process, "" once it is gone.
std::string ProgramOf(unsigned long pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// The flock holder of the inode from /proc/locks ("1: FLOCK ADVISORY WRITE
// 4711 00:05:7 0 EOF"; a waiter's line has "->" after the number).
unsigned long LockHolderOf(const struct stat& st) {
  std::ifstream locks("/proc/locks");
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream in(line);
    std::string number, kind, mode, access, where;
    unsigned long pid = 0;
    if (!(in >> number >> kind) || kind == "->" || kind != "FLOCK") continue;
    if (in >> mode >> access >> pid >> where && where == wanted) return pid;
  }
  return 0;
}

// A process other than this one with a descriptor on the inode (a program
// that does not lock, as a terminal emulator).
unsigned long OpenerOf(const struct stat& st) {
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  unsigned long found = 0;
  const unsigned long self = static_cast<unsigned long>(getpid());
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    const unsigned long pid = std::strtoul(e->d_name, &end, 10);
    if (pid == 0 || *end != '\0' || pid == self) continue;
    const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (!fds) continue;
    while (dirent* f = readdir(fds)) {
      struct stat target {};
      if (f->d_name[0] == '.' || ::stat((fdDir + "/" + f->d_name).c_str(), &target) != 0) continue;
      if (target.st_dev == st.st_dev && target.st_ino == st.st_ino && target.st_rdev == st.st_rdev) {
        found = pid;
        break;
      }
    }
    closedir(fds);
    if (found) break;
  }
  closedir(proc);
  return found;
}

}  // namespace

LineHolder FindLineHolder(const std::string& devicePath) {
  struct stat st {};
  if (::stat(devicePath.c_str(), &st) != 0) return {};
  LineHolder holder;
  holder.pid = LockHolderOf(st);
  if (holder.pid == 0) holder.pid = OpenerOf(st);
  if (holder.pid != 0) holder.program = ProgramOf(holder.pid);
  return holder;
}

struct CSerialLine::Handles {
  int fd = -1;
  int wake = -1;
};

bool IsPortPath(const std::string& name) { return name.find('/') != std::string::npos; }

std::string NumberedPortPath(int n) { return "/dev/ttyS" + std::to_string(n - 1); }

std::string NamedPortPath(const std::string& name) { return "/dev/" + name; }

std::vector<std::string> PresentSerialDevices() {
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
  return ports;
}

bool SerialDeviceExists(const std::string& devicePath) {
  struct stat st {};
  return ::stat(devicePath.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

CSerialLine::CSerialLine() : h_(new Handles) { h_->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

CSerialLine::~CSerialLine() {
  // A line still open here would leak the device and keep it locked.
  if (h_->fd >= 0) ::close(h_->fd);
  if (h_->wake >= 0) ::close(h_->wake);
  delete h_;
}

bool CSerialLine::IsOpen() const { return h_->fd >= 0; }

int CSerialLine::Open(const std::string& devicePath, bool* hasRts) {
  int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (!isatty(fd)) {
    ::close(fd);
    return ENOTTY;
  }
  // Exclusive mode does not keep out root, and a pty's may be off: the lock
  // keeps out every program of this project, whoever runs it, and goes with
  // the descriptor (a replugged adapter's reopen, a crash).
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return EBUSY;
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
  h_->fd = fd;
  // Opening a tty raises RTS and DTR; an RS-485 converter would drive the bus
  // until the first frame's ClearRTS.
  int lines = TIOCM_RTS | TIOCM_DTR;
  *hasRts = !(ioctl(fd, TIOCMBIC, &lines) != 0 && (errno == ENOTTY || errno == EINVAL));
  return 0;
}

int CSerialLine::Configure(int baud, int /*writePerByteMs*/, int /*writeConstantMs*/) {
  termios tio{};
  if (h_->fd < 0) return EBADF;
  if (tcgetattr(h_->fd, &tio) != 0) return errno;
  const speed_t speed = baud > 0 ? SpeedFor(baud) : 0;
  if (speed == 0) return EINVAL;
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
  if (tcsetattr(h_->fd, TCSANOW, &tio) != 0) return errno;
  // DTR held inactive, as the converters expect.
  int dtr = TIOCM_DTR;
  ioctl(h_->fd, TIOCMBIC, &dtr);
  return 0;
}

int CSerialLine::Close() {
  if (h_->fd < 0) return EBADF;
  // Exclusive mode belongs to the device, not to this descriptor: where
  // another descriptor keeps it alive (a pseudo-terminal's holder), it would
  // outlast the close and refuse our own next open to anyone but root.
  ioctl(h_->fd, TIOCNXCL);
  const int rc = ::close(h_->fd);
  h_->fd = -1;
  return rc == 0 ? 0 : errno;
}

bool CSerialLine::SetRts(bool raised) {
  int bits = TIOCM_RTS;
  return !(ioctl(h_->fd, raised ? TIOCMBIS : TIOCMBIC, &bits) != 0 && (errno == ENOTTY || errno == EINVAL));
}

int CSerialLine::ReadSome(std::uint8_t* buffer, std::size_t n, std::int64_t deadlineNs) {
  for (;;) {
    pollfd fds[2] = {{h_->fd, POLLIN, 0}, {h_->wake, POLLIN, 0}};
    const timespec ts = Left(deadlineNs);
    const int pr = ppoll(fds, 2, &ts, nullptr);
    if (pr < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    if (pr == 0 || fds[1].revents) return 0;
    if (fds[0].revents & POLLIN) {
      const ssize_t r = ::read(h_->fd, buffer, n);
      if (r > 0) return static_cast<int>(r);
      if (r < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      return r == 0 ? -EIO : -errno;
    }
    // A hang-up: nobody is behind the line any more.
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return -EIO;
  }
}

int CSerialLine::WriteSome(const std::uint8_t* data, std::size_t n, std::int64_t deadlineNs) {
  for (;;) {
    const ssize_t w = ::write(h_->fd, data, n);
    if (w > 0) return static_cast<int>(w);
    if (w < 0 && errno != EAGAIN && errno != EINTR) return -errno;
    if (MonotonicNs() >= deadlineNs) return 0;
    pollfd fds[2] = {{h_->fd, POLLOUT, 0}, {h_->wake, POLLIN, 0}};
    const timespec ts = Left(deadlineNs);
    if (ppoll(fds, 2, &ts, nullptr) > 0 && fds[1].revents) return 0;
  }
}

void CSerialLine::Drain() {
  if (h_->fd >= 0) tcdrain(h_->fd);
}

void CSerialLine::Purge() {
  if (h_->fd >= 0) tcflush(h_->fd, TCIOFLUSH);
}

bool CSerialLine::WaitUntil(std::int64_t deadlineNs) {
  for (;;) {
    if (MonotonicNs() >= deadlineNs) return true;
    const timespec ts = Left(deadlineNs);
    pollfd fd{h_->wake, POLLIN, 0};
    if (ppoll(&fd, h_->wake >= 0 ? 1 : 0, &ts, nullptr) > 0) return false;
  }
}

void CSerialLine::Wake() {
  if (h_->wake < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t w = ::write(h_->wake, &one, sizeof one);
}

void CSerialLine::ClearWake() {
  if (h_->wake < 0) return;
  std::uint64_t v = 0;
  [[maybe_unused]] ssize_t r = ::read(h_->wake, &v, sizeof v);
}

}  // namespace kvl::platform
