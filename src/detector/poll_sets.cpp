#include "detector/poll_sets.h"

#include <initializer_list>

#include "detector/detector_kinds.h"

namespace kvl {

const std::array<PollRequest, kPollRequestCount> kPollRequests = {{
    {1, 9, 1},      // 0: status .. serial, the address search
    {1, 15, 1},     // 1: status .. Wo, every normal poll set
    {55, 10, 55},   // 2
    {67, 13, 67},   // 3
    {55, 19, 55},   // 4
    {63, 19, 63},   // 5
    {55, 10, 55},   // 6
    {86, 7, 86},    // 7
    {24, 16, 24},   // 8: KVELT settings block
    {40, 16, 40},   // 9: KVELT settings block
    {58, 6, 58},    // 10: KVELT settings block
    {16, 26, 16},   // 11
    {48, 32, 48},   // 12
    {96, 5, 96},    // 13
    {21, 2, 21},    // 14: GAS, LEL_CONC of Z5
    {96, 5, 96},    // 15: Z5 graduation settings
    {104, 8, 104},  // 16..22: Z5 graduation table
    {112, 8, 112},
    {120, 8, 120},
    {128, 8, 128},
    {136, 8, 136},
    {144, 8, 144},
    {152, 8, 152},
    {79, 1, 79},    // 23: serial number high word
}};

PollRequestLists PollRequestTable() {
  PollRequestLists lists;
  for (const PollRequest& r : kPollRequests) {
    lists.firsts.push_back(r.first);
    lists.counts.push_back(r.count);
    lists.offsets.push_back(r.offset);
  }
  return lists;
}

int PollSetFor(int type, int mode) {
  switch (type) {
    case kTypeKvelt: return mode == kModeSaveSettings ? kPollSetKveltSettings : kPollSetKvelt;
    case kTypeZ: return kPollSetZ;
    case kType2: return kPollSetType2;
    case kTypeZ40: return kPollSetZ40;
    case kTypeZ5:
      if (mode == kModeGraduationZ5) return kPollSetZ5Graduation;
      if (mode == kModeSaveSettings) return kPollSetZ5Settings;
      return kPollSetZ5;
    default: return -1;
  }
}

std::vector<int> PollSetRequests(int pollSet) {
  auto list = [](std::initializer_list<int> l) { return std::vector<int>(l); };
  switch (pollSet) {
    case kPollSetKvelt: return list({1, 2, 3});
    case kPollSetZ: return list({1, 4});
    case kPollSetType2: return list({1, 5});
    case kPollSetZ40: return list({1, 6, 7});
    case kPollSetZ5: return list({1, 11, 12, 13});
    case kPollSetZ5Graduation: return list({1, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22});
    case kPollSetZ5Settings: return list({1, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23});
    case kPollSetAddressSearch: return list({0});
    // Request 3 carries LEL_CONC (71), which a KVELT's settings file saves.
    case kPollSetKveltSettings: return list({1, 3, 8, 9, 10, 23});
    default: return {};
  }
}

bool PollSetReads(int pollSet, int address) {
  for (int i : PollSetRequests(pollSet)) {
    const PollRequest& r = kPollRequests[i];
    if (address >= r.first && address < r.first + r.count) return true;
  }
  return false;
}

}  // namespace kvl
