#pragma once
// The simulator's only source of chance: a small seedable generator, so a test
// that seeds the bus sees the same readings on every run.
#include <cstdint>

namespace kvl {

class CSimRandom {
 public:
  explicit CSimRandom(std::uint64_t seed = 1) : state_(seed) {}

  // SplitMix64: tiny, fast and good enough for measurement noise.
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Roughly normal with mean 0 and the given standard deviation (sum of four
  // uniforms: bounded tails, which suits a noise that must not spike).
  double Noise(double sigma) {
    const double s = Uniform() + Uniform() + Uniform() + Uniform() - 2.0;
    return s * sigma * 1.7320508075688772;
  }

 private:
  std::uint64_t state_;
};

}  // namespace kvl
