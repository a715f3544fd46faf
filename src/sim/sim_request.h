#pragma once
// Cuts the byte stream a simulated bus hears into request frames. Frames are
// found by their length (8 bytes for functions 1 to 6 and 8, 9 + byte count
// for 15 and 16, 4 for the short diagnostic functions); a frame of any other
// function ends at the next silence. A frame whose CRC is wrong, or bytes that
// make no frame, are dropped up to the next silence: on RS-485 that is the
// only point at which a slave can be sure a new frame begins.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/modbus_frames.h"

namespace kvl {

class CRequestAssembler {
 public:
  // Adds received bytes; returns the whole requests (CRC checked) they complete.
  std::vector<Bytes> Feed(const std::uint8_t* data, std::size_t n);
  // The line has been quiet for a frame gap: returns a pending frame of a
  // function whose length is unknown if its CRC holds; drops everything else.
  std::vector<Bytes> Silence();
  // Bytes are waiting for more (the reader then listens for the gap).
  bool Pending() const { return !buffer_.empty() || discarding_; }
  // Bytes dropped since construction (bad CRC, torn frames, noise).
  std::size_t DroppedBytes() const { return dropped_; }

  // Length of the frame that starts with these bytes: 0 while more bytes are
  // needed to tell, -1 when the function's frames end only at silence.
  static int ExpectedLength(const Bytes& head);

 private:
  Bytes buffer_;
  bool discarding_ = false;
  std::size_t dropped_ = 0;
};

}  // namespace kvl
