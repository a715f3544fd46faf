#pragma once
// Sharing the table's width among its shown columns: each column has the
// width that shows its values and header comfortably (natural) and the least
// it can do with (narrower header font, header on more lines). Columns get
// their natural widths, and what is left over is shared out in proportion,
// up to a limit so that a wide window does not make a sparse table look
// stretched; when the natural widths do not fit, every column gives up the
// same share of its slack, never going below its least width.
#include <vector>

namespace kvl {

struct ColumnNeed {
  int natural = 0;
  int least = 0;
};

// Widths in the order of `needs`. `available` is the width the table may
// use; the sum exceeds it only when the least widths do.
std::vector<int> ShareColumnWidths(const std::vector<ColumnNeed>& needs, int available,
                                   double maxGrowth = 0.6);

}  // namespace kvl
