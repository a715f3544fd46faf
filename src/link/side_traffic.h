#pragma once
// Another device on the detector line (the gas valves' relay module): the
// detector link's worker lets it speak between two detectors' polls, on the
// worker's thread, with the line the worker holds. A step says little (a few
// short exchanges, only when it has something to do), so the poll cycle
// keeps its pace.
#include "link/serial_port.h"

namespace kvl {

class CSideTraffic {
 public:
  virtual ~CSideTraffic() = default;
  virtual void ServeBetweenPolls(CSerialPort& line) = 0;
};

}  // namespace kvl
