// The graduation table calculation at its limit: twenty Z5 sensors, one
// million data lines of a full eight-stage run made by the simulator's model
// (fixed seeds). Prints the time of a plain read of the files (what `cat`
// does), of reading them into sensors, of the fits (fast, on all cores and on
// one), of the reference fits, and the ratios; checks that the fast and the
// reference tables are identical; then the plain read and the whole
// calculation again with the files dropped from the page cache before each
// run, as the operator meets them after a restart. Nothing else asserts.
//
//   bench_calc [lines=1000000] [sensors=20] [reference=1] [folder]
//   reference=0 skips the reference fits; a folder keeps the files (and reuses them).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "graduation/calc_async.h"
#include "graduation/calc_checks.h"
#include "graduation/grad_file_reader.h"
#include "sim/sim_run_data.h"
#include "text/format.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Best wall time of `runs` runs; *cpu (if given) the process CPU time of that run.
// The CPU time tells what the work costs when other programs share the cores.
template <class F>
double Best(int runs, F&& f, double* cpu = nullptr) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double c = CpuSeconds();
    const auto a = Clock::now();
    f();
    const double wall = Seconds(a, Clock::now());
    if (wall < best) {
      best = wall;
      if (cpu) *cpu = CpuSeconds() - c;
    }
  }
  return best;
}

// Drops the files from the page cache (written back first), as after a
// restart of the machine: the next read comes from the disk.
void Evict(const std::vector<std::string>& paths) {
  for (const std::string& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0) continue;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }
}

