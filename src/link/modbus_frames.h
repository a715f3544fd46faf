#pragma once
// Modbus RTU frames as pure functions over byte vectors: building requests and
// answers, the CRC, and the checks an answer must pass.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvl {

using Bytes = std::vector<std::uint8_t>;

// The most registers one write-multiple frame carries here.
inline constexpr std::size_t kMaxBlockWords = 127;

// Modbus CRC-16 (reflected 0xA001, initial 0xFFFF); sent low byte first.
std::uint16_t ModbusCrc(const std::uint8_t* data, std::size_t n);
inline std::uint16_t ModbusCrc(const Bytes& b) { return ModbusCrc(b.data(), b.size()); }
// Appends the CRC of the bytes so far.
void AppendCrc(Bytes& frame);
// True when the last two bytes are the CRC of the ones before.
bool CrcOk(const std::uint8_t* frame, std::size_t n);

Bytes BuildReadRequest(std::uint8_t slave, std::uint8_t function, std::uint16_t first, std::uint16_t count);
Bytes BuildWriteSingle(std::uint8_t slave, std::uint8_t function, std::uint16_t reg, std::uint16_t value);
// Empty when the list is empty or longer than kMaxBlockWords.
Bytes BuildWriteMultiple(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words);
// The 8-byte answer a slave gives to a write-multiple request.
Bytes BuildWriteMultipleAnswer(std::uint8_t slave, std::uint16_t first, std::uint16_t count);
Bytes BuildException(std::uint8_t slave, std::uint8_t function, std::uint8_t code);
// Slave-role answer: an exception for a function with bit 7 set, the echo for
// function 6 (words[0] register, words[1] value), else a read answer (at most
// 127 words).
Bytes BuildResponse(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& words);

// Bytes of the whole answer to a read of `count` registers.
inline int ReadAnswerLength(int count) { return 2 * count + 5; }
// Bytes of the whole answer a request calls for: a read's, or 8 for a write;
// 0 when the request is too short to say or of a function the link never sends.
std::size_t AnswerLength(const Bytes& request);

// Read-answer check, the result codes of a read transaction: 0 valid; 1
// nothing; 2 short (an exception answer lands here); 3 CRC wrong; 4 address,
// function or byte count wrong.
int CheckReadAnswer(const std::uint8_t* answer, int received, std::uint8_t slave, std::uint8_t function,
                    std::uint16_t count);
// The count words of a valid read answer, high byte first.
void ExtractWords(const std::uint8_t* answer, std::uint16_t count, std::uint16_t* words);

// True when the 5 bytes are an exception answer of this slave to this function.
bool IsExceptionAnswer(const std::uint8_t* answer, int received, std::uint8_t slave, std::uint8_t function);

// True when the bytes received begin with the request just sent: the line
// hands back what the master transmits (a two-wire adapter's echo). Six bytes
// at least must agree (address, function and the four of register and count
// or value), so that a garbled answer is not taken for an echo by chance.
bool StartsWithEcho(const Bytes& request, const std::uint8_t* received, std::size_t n);

// Bytes dumped as the reports show them: each " %X " (upper-case hex, no
// leading zero, a blank on each side).
std::string DumpBytes(const std::uint8_t* data, std::size_t n);
inline std::string DumpBytes(const Bytes& b) { return DumpBytes(b.data(), b.size()); }

// The fields of a request frame received in slave role.
struct ModbusRequest {
  std::uint8_t slave = 0;
  std::uint8_t function = 0;
  std::uint16_t first = 0;
  std::uint16_t countOrValue = 0;
};

// Slave role: how many bytes follow the first 8 of a request. A write-multiple
// request (functions 15 and 16) is longer than the 8 bytes of the others: when
// its first 8 bytes are no frame of their own, its byte count (byte 6) tells
// how much more to read, so the whole frame can be checked and refused as a
// function this slave lacks rather than taken for noise. 0 for every other
// request. `head` holds 8 bytes.
std::size_t RequestRestLength(const std::uint8_t* head);
// Slave role: a whole received request (8 bytes, or a write-multiple's frame):
// 0 read request (function 3 or 4); 4 another function; 3 CRC wrong or fewer
// than 8 bytes. The fields go to `request` unless 3.
int ParseRequest(const std::uint8_t* frame, std::size_t n, ModbusRequest& request);

}  // namespace kvl
