// graduate_time: a simulated graduation's time against the least time the
// simulator's model allows. Reads the stamped log of one `kvlctl graduate`
// run on kvlsim (bench/graduate_time.sh makes it), works out the ideal run
// with the same speed, profile and stabilization wait, and prints per stage
// the temperature step and the gas steps, measured against ideal, with
// their ratios and where the time above the ideal went.
//
// What it owns: the options, the table and the account of the excess.
// What it never does: run the programs, or assert anything about a wall-clock time.
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "graduate_time_model.h"
#include "sim/sim_chamber.h"
#include "text/format.h"

namespace {

using kvl::bench::kStageSteps;
using kvl::bench::StepSeconds;

const char kUsage[] =
    "usage: graduate_time [--speed X] [--stabilization S] [--count N] [--chamber FILE]\n"
    "                     [--conc C1 C2] [--temp C] [--seed S] LOG\n"
    "LOG: kvlctl graduate's standard output, each line optionally led by its arrival time\n"
    "(epoch seconds), as bench/graduate_time.sh writes it.\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "graduate_time: %s\n%s", why.c_str(), kUsage);
  return 2;
}

bool Number(const char* text, double* v) {
  char* end = nullptr;
  *v = std::strtod(text, &end);
  return end && end != text && *end == 0 && std::isfinite(*v);
}

struct Options {
  kvl::bench::IdealSetup ideal;
  std::string chamberFile = "profiles/demo-ascii.chamber";
  std::string log;
};

// 0, or the exit status after saying what is wrong.
int ReadOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&](double* v) { return i + 1 < argc && Number(argv[++i], v); };
    double v = 0, w = 0;
    if (a == "--speed" && next(&v) && v > 0) o->ideal.speed = v;
    else if (a == "--stabilization" && next(&v) && v >= 0) o->ideal.stabilizationS = v;
    else if (a == "--count" && next(&v) && v >= 1 && v <= 20) o->ideal.count = int(v);
    else if (a == "--temp" && next(&v)) o->ideal.startC = v;
    else if (a == "--seed" && next(&v) && v >= 0) o->ideal.seed = std::uint64_t(v);
    else if (a == "--conc" && next(&v) && next(&w) && v > 0 && w > v) o->ideal.conc1 = v, o->ideal.conc2 = w;
    else if (a == "--chamber" && i + 1 < argc) o->chamberFile = argv[++i];
    else if (a.rfind("--", 0) == 0) return Usage("bad option or value: " + a);
    else if (o->log.empty()) o->log = a;
    else return Usage("one log only");
  }
  if (o->log.empty()) return Usage("no log given");
  std::string why;
  if (!kvl::LoadChamberProfile(o->chamberFile, kvl::kEnglish, &o->ideal.chamber, &why)) return Usage(why);
  return 0;
}

double Sum(const std::array<double, kStageSteps>& s, int from, int to) {
  double t = 0;
  for (int k = from; k <= to; ++k) {
    if (s[std::size_t(k)] < 0) return -1;
    t += s[std::size_t(k)];
  }
  return t;
}

std::string Cell(double run, double ideal) {
  if (run < 0 || ideal <= 0) return kvl::Format("%7s %7s %6s", run < 0 ? "-" : kvl::Format("%.1f", run).c_str(),
                                                ideal < 0 ? "-" : kvl::Format("%.1f", ideal).c_str(), "-");
  return kvl::Format("%7.1f %7.1f %6.2f", run, ideal, run / ideal);
}

void PrintAssumptions(const Options& o) {
  const auto& a = o.ideal.chamber.autopilot;
  std::printf(
      "ideal: the simulator's chamber and %d detector(s) stepped at model time (speed %g, tick %.2f s),\n"
      "  each step ending at the first tick the run's own autopilot rules confirm it:\n"
      "  the chamber takes its set point at once and moves at its full rate (%.1f degC/min model),\n"
      "  settling with its own approach; its air is read without noise or delay;\n"
      "  every housing within %.2f degC over %.0f s, the stabilization wait %.0f s past;\n"
      "  a gas step: the valve open at once, the gas flowed %.0f s, R and W within %.0f counts over %.0f s;\n"
      "  polls take no time (windows not stretched), captures written at once.\n",
      o.ideal.count, o.ideal.speed, o.ideal.tickS, kvl::CSimChamber::kMaxRateCPerMin, a.steadyTemperatureLimitC,
      a.steadyTemperatureWindowS, o.ideal.stabilizationS, a.minGasFlowS, a.steadySignalLimit, a.steadySignalWindowS);
}

