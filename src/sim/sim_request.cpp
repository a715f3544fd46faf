#include "sim/sim_request.h"

namespace kvl {

int CRequestAssembler::ExpectedLength(const Bytes& head) {
  if (head.size() < 2) return 0;
  switch (head[1]) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8:
      return 8;
    case 7: case 11: case 12: case 17:
      return 4;
    case 15: case 16:
      return head.size() < 7 ? 0 : 9 + head[6];
    default:
      return -1;
  }
}

std::vector<Bytes> CRequestAssembler::Feed(const std::uint8_t* data, std::size_t n) {
  std::vector<Bytes> frames;
  if (discarding_) {
    dropped_ += n;
    return frames;
  }
  buffer_.insert(buffer_.end(), data, data + n);
  for (;;) {
    const int len = ExpectedLength(buffer_);
    if (len <= 0 || buffer_.size() < std::size_t(len)) break;
    if (!CrcOk(buffer_.data(), std::size_t(len))) {
      // Not a frame after all: whatever follows cannot be trusted either.
      dropped_ += buffer_.size();
      buffer_.clear();
      discarding_ = true;
      break;
    }
    frames.emplace_back(buffer_.begin(), buffer_.begin() + len);
    buffer_.erase(buffer_.begin(), buffer_.begin() + len);
  }
  return frames;
}

std::vector<Bytes> CRequestAssembler::Silence() {
  std::vector<Bytes> frames;
  if (!discarding_ && ExpectedLength(buffer_) < 0 && buffer_.size() >= 4 && CrcOk(buffer_.data(), buffer_.size()))
    frames.push_back(buffer_);
  else
    dropped_ += buffer_.size();
  buffer_.clear();
  discarding_ = false;
  return frames;
}

}  // namespace kvl
