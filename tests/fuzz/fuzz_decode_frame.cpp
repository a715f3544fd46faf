// The one-line decoding of any frame seen on the line; and every frame the
// link and the simulator build, decoded, is recognised for what it is.
//
// Input: the frame; its first bytes also serve as the parameters of frames
// built to check the decoding against.
#include "fuzz_support.h"
#include "link/frame_decoding.h"
#include "link/modbus_frames.h"
#include "text/cp1251.h"

namespace {

bool Recognised(const std::string& line) {
  return line.find("CRC wrong") == std::string::npos && line.find("malformed") == std::string::npos &&
         line.find("too short") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  const Bytes frame(data, data + size);
  const std::string line = DecodeFrame(frame);
  FUZZ_CHECK(!line.empty() && line.size() < 400 && IsValidUtf8(line));

  CFuzzInput in(data, size);
  const std::uint8_t slave = in.Byte(), function = in.Byte() & 1 ? 4 : 3;
  const std::uint16_t first = in.Word(), count = in.Word();
  std::vector<std::uint16_t> words;
  const std::size_t n = 1 + in.Byte() % kMaxBlockWords;
  for (std::size_t k = 0; k < n; ++k) words.push_back(in.Word());
  FUZZ_CHECK(Recognised(DecodeFrame(BuildReadRequest(slave, function, first, count))));
  FUZZ_CHECK(Recognised(DecodeFrame(BuildResponse(slave, function, words))));
  FUZZ_CHECK(Recognised(DecodeFrame(BuildWriteSingle(slave, 6, first, count))));
  FUZZ_CHECK(Recognised(DecodeFrame(BuildWriteMultiple(slave, first, words))));
  FUZZ_CHECK(Recognised(DecodeFrame(BuildWriteMultipleAnswer(slave, first, count))));
  FUZZ_CHECK(Recognised(DecodeFrame(BuildException(slave, function, std::uint8_t(count)))));
  return 0;
}
