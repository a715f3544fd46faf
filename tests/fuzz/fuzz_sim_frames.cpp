// The simulator's frame cutter: the bytes a simulated bus hears, in chunks
// with the line's silences between some of them, cut into requests; then the
// simulated detectors' answers to them. No byte is lost or made up: each one
// fed ends up in a request or among the dropped.
//
// Input: a control byte (the detectors' type), then chunks: a byte whose low
// six bits give the chunk's length and whose top bit a silence after it,
// and the chunk.
#include "fuzz_support.h"
#include "link/frame_decoding.h"
#include "sim/sim_bus.h"
#include "sim/sim_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  CFuzzInput in(data, size);
  const int type = in.Byte() % kDetectorTypeCount;
  CRequestAssembler cutter;
  std::vector<Bytes> frames;
  std::size_t fed = 0;
  auto take = [&frames](std::vector<Bytes> got) {
    for (Bytes& f : got) frames.push_back(std::move(f));
  };
  while (in.Left() > 0) {
    const std::uint8_t head = in.Byte();
    const Bytes chunk = in.Take(head & 0x3F);
    fed += chunk.size();
    take(cutter.Feed(chunk.data(), chunk.size()));
    if (head & 0x80) take(cutter.Silence());
  }
  take(cutter.Silence());
  FUZZ_CHECK(!cutter.Pending());
  std::size_t out = cutter.DroppedBytes();
  for (const Bytes& f : frames) {
    out += f.size();
    FUZZ_CHECK(f.size() >= 4 && CrcOk(f.data(), f.size()));
    const int expected = CRequestAssembler::ExpectedLength(f);
    FUZZ_CHECK(expected == -1 || expected == int(f.size()));
  }
  FUZZ_CHECK(out == fed);

  CSimBus bus;
  bus.SetTimeScale(0);
  bus.AddDetectors(type, 2, 1);
  for (const Bytes& f : frames) {
    const SimAnswer a = bus.HandleRequest(f);
    if (a.bytes.empty()) continue;
    FUZZ_CHECK(f[0] != 0 && a.bytes[0] == f[0] && CrcOk(a.bytes.data(), a.bytes.size()));
    FUZZ_CHECK(a.bytes[1] == f[1] || a.bytes[1] == (f[1] | 0x80));
    FUZZ_CHECK(!DecodeFrame(a.bytes).empty());
    if (a.bytes[1] == 3 || a.bytes[1] == 4) {
      const unsigned count = unsigned(f[4] << 8 | f[5]);
      FUZZ_CHECK(a.bytes.size() == 5 + 2 * count);
    }
  }
  return 0;
}
