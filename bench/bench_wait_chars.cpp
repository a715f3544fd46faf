// How closely the link's character-time waits keep their length: the RS-485
// turn-around depends on them. Prints mean and p99 overshoot per baud rate and
// character count, and the mean ratio measured / mandated. Nothing asserts.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "sim/sim_line.h"
#include "text/format.h"

namespace {

struct Stats {
  double meanOvershootMs = 0;
  double p99OvershootMs = 0;
  double ratio = 0;
};

template <typename Wait>
Stats Measure(int samples, int expectedMs, Wait wait) {
  std::vector<double> over;
  double total = 0;
  for (int i = 0; i < samples; ++i) {
    const std::int64_t t0 = kvl::MonotonicNs();
    wait();
    const double ms = static_cast<double>(kvl::MonotonicNs() - t0) / 1e6;
    total += ms;
    over.push_back(ms - expectedMs);
  }
  std::sort(over.begin(), over.end());
  Stats s;
  double sum = 0;
  for (double o : over) sum += o;
  s.meanOvershootMs = sum / samples;
  // Nearest-rank p99; with few samples it is the worst one.
  const std::size_t rank = static_cast<std::size_t>(0.99 * samples + 0.999999);
  s.p99OvershootMs = over[std::min(over.size(), std::max<std::size_t>(rank, 1)) - 1];
  s.ratio = total / samples / expectedMs;
  return s;
}

// Short waits get enough samples for a p99 within ~50 ms of waiting; waits
// of 100 ms and more (the plain sleep) only a few.
int SamplesFor(int expectedMs) {
  if (expectedMs >= 100) return std::clamp(450 / expectedMs, 1, 3);
  return std::clamp(50 / expectedMs, 4, 40);
}

void Print(const std::string& label, int expectedMs, int samples, const Stats& s) {
  std::fputs(kvl::Format("%-22s %8d %7d %10.3f %10.3f %8.4f\n", label.c_str(), expectedMs, samples, s.meanOvershootMs,
                         s.p99OvershootMs, s.ratio)
                 .c_str(),
             stdout);
}

}  // namespace

int main() {
  kvl::SimPty pty;
  std::string ptyError;
  if (!kvl::OpenSimPty(pty, &ptyError)) {
    std::fprintf(stderr, "%s\n", ptyError.c_str());
    return 1;
  }
  const char* name = pty.path.c_str();
  kvl::CSerialPort port;
  if (port.Open(name) != 0) {
    std::fprintf(stderr, "cannot open %s\n", name);
    return 1;
  }
  std::puts("WaitChars / WaitPrecise accuracy (overshoot = measured - mandated, ms)");
  std::puts("wait                   mandated samples  mean over   p99 over    ratio");
  const std::int64_t start = kvl::MonotonicNs();
  for (int baud : {1200, 2400, 4800, 9600, 19200}) {
    // A pty takes any standard rate; only the configured number matters here.
    if (port.Configure(baud, 200) != 0) {
      std::fprintf(stderr, "cannot configure %s at %d baud\n", name, baud);
      return 1;
    }
    for (int n : {1, 3, 10, 20, 100}) {
      const int expected = kvl::CSerialPort::CharsToMs(n, baud);
      const int samples = SamplesFor(expected);
      const Stats s = Measure(samples, expected, [&] { port.WaitChars(n); });
      Print(kvl::Format("WaitChars %3d @ %5d", n, baud), expected, samples, s);
    }
  }
  for (int ms : {1, 2, 5, 10}) {
    const int samples = 200 / ms;
    const Stats s = Measure(samples, ms, [&] { port.WaitPrecise(ms); });
    Print(kvl::Format("WaitPrecise %d ms", ms), ms, samples, s);
  }
  std::printf("total %.1f s\n", static_cast<double>(kvl::MonotonicNs() - start) / 1e9);
  port.Close();
  close(pty.slaveKeep);
  close(pty.master);
  return 0;
}
