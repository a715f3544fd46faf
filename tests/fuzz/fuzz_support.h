#pragma once
// What every fuzz harness shares: taking parameters from the front of the
// fuzzer's input, and the invariant check that turns a broken rule into a
// crash libFuzzer saves. Harness code only; never linked into the program.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// Unlike assert, on in every build type.
#define FUZZ_CHECK(cond)                                                                        \
  do {                                                                                          \
    if (!(cond)) {                                                                              \
      std::fprintf(stderr, "fuzz invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                             \
    }                                                                                           \
  } while (0)

namespace kvl::fuzz {

// Reads parameter bytes off the front of the input; the bytes left are the
// text or frame under test, still in the fuzzer's own buffer so that a read
// past its end is caught.
class CFuzzInput {
 public:
  CFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // 0 once the input is used up.
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t Word() {
    const unsigned hi = Byte();
    return static_cast<std::uint16_t>(hi << 8 | Byte());
  }
  std::size_t Left() const { return size_ - pos_; }
  const std::uint8_t* RestData() const { return data_ + pos_; }
  std::string_view RestText() const { return {reinterpret_cast<const char*>(data_ + pos_), size_ - pos_}; }
  std::vector<std::uint8_t> RestBytes() const { return {data_ + pos_, data_ + size_}; }
  // Up to n bytes, taken.
  std::vector<std::uint8_t> Take(std::size_t n) {
    n = n < Left() ? n : Left();
    std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace kvl::fuzz
