#include "link/modbus_frames.h"

#include <algorithm>

#include "text/format.h"

namespace kvl {
namespace {

void PutWord(Bytes& b, std::uint16_t w) {
  b.push_back(static_cast<std::uint8_t>(w >> 8));
  b.push_back(static_cast<std::uint8_t>(w & 0xFF));
}

// The eight-byte frame of a read request, a single write and its echo, and
// a block write's answer: slave, function, two words, CRC.
Bytes TwoWordFrame(std::uint8_t slave, std::uint8_t function, std::uint16_t first, std::uint16_t second) {
  Bytes b{slave, function};
  PutWord(b, first);
  PutWord(b, second);
  AppendCrc(b);
  return b;
}

}  // namespace

std::uint16_t ModbusCrc(const std::uint8_t* data, std::size_t n) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

void AppendCrc(Bytes& frame) {
  const std::uint16_t crc = ModbusCrc(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool CrcOk(const std::uint8_t* frame, std::size_t n) {
  if (n < 3) return false;
  const std::uint16_t crc = ModbusCrc(frame, n - 2);
  return frame[n - 2] == (crc & 0xFF) && frame[n - 1] == (crc >> 8);
}

Bytes BuildReadRequest(std::uint8_t slave, std::uint8_t function, std::uint16_t first, std::uint16_t count) {
  return TwoWordFrame(slave, function, first, count);
}

Bytes BuildWriteSingle(std::uint8_t slave, std::uint8_t function, std::uint16_t reg, std::uint16_t value) {
  return TwoWordFrame(slave, function, reg, value);
}

Bytes BuildWriteMultiple(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words) {
  if (words.empty() || words.size() > kMaxBlockWords) return {};
  Bytes b{slave, 16};
  b.reserve(words.size() * 2 + 9);
  PutWord(b, first);
  PutWord(b, static_cast<std::uint16_t>(words.size()));
  b.push_back(static_cast<std::uint8_t>(words.size() * 2));
  for (std::uint16_t w : words) PutWord(b, w);
  AppendCrc(b);
  return b;
}

Bytes BuildWriteMultipleAnswer(std::uint8_t slave, std::uint16_t first, std::uint16_t count) {
  return TwoWordFrame(slave, 16, first, count);
}

Bytes BuildException(std::uint8_t slave, std::uint8_t function, std::uint8_t code) {
  Bytes b{slave, static_cast<std::uint8_t>(function | 0x80), code};
  AppendCrc(b);
  return b;
}

Bytes BuildResponse(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& words) {
  if (function & 0x80) {
    Bytes b{slave, function, static_cast<std::uint8_t>(words.empty() ? 0 : words[0] & 0xFF)};
    AppendCrc(b);
    return b;
  }
  if (function == 6) {
    return BuildWriteSingle(slave, 6, words.size() > 0 ? words[0] : 0, words.size() > 1 ? words[1] : 0);
  }
  const std::size_t n = words.size() > kMaxBlockWords ? kMaxBlockWords : words.size();
  Bytes b{slave, function, static_cast<std::uint8_t>(2 * n)};
  for (std::size_t i = 0; i < n; ++i) PutWord(b, words[i]);
  AppendCrc(b);
  return b;
}

std::size_t AnswerLength(const Bytes& request) {
  if (request.size() < 6) return 0;
  switch (request[1]) {
    case 3:
    case 4: return std::size_t(ReadAnswerLength(request[4] << 8 | request[5]));
    case 5:
    case 6:
    case 15:
    case 16: return 8;
    default: return 0;
  }
}

int CheckReadAnswer(const std::uint8_t* answer, int received, std::uint8_t slave, std::uint8_t function,
                    std::uint16_t count) {
  const int expected = ReadAnswerLength(count);
  if (received == 0) return 1;
  if (received < expected) return 2;  // also a failed read (negative or the failure code)
  if (received > expected) return 2;
  if (answer[0] != slave || answer[1] != function || answer[2] != static_cast<std::uint8_t>(2 * count)) return 4;
  if (!CrcOk(answer, static_cast<std::size_t>(expected))) return 3;
  return 0;
}

void ExtractWords(const std::uint8_t* answer, std::uint16_t count, std::uint16_t* words) {
  for (std::uint16_t k = 0; k < count; ++k)
    words[k] = static_cast<std::uint16_t>((answer[3 + 2 * k] << 8) | answer[4 + 2 * k]);
}

bool IsExceptionAnswer(const std::uint8_t* answer, int received, std::uint8_t slave, std::uint8_t function) {
  return received == 5 && answer[0] == slave && answer[1] == static_cast<std::uint8_t>(function + 128) &&
         CrcOk(answer, 5);
}

std::size_t RequestRestLength(const std::uint8_t* head) {
  if (CrcOk(head, 8) || (head[1] != 15 && head[1] != 16)) return 0;
  return std::size_t(1) + head[6];
}

int ParseRequest(const std::uint8_t* frame, std::size_t n, ModbusRequest& request) {
  if (n < 8 || !CrcOk(frame, n)) return 3;
  request.slave = frame[0];
  request.function = frame[1];
  request.first = static_cast<std::uint16_t>((frame[2] << 8) | frame[3]);
  request.countOrValue = static_cast<std::uint16_t>((frame[4] << 8) | frame[5]);
  return (frame[1] == 3 || frame[1] == 4) ? 0 : 4;
}

std::string DumpBytes(const std::uint8_t* data, std::size_t n) {
  std::string s;
  s.reserve(n * 4);
  for (std::size_t i = 0; i < n; ++i) s += Format(" %X ", static_cast<unsigned>(data[i]));
  return s;
}

bool StartsWithEcho(const Bytes& request, const std::uint8_t* received, std::size_t n) {
  constexpr std::size_t kLeast = 6;
  const std::size_t m = std::min(n, request.size());
  return m >= kLeast && std::equal(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(m), received);
}

}  // namespace kvl
