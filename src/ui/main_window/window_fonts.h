#pragma once
// The window's fonts by character width, made once: the table sets a cell's
// font on every change of its text width, and building a QFont each time
// would be wasted work on the poll path.
#include <QFont>

namespace kvl {

// The fixed font of character width 4..9 (clamped).
const QFont& WindowFont(int charWidth);

}  // namespace kvl
