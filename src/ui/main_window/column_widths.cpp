#include "ui/main_window/column_widths.h"

#include <algorithm>

namespace kvl {

std::vector<int> ShareColumnWidths(const std::vector<ColumnNeed>& needs, int available, double maxGrowth) {
  std::vector<int> widths(needs.size());
  long natural = 0;
  long least = 0;
  for (const ColumnNeed& n : needs) {
    natural += std::max(n.natural, n.least);
    least += n.least;
  }
  if (natural <= available) {
    // Grow every column by the same factor, capped.
    const double factor = natural > 0 ? std::min(1.0 + maxGrowth, double(available) / double(natural)) : 1.0;
    long used = 0;
    for (std::size_t i = 0; i < needs.size(); ++i) {
      widths[i] = int(std::max(needs[i].natural, needs[i].least) * factor);
      used += widths[i];
    }
    // Rounding leaves a few pixels; the first columns take them when growth was not capped.
    if (factor < 1.0 + maxGrowth)
      for (std::size_t i = 0; used < available && !widths.empty(); i = (i + 1) % widths.size(), ++used) ++widths[i];
    return widths;
  }
  const double t = natural > least ? std::max(0.0, double(available - least) / double(natural - least)) : 0.0;
  for (std::size_t i = 0; i < needs.size(); ++i) {
    const int top = std::max(needs[i].natural, needs[i].least);
    widths[i] = needs[i].least + int((top - needs[i].least) * std::min(1.0, t));
  }
  return widths;
}

}  // namespace kvl