// What cat does with the files: read them through a buffer, nothing else.
std::size_t PlainRead(const std::vector<std::string>& paths) {
  static char buf[128 * 1024];
  std::size_t total = 0;
  for (const std::string& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0) continue;
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) total += std::size_t(n) + std::size_t(buf[0]);
    ::close(fd);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvl;
  const std::size_t lines = argc > 1 ? std::size_t(std::atol(argv[1])) : 1000000;
  const int sensors = argc > 2 ? std::atoi(argv[2]) : 20;
  const bool reference = argc > 3 ? std::atoi(argv[3]) != 0 : true;

  const bool keep = argc > 4;
  std::string dir = keep ? std::string(argv[4]) : (std::filesystem::temp_directory_path() / "kvl_bench_calc_XXXXXX").string();
  if (keep) {
    std::filesystem::create_directories(dir);
  } else if (!mkdtemp(dir.data())) {
    return 1;
  }
  std::vector<std::string> paths;
  std::size_t bytes = 0;
  const auto g0 = Clock::now();
  for (int k = 0; k < sensors; ++k) {
    SimRunSetup setup;
    setup.type = kTypeZ5;
    setup.lines = lines / std::size_t(sensors);
    setup.seed = std::uint64_t(1000 + k);
    setup.sensitivity = 0.8 + 0.02 * k;
    SimRunHeader h;
    h.type = kTypeZ5;
    h.serial = Format("%d", 7001 + k);
    h.modbus = Format("%d", k + 1);
    h.power = "1800", h.kur = "10000", h.kuw = "10100";
    paths.push_back(dir + "/" + h.serial + "_0.grad");
    if (keep && std::filesystem::exists(paths.back())) {
      bytes += std::filesystem::file_size(paths.back());
      continue;
    }
    const std::string text = SimRunFile(h, SimulatedRunRows(setup));
    bytes += text.size();
    std::ofstream(paths.back(), std::ios::binary) << text;
  }
  std::printf("generated %d files, %zu lines, %.1f MB in %.1f s (%s)\n", sensors, lines, bytes / 1e6,
              Seconds(g0, Clock::now()), dir.c_str());
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

  CalcSettings settings;
  settings.type = kTypeZ5;
  settings.language = kEnglish;
  // A fresh installation's check records; the Z5 display limits check nothing.
  for (int r = 0; r < kCheckRecordCount; ++r) settings.checkRecords[std::size_t(r)] = DefaultCheckRecord(r);

  PlainRead(paths);  // page cache warm
  volatile std::size_t sink = 0;
  double plainCpu = 0, readCpu = 0, readOneCpu = 0, fitCpu = 0;
  const double plain = Best(5, [&] { sink = sink + PlainRead(paths); }, &plainCpu);

  CalcRead read;
  const double readAll = Best(3, [&] { read = ReadGradFiles(paths, settings); }, &readCpu);
  const double readOne = Best(3, [&] { read = ReadGradFiles(paths, settings, 1); }, &readOneCpu);
  const auto c0 = Clock::now();
  CheckSegments(read, settings);
  const CalcSummary summary = BuildSummary(read, kEnglish);
  const double checks = Seconds(c0, Clock::now());

  std::vector<SensorTables> fast(read.sensors.size());
  const double fitAll = Best(3, [&] {
    CCalcFits fits(read, settings, summary.calculable);
    for (int s : summary.calculable) fast[std::size_t(s)] = fits.Take(s);
  }, &fitCpu);
  const double fitOne = Best(1, [&] {
    for (int s : summary.calculable) fast[std::size_t(s)] = FitSensor(read.sensors[std::size_t(s)], settings);
  });
  std::size_t trials = 0;
  for (int s : summary.calculable)
    for (const SegmentTable& t : fast[std::size_t(s)].tables) trials += t.channels;

  std::printf("calculable sensors: %zu of %zu, data lines read: %zu\n", summary.calculable.size(), read.sensors.size(),
              read.lines);
  std::printf("plain read of the files (cat):   %8.1f ms wall %8.1f ms CPU\n", plain * 1e3, plainCpu * 1e3);
  std::printf("reading into sensors, %u threads: %8.1f ms wall %8.1f ms CPU   (1 thread: %.1f ms wall, %.1f ms CPU)\n",
              cores, readAll * 1e3, readCpu * 1e3, readOne * 1e3, readOneCpu * 1e3);
  std::printf("segment checks and summary:      %8.1f ms\n", checks * 1e3);
  std::printf("fast fits, %u threads:            %8.1f ms wall %8.1f ms CPU   (1 thread: %.1f ms)\n", cores,
              fitAll * 1e3, fitCpu * 1e3, fitOne * 1e3);
  const double whole = readAll + checks + fitAll;
  std::printf("whole calculation:               %8.1f ms = %.2f x the plain read\n", whole * 1e3, whole / plain);

  // The same from the disk: the files evicted before each run.
  const double coldPlain = Best(3, [&] {
    Evict(paths);
    sink = sink + PlainRead(paths);
  });
  CalcRead coldRead;
  const double coldWhole = Best(3, [&] {
    Evict(paths);
    coldRead = ReadGradFiles(paths, settings);
    CheckSegments(coldRead, settings);
    const CalcSummary s = BuildSummary(coldRead, kEnglish);
    CCalcFits fits(coldRead, settings, s.calculable);
    for (int k : s.calculable) fits.Take(k);
  });
  std::printf("from the disk (page cache dropped): plain read %.1f ms, whole calculation %.1f ms = %.2f x\n",
              coldPlain * 1e3, coldWhole * 1e3, coldWhole / coldPlain);

  int status = 0;
  if (reference) {
    std::vector<SensorTables> ref(read.sensors.size());
    const double fitRef = Best(1, [&] {
      for (int s : summary.calculable)
        ref[std::size_t(s)] = FitSensor(read.sensors[std::size_t(s)], settings, FitMethod::Reference);
    });
    bool same = true;
    for (int s : summary.calculable) same = same && ref[std::size_t(s)].tables == fast[std::size_t(s)].tables;
    std::printf("reference fits, 1 thread:        %8.1f ms = %.0f x the fast fits on 1 thread, %.0f x on %u\n",
                fitRef * 1e3, fitRef / fitOne, fitRef / fitAll, cores);
    std::printf("tables of the fast and the reference fits: %s\n", same ? "identical" : "DIFFERENT");
    status = same ? 0 : 1;
  }
  if (!keep) std::filesystem::remove_all(dir);
  return status;
}
