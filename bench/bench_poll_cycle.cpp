// Poll-cycle overhead of the link: twenty detectors on a pty, answered at once
// by a peer in a child process, polled with the KVELT poll set. Prints the
// measured cycle time against the time the link's own waits mandate, and the
// process's CPU time against wall time (the peer's CPU is the child's, so it
// is not counted). Nothing asserts. With "chamber", a simulated climate
// chamber answers on a second pty and the chamber link polls it every second
// meanwhile, on its own thread: the cycle ratio must not change.
//
//   bench_poll_cycle [seconds=10] [baud=9600] [chamber]
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

#include <memory>

#include "chamber/chamber_link.h"
#include "detector/poll_sets.h"
#include "link/modbus_slave.h"
#include "sim/sim_chamber.h"
#include "sim/sim_line.h"
#include "text/format.h"

namespace {

constexpr int kDetectors = 20;
// The link's own waits around every read request: RTS raised 20 characters
// before the frame, tail 3 + frame length 8 characters after it, 10 ms after
// each successful answer.
constexpr int kPreChars = 20;
constexpr int kPostChars = 3 + 8;
constexpr int kAfterAnswerMs = 10;

// The peer: answers every valid read request at once, every register 0x1234.
[[noreturn]] void RunPeer(int fd) {
  std::vector<std::uint8_t> buf;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 1000) < 0) _exit(0);
    if (p.revents & (POLLHUP | POLLERR)) _exit(0);
    if (!(p.revents & POLLIN)) continue;
    std::uint8_t chunk[512];
    const ssize_t r = read(fd, chunk, sizeof chunk);
    if (r <= 0) _exit(0);
    buf.insert(buf.end(), chunk, chunk + r);
    while (buf.size() >= 8) {
      if (!kvl::CrcOk(buf.data(), 8) || (buf[1] != 3 && buf[1] != 4)) {
        buf.erase(buf.begin());
        continue;
      }
      const std::vector<std::uint16_t> words(buf[5], 0x1234);
      const kvl::Bytes answer = kvl::BuildResponse(buf[0], buf[1], words);
      [[maybe_unused]] ssize_t w = write(fd, answer.data(), answer.size());
      buf.erase(buf.begin(), buf.begin() + 8);
    }
  }
}

class Queue : public kvl::CMessageTarget {
 public:
  void Post(unsigned message, std::intptr_t, std::intptr_t) override {
    std::lock_guard lock(mutex_);
    pending_.push_back(message);
    cv_.notify_one();
  }
  unsigned Next() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return !pending_.empty(); });
    const unsigned m = pending_.front();
    pending_.pop_front();
    return m;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<unsigned> pending_;
};

