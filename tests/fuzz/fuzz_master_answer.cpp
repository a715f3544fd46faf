// The bus master's view of an answer to each request it sends: the checks of
// a read answer, of a single write's echo and of a block write's answer, and
// for a valid read answer its words on their way into a detector row, as a
// poll hands them over (poll image at the request's offset, the table's row
// refreshed and decoded).
//
// Input: kind (0 read, 1 write single, 2 write multiple, by the byte mod 3),
// slave, a control byte (function, type, mode, view, language), first
// register (2 bytes), count; the rest is the answer as received.
#include <algorithm>
#include <array>

#include "detector/detector_table.h"
#include "detector/poll_sets.h"
#include "fuzz_support.h"
#include "link/frame_decoding.h"
#include "link/modbus_frames.h"
#include "link/modbus_slave.h"
#include "text/cp1251.h"

namespace kvl::fuzz {
namespace {

void CheckDecoded(const std::uint8_t* frame, std::size_t n) {
  const std::string line = DecodeFrame(Bytes(frame, frame + n));
  FUZZ_CHECK(!line.empty() && line.size() < 400 && IsValidUtf8(line));
  FUZZ_CHECK(DumpBytes(frame, n).size() <= 4 * n);
}

// A valid read answer's words reach a row of the detector table.
void ThroughTheTable(const std::vector<std::uint16_t>& words, std::uint16_t first, std::uint8_t control) {
  std::uint16_t image[CModbusSlave::kPollImageWords] = {};
  const int offset = first & 0xFF;
  for (std::size_t k = 0; k < words.size() && offset + int(k) < CModbusSlave::kPollImageWords; ++k)
    image[offset + int(k)] = words[k];
  CDetectorTable table;
  table.SetType((control >> 1) % kDetectorTypeCount);
  table.SetMode((control >> 4) % kOperatingModeCount);
  table.SetRawView(control & 0x80);
  table.SetLanguage(control & 0x40 ? kEnglish : kRussian);
  table.SetAddressList({1});
  const PollOutcome out = table.CompletedPoll(0, kPollSetZ, image);
  if (!out.row) return;
  for (const CellView& c : out.row->cells) FUZZ_CHECK(IsValidUtf8(c.text) && c.text.size() < 200);
}

}  // namespace
}  // namespace kvl::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  CFuzzInput in(data, size);
  const int kind = in.Byte() % 3;
  const std::uint8_t slave = in.Byte();
  const std::uint8_t control = in.Byte();
  const std::uint16_t first = in.Word();
  // The link never asks for more words than one frame carries.
  const std::uint16_t count = in.Byte() % (kMaxBlockWords + 1);
  const std::uint8_t* answer = in.RestData();
  const std::size_t n = in.Left();
  const Bytes got = in.RestBytes();
  CheckDecoded(answer, n);

  if (kind == 0) {
    const std::uint8_t function = control & 1 ? 4 : 3;
    const int result = CheckReadAnswer(answer, int(n), slave, function, count);
    FUZZ_CHECK(result >= 0 && result <= 4);
    FUZZ_CHECK((result == 1) == (n == 0));
    if (result == 0) {
      FUZZ_CHECK(n == std::size_t(2 * count + 5));
      std::vector<std::uint16_t> words(count);
      ExtractWords(answer, count, words.data());
      // Nothing of a valid answer goes unread: built again from its words it is the same frame.
      FUZZ_CHECK(BuildResponse(slave, function, words) == got);
      ThroughTheTable(words, first, control);
    }
  } else {
    // A write's answer: the echo (function 6) or the 8-byte acknowledgement
    // (function 16) exactly, else an exception, else a failure.
    const std::uint8_t function = kind == 1 ? 6 : 16;
    const Bytes expected = kind == 1 ? BuildWriteSingle(slave, 6, first, count)
                                     : BuildWriteMultipleAnswer(slave, first, count);
    const bool accepted = n == 8 && got == expected;
    if (accepted) {
      // The slave role reads the same frame as what was asked.
      ModbusRequest q;
      FUZZ_CHECK(ParseRequest(answer, n, q) == 4);
      FUZZ_CHECK(q.slave == slave && q.function == function && q.first == first && q.countOrValue == count);
    }
    if (IsExceptionAnswer(answer, int(n), slave, function)) {
      FUZZ_CHECK(!accepted);
      FUZZ_CHECK(BuildException(slave, function, answer[2]) == got);
    }
  }
  return 0;
}