void PrintTable(int type, const StepSeconds& run, const StepSeconds& ideal) {
  std::printf("\n%-6s %8s | %-22s | %-22s | %-22s\n", "stage", "degC", "temperature step", "gas steps 1-4", "stage");
  std::printf("%-6s %8s | %7s %7s %6s | %7s %7s %6s | %7s %7s %6s\n", "", "", "run s", "ideal s", "ratio", "run s",
              "ideal s", "ratio", "run s", "ideal s", "ratio");
  double tr = 0, ti = 0, gr = 0, gi = 0;
  bool whole = true;
  for (int s = 0; s < kvl::kGraduationStages; ++s) {
    const auto& r = run[std::size_t(s)];
    const auto& i = ideal[std::size_t(s)];
    const double rt = Sum(r, 0, 0), it = Sum(i, 0, 0), rg = Sum(r, 1, 4), ig = Sum(i, 1, 4);
    const double rs = rt < 0 || rg < 0 ? -1 : rt + rg, is = it < 0 || ig < 0 ? -1 : it + ig;
    std::printf("%-6d %8d | %s | %s | %s\n", s + 1, kvl::StageTemperature(type, s + 1, -50, 85),
                Cell(rt, it).c_str(), Cell(rg, ig).c_str(), Cell(rs, is).c_str());
    whole = whole && rs >= 0 && is >= 0;
    tr += rt, ti += it, gr += rg, gi += ig;
  }
  if (!whole) {
    std::printf("whole run: incomplete (a step's time is missing)\n");
    return;
  }
  std::printf("%-15s | %s | %s | %s\n", "whole run", Cell(tr, ti).c_str(), Cell(gr, gi).c_str(),
              Cell(tr + gr, ti + gi).c_str());
  const double excess = tr + gr - ti - gi;
  if (excess > 0)
    std::printf("\ntime above the ideal: %.1f s; in temperature steps %.1f s (%.0f %%), in gas steps %.1f s (%.0f %%)\n",
                excess, tr - ti, 100 * (tr - ti) / excess, gr - gi, 100 * (gr - gi) / excess);
}

// What each ideal temperature step waited for last: the one that ends it.
void PrintHeldBy(const kvl::bench::IdealRun& ideal) {
  std::printf("ideal temperature step held until (s): chamber in tolerance / housings steady / wait over\n ");
  for (int s = 0; s < kvl::kGraduationStages; ++s) {
    const kvl::bench::HeldBy& h = ideal.temperatureStep[std::size_t(s)];
    std::printf(" %d: %.1f/%.1f/%.1f", s + 1, h.chamber, h.housings, h.wait);
  }
  std::printf("\n");
}

// The ideal again at the windows the run last judged by: how much of the
// excess the windows' stretch to the poll cycle explains, and what is left for
// the line (polls, the chamber's poll interval, valve and capture writes).
void PrintStretched(const Options& o, const kvl::bench::MeasuredRun& run) {
  kvl::bench::IdealSetup setup = o.ideal;
  setup.temperatureWindowS = run.temperatureWindowS;
  setup.signalWindowS = run.signalWindowS;
  const kvl::bench::IdealRun ideal = kvl::bench::ComputeIdealRun(setup);
  const kvl::bench::IdealRun base = kvl::bench::ComputeIdealRun(o.ideal);
  if (!ideal.complete || !base.complete) return;
  double t[3] = {0, 0, 0}, g[3] = {0, 0, 0};  // run, ideal at the run's windows, ideal
  for (int s = 0; s < kvl::kGraduationStages; ++s) {
    const StepSeconds* all[3] = {&run.steps, &ideal.steps, &base.steps};
    for (int k = 0; k < 3; ++k) {
      t[k] += Sum((*all[k])[std::size_t(s)], 0, 0);
      g[k] += Sum((*all[k])[std::size_t(s)], 1, 4);
    }
  }
  std::printf(
      "ideal at the run's last windows (%.0f s temperature, %.0f s signal): temperature steps %.1f s, gas steps "
      "%.1f s, whole %.1f s;\n  the windows' stretch explains %.1f s of the excess (temperature %.1f, gas %.1f); "
      "left for the line and the run's own waits %.1f s (temperature %.1f, gas %.1f); run / this ideal %.2f\n",
      run.temperatureWindowS, run.signalWindowS, t[1], g[1], t[1] + g[1], t[1] + g[1] - t[2] - g[2], t[1] - t[2],
      g[1] - g[2], t[0] + g[0] - t[1] - g[1], t[0] - t[1], g[0] - g[1], (t[0] + g[0]) / (t[1] + g[1]));
}

// A gas step's times one by one: which of them carries the excess.
void PrintGasSteps(const StepSeconds& run, const StepSeconds& ideal) {
  static const char* const kNames[] = {"", "zero", "high", "middle", "zero again"};
  std::printf("gas steps, mean over the stages (run s / ideal s):");
  for (int k = 1; k < kStageSteps; ++k) {
    double r = 0, i = 0;
    int n = 0;
    for (int s = 0; s < kvl::kGraduationStages; ++s)
      if (run[std::size_t(s)][std::size_t(k)] >= 0 && ideal[std::size_t(s)][std::size_t(k)] >= 0)
        r += run[std::size_t(s)][std::size_t(k)], i += ideal[std::size_t(s)][std::size_t(k)], ++n;
    if (n > 0) std::printf("  %s %.2f/%.2f", kNames[k], r / n, i / n);
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const int rc = ReadOptions(argc, argv, &o)) return rc;
  std::ifstream in(o.log);
  if (!in) return Usage("cannot read " + o.log);
  const kvl::bench::MeasuredRun run = kvl::bench::ParseGraduateLog(in);
  const kvl::bench::IdealRun ideal = kvl::bench::ComputeIdealRun(o.ideal);
  PrintAssumptions(o);
  for (const std::string& n : run.notes) std::printf("run: %s\n", n.c_str());
  if (!run.complete) std::printf("run: did not reach its end; the table shows the steps it finished\n");
  if (!ideal.complete) std::printf("ideal: %s\n", ideal.why.c_str());
  PrintTable(o.ideal.type, run.steps, ideal.steps);
  PrintGasSteps(run.steps, ideal.steps);
  PrintHeldBy(ideal);
  if (run.temperatureWindowS > 0) PrintStretched(o, run);
  return run.complete && ideal.complete ? 0 : 1;
}
