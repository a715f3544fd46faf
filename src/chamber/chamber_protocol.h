#pragma once
// One exchange at a time with a climate chamber on a line the caller holds
// open, as the chamber's profile says: text commands with a reply line, or
// Modbus RTU registers. Used by the chamber link's thread and by kvlctl.
//
// What it owns: composing commands and frames, reading and checking the
// replies, turning register words into degrees and back. A reply that is
// not a number is refused, never read as 0.
// What it never does: open or close the line, retry, or wait between polls.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chamber/chamber_control.h"
#include "chamber/profiles.h"
#include "link/modbus_frames.h"
#include "link/serial_port.h"
#include "text/language.h"

namespace kvl {

// "SP {T}" at 40 with one decimal: "SP 40.0" (C locale whatever the process's).
std::string FormatSetCommand(const AsciiChamberCommands& ascii, double celsius);
// The measured temperature and the set point (NaN when the reply carries none) of a reply line; false
// when a field is missing or is not a whole number token.
bool ParseReadReply(const AsciiChamberCommands& ascii, std::string_view reply, double* measured, double* setPoint);
// Degrees as a register word; nothing when the word cannot hold it.
std::optional<std::uint16_t> TemperatureWord(const ModbusChamberRegisters& m, double celsius);
double WordTemperature(const ModbusChamberRegisters& m, std::uint16_t word);

class CChamberTalk {
 public:
  CChamberTalk(const ChamberProfile& profile, LineEnding ending, LanguageIndex lang)
      : profile_(profile), ending_(ending), lang_(lang) {}

  // A reading with answered set, or answered false and the reason.
  ChamberReading Read(CSerialPort& line);
  // True when the chamber took the set point; false with the reason. Never
  // sends a temperature outside the profile's range.
  bool SetPoint(CSerialPort& line, double celsius, std::string* why);
  // The start or stop command, register or coil; true at once when the
  // profile has none.
  bool Run(CSerialPort& line, bool on, std::string* why);
  bool HasRunCommand(bool on) const;

  const ChamberProfile& Profile() const { return profile_; }

 private:
  // Sends a command line and, when a reply is awaited, reads one line back.
  bool AsciiExchange(CSerialPort& line, const std::string& command, bool awaitReply, std::string* reply,
                     std::string* why);
  bool ModbusRead(CSerialPort& line, std::uint8_t function, int reg, std::uint16_t* word, std::string* why);
  bool ModbusWrite(CSerialPort& line, std::uint8_t function, int reg, std::uint16_t value, std::string* why);

  ChamberProfile profile_;
  LineEnding ending_;
  LanguageIndex lang_;
};

// The one Modbus exchange both the chamber and the valve module use: sends the
// request (RTS raised around it) and reads an answer of `answerLength` bytes
// within `timeoutMs`. The bytes received (an exception answer is shorter);
// empty when nothing came. Purges the line first. With `echo`, the line hands
// back the request first (a two-wire adapter): it is taken off, and a line
// that does not hand it back gives nothing.
Bytes ModbusExchange(CSerialPort& line, const Bytes& request, std::size_t answerLength, int timeoutMs,
                     bool echo = false);
// Why an answer is not the one awaited: no answer, the device's exception, or
// the bytes that came (`what` names a reply that is no number, or a refusal).
std::string ModbusFailure(const Bytes& answer, std::uint8_t slave, std::uint8_t function, const TextEntry& what,
                          LanguageIndex lang);

}  // namespace kvl
