#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "sim/sim_line.h"

namespace kvl::test {

PtyPair::PtyPair() {
  SimPty pty;
  std::string error;
  if (!OpenSimPty(pty, &error)) throw std::runtime_error(error);
  master_ = pty.master;
  slaveKeep_ = pty.slaveKeep;
  slavePath_ = pty.path;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
  if (master_ >= 0) close(master_);
  if (slaveKeep_ >= 0) close(slaveKeep_);
}

std::vector<std::uint8_t> PtyPair::ReadFrame(int timeoutMs, int gapMs) {
  std::vector<std::uint8_t> out;
  int wait = timeoutMs;
  for (;;) {
    pollfd p{master_, POLLIN, 0};
    const int pr = poll(&p, 1, wait);
    if (pr <= 0) break;
    if (!(p.revents & POLLIN)) break;
    std::uint8_t buf[512];
    const ssize_t r = read(master_, buf, sizeof buf);
    if (r <= 0) {
      if (r < 0 && errno == EAGAIN) continue;
      break;
    }
    out.insert(out.end(), buf, buf + r);
    wait = gapMs;
  }
  return out;
}

void PtyPair::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = write(master_, bytes.data() + done, bytes.size() - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 100);
    } else {
      return;
    }
  }
}

void PtyPair::Drain() {
  std::uint8_t buf[512];
  while (read(master_, buf, sizeof buf) > 0) {
  }
}

}  // namespace kvl::test
