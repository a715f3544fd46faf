// What repainting the graph costs: 20 detectors x 9 series, each of the
// longest history the poll results keep (1000 samples), all selected, drawn
// by the graph panel offscreen at the size of a maximised window's panel.
// Prints the paint time per frame (median, mean and worst over the frames)
// for both views against the 16.7 ms of one frame at 60 Hz, and the time of
// a whole repaint of the shown widget (paint plus copy to its window). Wall
// time suffers from whatever else the machine runs; the CPU time of the
// painting thread is the cost itself.
//   bench_graph_paint [frames] [width] [height]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <ctime>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "graph/graph_data.h"
#include "ui/main_window/graph_panel.h"

namespace {

struct Stats {
  double median, mean, worst;
};

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

Stats Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size()), ms.back()};
}

// Live-looking histories: slow drifts with noise, a temperature ramp per slot.
void FillHistories(kvl::CDetectorTable& table) {
  unsigned seed = 12345;
  auto noise = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return float((seed >> 16) & 0x7fff) / 32768.0f - 0.5f;
  };
  for (int s = 0; s < kvl::kSlotCount; ++s)
    for (std::size_t i = 0; i < kvl::CSampleHistory::kMaxSamples; ++i) {
      const float phase = float(i) / 80.0f + float(s);
      kvl::HistorySample h;
      h[kvl::kSeriesConcentration] = 2.0f * std::sin(phase) + noise();
      h[kvl::kSeriesT] = 550.0f + 500.0f * float(i) / 1000.0f + 3.0f * noise();
      h[kvl::kSeriesD] = 10000.0f + 300.0f * std::sin(phase) + 20.0f * noise();
      h[kvl::kSeriesW] = 3000.0f + 200.0f * std::cos(phase) + 10.0f * noise();
      h[kvl::kSeriesR] = 3200.0f + 150.0f * std::sin(phase * 0.7f) + 10.0f * noise();
      h[kvl::kSeriesDm] = 9800.0f + 50.0f * noise();
      h[kvl::kSeriesWo] = 2900.0f + 40.0f * noise();
      h[kvl::kSeriesRo] = 3100.0f + 40.0f * noise();
      h[kvl::kSeriesHeaterPower] = 40.0f + 30.0f * std::sin(phase * 0.3f);
      table.MutableSlot(s).history.Append(h);
    }
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int width = argc > 2 ? std::atoi(argv[2]) : 1920;
  const int height = argc > 3 ? std::atoi(argv[3]) : 1200 - 328 + 8;  // mode "Imitation": the tallest panel
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  kvl::CDetectorTable table;
  FillHistories(table);
  kvl::CGraphData data(table);
  kvl::CGraphPanel panel(data);
  panel.resize(width, height);
  for (int s = 0; s < kvl::kSlotCount; ++s)
    for (int q = 0; q < kvl::kHistorySeriesCount; ++q) panel.SelectSeries(s, q, true);

  std::printf("graph panel %d x %d, 20 detectors x 9 series x %zu samples, all selected, %d frames\n", width, height,
              table.Slot(0).history.Size(), frames);
  QImage image;
  for (int view : {kvl::kGraphViewOfN, kvl::kGraphViewOfT}) {
    panel.ChooseView(view);
    panel.Render(image);  // warm-up: buffers grown, fonts loaded
    std::vector<double> ms, cpu;
    QElapsedTimer timer;
    for (int f = 0; f < frames; ++f) {
      const double cpu0 = ThreadCpuMs();
      timer.start();
      panel.Render(image);
      ms.push_back(double(timer.nsecsElapsed()) / 1e6);
      cpu.push_back(ThreadCpuMs() - cpu0);
    }
    const Stats st = Summarise(ms), sc = Summarise(cpu);
    const char* name = view == kvl::kGraphViewOfN ? "f(N)" : "f(T)";
    std::printf("  %s paint   wall median %6.2f ms  mean %6.2f ms  worst %6.2f ms  (one frame: 16.7 ms)\n", name,
                st.median, st.mean, st.worst);
    std::printf("  %s paint   CPU  median %6.2f ms  mean %6.2f ms  worst %6.2f ms\n", name, sc.median, sc.mean,
                sc.worst);
  }

  // The whole path of a new sample: SamplesChanged(), paint, copy to the window.
  panel.ChooseView(kvl::kGraphViewOfN);
  panel.show();
  QApplication::processEvents();
  std::vector<double> ms, cpu;
  QElapsedTimer timer;
  for (int f = 0; f < frames; ++f) {
    const double cpu0 = ThreadCpuMs();
    timer.start();
    panel.SamplesChanged();
    panel.repaint();
    ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    cpu.push_back(ThreadCpuMs() - cpu0);
  }
  const Stats st = Summarise(ms), sc = Summarise(cpu);
  std::printf("  f(N) repaint wall median %6.2f ms  mean %6.2f ms  worst %6.2f ms  (shown widget, offscreen)\n",
              st.median, st.mean, st.worst);
  std::printf("  f(N) repaint CPU  median %6.2f ms  mean %6.2f ms  worst %6.2f ms\n", sc.median, sc.mean, sc.worst);
  return 0;
}
