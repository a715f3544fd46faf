#pragma once
// One exchange at a time with the gas valves' relay module on a line the
// caller holds (line 3, or the detector line between polls): switch its
// outputs so that at most one gas flows, and read which one does.
//
// What it owns: the outputs' frames and the order of switching (the others
// closed first, then the one opened). What it never does: open the line,
// retry, or decide which gas a step needs.
#include <string>

#include "chamber/chamber_control.h"
#include "chamber/profiles.h"
#include "link/serial_port.h"
#include "text/language.h"

namespace kvl {

// "closed", "zero", "middle", "high" (kvlctl's words and the journal's).
const char* GasValveName(GasValve valve);
// False for any other word.
bool GasValveFromName(const std::string& name, GasValve* out);

class CValveTalk {
 public:
  CValveTalk(const ValveProfile& profile, LanguageIndex lang) : profile_(profile), lang_(lang) {}

  // Closes the other outputs, then opens this one (kClosed closes all). True
  // when the module confirmed every switch; false with the reason.
  bool Open(CSerialPort& line, GasValve valve, std::string* why);
  // Which output is on; false with the reason when the module did not
  // answer or more than one is on.
  bool Get(CSerialPort& line, GasValve* open, std::string* why);

  const ValveProfile& Profile() const { return profile_; }
  // The line hands back every request first (a two-wire adapter on the detector line).
  void SetEcho(bool on) { echo_ = on; }

 private:
  bool Switch(CSerialPort& line, int output, bool on, std::string* why);
  bool ReadOutput(CSerialPort& line, int output, bool* on, std::string* why);
  int OutputOf(GasValve valve) const;

  ValveProfile profile_;
  LanguageIndex lang_;
  bool echo_ = false;
};

}  // namespace kvl
