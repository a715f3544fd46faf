// What one recording tick costs the window's thread with twenty detectors:
// the series search, formatting, and one O_APPEND write per file, with the
// disk syncs left to the background syncer. Prints wall and thread CPU time
// per tick (mean, p50, p99, worst) and the ratio of the p99 to the 2 ms goal.
// Ticks come every PERIOD ms (default 100, ten times the window's fastest
// period of 1 s), so the syncer runs beside them as it does in use.
// Nothing asserts. Usage: bench_record_tick [PERIOD_MS [TICKS [FOLDER]]]
// (defaults 100, 200, a new folder in /tmp).
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "graduation/run_data_writer.h"
#include "text/format.h"

namespace {

double NowMs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Stats {
  double mean, p50, p99, worst;
};

Stats Summarize(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  double sum = 0;
  for (double x : v) sum += x;
  auto at = [&](double q) { return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))]; };
  return {sum / double(v.size()), at(0.5), at(0.99), v.back()};
}

}  // namespace

int main(int argc, char** argv) {
  const int periodMs = argc > 1 ? std::max(0, std::atoi(argv[1])) : 100;
  const int kTicks = argc > 2 ? std::max(2, std::atoi(argv[2])) : 200;
  std::string folder;
  if (argc > 3) {
    folder = argv[3];
    if (folder.back() != '/') folder += '/';
  } else {
    char pattern[] = "/tmp/kvl_bench_record_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    folder = std::string(pattern) + "/";
  }
  constexpr int kDetectors = 20;
  std::vector<kvl::RunDataRow> rows(kDetectors);
  for (int i = 0; i < kDetectors; ++i) {
    kvl::RunDataRow& r = rows[std::size_t(i)];
    r.serial = kvl::Format("%d", 5100001 + i);
    r.modbusNumber = kvl::Format("%d", i + 1);
    r.gasCell = "Метан";
    r.gasName = "Метан";
    r.values = {"12.5", "22", "9994", "2189", "2292", "6", "2200", "2300", "0"};
    r.current = "4.055";
    r.power = "2048";
    r.kur = "10000";
    r.kuw = "10000";
  }
  const kvl::RunDataContext ctx{kvl::kTypeZ5, kvl::kModeGraduation, kvl::kRussian};

  kvl::CRunDataWriter writer;
  writer.SetFolder(folder);
  writer.SetRecording(true);
  std::vector<double> wall, cpu;
  double firstWall = 0;
  std::time_t t = std::time(nullptr);
  const double start = NowMs(CLOCK_MONOTONIC);
  for (int k = 0; k < kTicks; ++k) {
    const double due = start + double(k) * periodMs;
    while (NowMs(CLOCK_MONOTONIC) < due) {
      const timespec pause{0, 200000};
      nanosleep(&pause, nullptr);
    }
    std::tm now{};
    const std::time_t at = t + k;
    localtime_r(&at, &now);
    for (auto& r : rows) r.values[0] = kvl::Format("%.1f", (k % 50) * 0.1);
    const double w0 = NowMs(CLOCK_MONOTONIC), c0 = NowMs(CLOCK_THREAD_CPUTIME_ID);
    writer.Tick(rows, ctx, now);
    const double w = NowMs(CLOCK_MONOTONIC) - w0, c = NowMs(CLOCK_THREAD_CPUTIME_ID) - c0;
    if (k == 0) {
      firstWall = w;
    } else {
      wall.push_back(w);
      cpu.push_back(c);
    }
  }
  const double s0 = NowMs(CLOCK_MONOTONIC);
  writer.Sync();
  const double syncWait = NowMs(CLOCK_MONOTONIC) - s0;

  const Stats sw = Summarize(wall), sc = Summarize(cpu);
  std::printf("recording tick, %d detectors, %d ticks every %d ms, folder %s\n", kDetectors, kTicks, periodMs,
              folder.c_str());
  std::printf("first tick (series search, 20 new files, headers): %.3f ms\n", firstWall);
  std::printf("tick wall  ms: mean %.3f  p50 %.3f  p99 %.3f  worst %.3f\n", sw.mean, sw.p50, sw.p99, sw.worst);
  std::printf("tick cpu   ms: mean %.3f  p50 %.3f  p99 %.3f  worst %.3f\n", sc.mean, sc.p50, sc.p99, sc.worst);
  const auto over = std::count_if(wall.begin(), wall.end(), [](double w) { return w > 2.0; });
  std::printf("p99 / 2 ms goal: %.3f; ticks over 2 ms: %ld of %zu (wall far above cpu = the thread was not running)\n",
              sw.p99 / 2.0, long(over), wall.size());
  std::printf("failed writes %llu, final sync wait %.3f ms\n", static_cast<unsigned long long>(writer.FailedWrites()),
              syncWait);
  if (argc <= 3) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  return 0;
}
