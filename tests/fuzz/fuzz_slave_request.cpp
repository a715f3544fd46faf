// The detector line in slave role: a request as ReceiveRequest reads it (the
// first 8 bytes, the rest of a block write, the CRC and the fields), then the
// imitated detectors' answer to it as the window serves it, and the frame
// that answer goes out as.
//
// Input: a control byte (detector type, which rows answer), then the bytes
// received; fewer bytes than the frame needs are a read that timed out.
#include <array>

#include "fuzz_support.h"
#include "imitation/imitation.h"
#include "link/modbus_frames.h"

namespace kvl::fuzz {
namespace {

struct Imitated {
  CDetectorTable table;
  CImitation imitation{7};
};

// Twenty imitated detectors of each type, built once; each input gets a copy.
const std::array<Imitated, kDetectorTypeCount>& Templates() {
  static const auto templates = [] {
    std::array<Imitated, kDetectorTypeCount> t;
    for (int type = 0; type < kDetectorTypeCount; ++type) {
      t[std::size_t(type)].table.SetType(type);
      t[std::size_t(type)].imitation.Enter(t[std::size_t(type)].table, "9600");
    }
    return t;
  }();
  return templates;
}

}  // namespace
}  // namespace kvl::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  CFuzzInput in(data, size);
  const std::uint8_t control = in.Byte();
  Bytes got = in.Take(8);
  if (got.size() < 8) return 0;  // the link's result 2 before any parsing
  const std::size_t rest = RequestRestLength(got.data());
  FUZZ_CHECK(rest <= 256);
  bool whole = true;
  if (rest > 0) {
    const Bytes more = in.Take(rest);
    got.insert(got.end(), more.begin(), more.end());
    whole = more.size() == rest;
  }
  ModbusRequest q;
  const int result = whole ? ParseRequest(got.data(), got.size(), q) : 3;
  FUZZ_CHECK(result == 0 || result == 3 || result == 4);
  if (result == 3) return 0;
  FUZZ_CHECK(CrcOk(got.data(), got.size()));
  FUZZ_CHECK((result == 0) == (q.function == 3 || q.function == 4));

  Imitated im = Templates()[std::size_t(control % kDetectorTypeCount)];
  if (control & 0x80) {
    for (int s = 0; s < kSlotCount; ++s) im.imitation.SetTicked(s, s == (control >> 3) % kSlotCount);
  } else {
    for (int s = 0; s < kSlotCount; ++s) im.imitation.SetTicked(s, true);
  }
  const ImitationOutcome out = im.imitation.Answer(im.table, q);
  for (const ImageChange& c : out.imageChanges) FUZZ_CHECK(c.reg < kImageWords);
  if (!out.response) return 0;
  const ImitationResponse& r = *out.response;
  FUZZ_CHECK(r.slave == q.slave && out.slot >= 0 && out.slot < kSlotCount);
  const Bytes answer = BuildResponse(r.slave, r.function, r.words);
  FUZZ_CHECK(CrcOk(answer.data(), answer.size()));
  if (r.function & 0x80) {
    FUZZ_CHECK(answer.size() == 5 && r.function == (q.function | 0x80));
  } else if (r.function == 6) {
    FUZZ_CHECK(answer == got);  // a single write is answered by its echo
  } else {
    FUZZ_CHECK(result == 0 && r.function == q.function);
    FUZZ_CHECK(r.words.size() == q.countOrValue && answer.size() == 5 + 2 * r.words.size());
  }
  return 0;
}