double CpuSeconds(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;

  kvl::SimPty pty;
  std::string ptyError;
  if (!kvl::OpenSimPty(pty, &ptyError)) {
    std::fprintf(stderr, "%s\n", ptyError.c_str());
    return 1;
  }
  const int master = pty.master, slave = pty.slaveKeep;
  const char* name = pty.path.c_str();
  // Forked before any thread exists.
  const pid_t peer = fork();
  if (peer == 0) {
    close(slave);
    RunPeer(master);
  }
  close(master);

  const kvl::PollRequestLists table = kvl::PollRequestTable();
  const std::vector<int> enabled = kvl::PollSetRequests(kvl::kPollSetKvelt);
  std::vector<std::uint8_t> devices;
  for (int a = 1; a <= kDetectors; ++a) devices.push_back(static_cast<std::uint8_t>(a));

  const int perRequestMs =
      kvl::CSerialPort::CharsToMs(kPreChars, baud) + kvl::CSerialPort::CharsToMs(kPostChars, baud) + kAfterAnswerMs;
  // Pause "0": one idle pass of 0 ms after each detector.
  const double mandatedMs = static_cast<double>(kDetectors) * static_cast<double>(enabled.size()) * perRequestMs;

  // The chamber's pty and threads come after the fork.
  const bool withChamber = argc > 3 && std::string(argv[3]) == "chamber";
  kvl::CSimBus world;
  kvl::SimPty chamberPty;
  std::unique_ptr<kvl::CSimChamber> chamber;
  kvl::CChamberLink chamberLink;
  if (withChamber) {
    if (!kvl::OpenSimPty(chamberPty, &ptyError)) {
      std::fprintf(stderr, "%s\n", ptyError.c_str());
      return 1;
    }
    chamber = std::make_unique<kvl::CSimChamber>(kvl::DemoAsciiChamberProfile(), world);
    chamber->Start(kvl::MakeSimFdLine(chamberPty.master, 9600));
    kvl::ChamberProfile profile = kvl::DemoAsciiChamberProfile();
    profile.pollSeconds = 1;
    kvl::DeviceLineSettings line;
    line.port = chamberPty.path;
    chamberLink.Open(profile, line, kvl::kEnglish);
    chamberLink.SetPoint(40);
  }

  kvl::CModbusSlave link;
  Queue queue;
  link.SetPollRequests(table.firsts, table.counts, table.offsets);
  link.SelectPollSet(enabled, kvl::kPollSetKvelt);
  const std::int64_t wall0 = kvl::MonotonicNs();
  const double cpu0 = CpuSeconds(RUSAGE_SELF);
  link.StartWorker(&queue, 0, name, kvl::Format("%d", baud), devices, "3", "0", "3", true);

  std::vector<std::int64_t> cycleTimes;
  int clears = 0;
  std::int64_t lastCycle = 0;
  const std::int64_t end = wall0 + static_cast<std::int64_t>(seconds * 1e9);
  for (;;) {
    const unsigned m = queue.Next();
    if (m == kvl::WM_USER_DATA) link.Resume();
    if (m == kvl::WM_USER_CLEAR) ++clears;
    if (m == kvl::WM_USER_PORT_FAIL) {
      std::fprintf(stderr, "cannot open %s\n", name);
      return 1;
    }
    if (m != kvl::WM_USER_CYCLE) continue;
    const std::int64_t now = kvl::MonotonicNs();
    // The first cycle includes opening the line and the poll-set settle time.
    if (lastCycle != 0) cycleTimes.push_back(now - lastCycle);
    lastCycle = now;
    if (now >= end && !cycleTimes.empty()) break;
  }
  const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
  const double wall = static_cast<double>(kvl::MonotonicNs() - wall0) / 1e9;
  link.StopWorker();
  const kvl::ChamberReading reading = chamberLink.Last();
  chamberLink.Close();
  if (chamber) chamber->Stop();
  close(slave);
  kill(peer, SIGTERM);
  waitpid(peer, nullptr, 0);
  const double peerCpu = CpuSeconds(RUSAGE_CHILDREN);

  double sum = 0, worst = 0;
  for (std::int64_t t : cycleTimes) {
    sum += static_cast<double>(t) / 1e6;
    worst = std::max(worst, static_cast<double>(t) / 1e6);
  }
  const double mean = sum / static_cast<double>(cycleTimes.size());
  std::printf("poll cycle: %d detectors x %zu requests at %d baud, pause 0\n", kDetectors, enabled.size(), baud);
  std::printf("  mandated per request   %d ms (%d + %d characters, %d ms after the answer)\n", perRequestMs, kPreChars,
              kPostChars, kAfterAnswerMs);
  std::printf("  mandated per cycle     %.1f ms\n", mandatedMs);
  std::printf("  measured per cycle     %.1f ms mean, %.1f ms worst, %zu cycles, %d failed polls\n", mean, worst,
              cycleTimes.size(), clears);
  std::printf("  cycle ratio            %.4f (goal <= 1.03)\n", mean / mandatedMs);
  std::printf("  CPU / wall             %.3f%% of one core over %.1f s (goal < 2%%)\n", 100.0 * cpu / wall, wall);
  std::printf("  peer (child) CPU       %.3f s, not counted above\n", peerCpu);
  if (withChamber)
    std::printf("  chamber polled meanwhile: %s, measured %.2f, set point %.2f\n",
                reading.answered ? "answering" : reading.reason.c_str(), reading.measured, reading.setPoint);
  return 0;
}
