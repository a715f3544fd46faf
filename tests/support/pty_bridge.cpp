#include "support/pty_bridge.h"

#include <poll.h>
#include <unistd.h>

namespace kvl::test {

PtyBridge::PtyBridge() : thread_([this] { Run(); }) {}

PtyBridge::~PtyBridge() {
  stop_ = true;
  thread_.join();
}

void PtyBridge::Run() {
  const int fds[2] = {a_.MasterFd(), b_.MasterFd()};
  while (!stop_) {
    pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
    if (poll(p, 2, 20) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(p[i].revents & POLLIN)) {
        // A side that nobody holds open reports POLLHUP; wait instead of spinning.
        if (p[i].revents & POLLHUP) usleep(1000);
        continue;
      }
      unsigned char buf[512];
      const ssize_t n = read(fds[i], buf, sizeof buf);
      if (n <= 0) continue;
      ssize_t done = 0;
      while (done < n) {
        const ssize_t w = write(fds[1 - i], buf + done, static_cast<std::size_t>(n - done));
        if (w > 0)
          done += w;
        else
          usleep(200);
      }
    }
  }
}

}  // namespace kvl::test
