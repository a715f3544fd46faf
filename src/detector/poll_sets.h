#pragma once
// The 24 fixed read requests of the detector line and the poll sets that
// enable some of them. A request reads `count` consecutive registers from
// `first` and stores them at the same addresses of the slot's image.
#include <array>
#include <cstdint>
#include <vector>

namespace kvl {

struct PollRequest {
  std::uint16_t first;  // first protocol address
  std::uint8_t count;   // registers read
  std::uint8_t offset;  // image index of the first word (equal to `first`)
};

inline constexpr int kPollRequestCount = 24;
extern const std::array<PollRequest, kPollRequestCount> kPollRequests;

// The request table as the detector line's SetPollRequests takes it: three
// parallel lists, element i describing request i.
struct PollRequestLists {
  std::vector<std::uint16_t> firsts;
  std::vector<std::uint8_t> counts;
  std::vector<std::uint8_t> offsets;
};
PollRequestLists PollRequestTable();

// Poll set numbers. 7 does not exist.
inline constexpr int kPollSetKvelt = 0;
inline constexpr int kPollSetZ = 1;
inline constexpr int kPollSetType2 = 2;
inline constexpr int kPollSetZ40 = 3;
inline constexpr int kPollSetZ5 = 4;
inline constexpr int kPollSetZ5Graduation = 5;
inline constexpr int kPollSetZ5Settings = 6;
inline constexpr int kPollSetAddressSearch = 8;
inline constexpr int kPollSetKveltSettings = 9;

// Poll set for a detector type and operating mode; -1 for a type outside 0..4.
// Derived again whenever the type or the mode changes and when an address
// search ends.
int PollSetFor(int type, int mode);

// Request indices a poll set enables, ascending, as SelectPollSet takes them;
// empty for a number that names no poll set.
std::vector<int> PollSetRequests(int pollSet);

// Whether a poll set reads protocol address `address` (to know which image
// words are fresh and which kept their last value).
bool PollSetReads(int pollSet, int address);

}  // namespace kvl
