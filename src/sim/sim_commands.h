#pragma once
// The simulator's text command channel: one line in, one reply out. kvlsim
// reads these from its standard input; tests and demos drive a bus with them.
//
//   temp [C]                     chamber temperature (degC); no value: show it
//   gas ADDR|all X [vol|lel]     gas fed to a detector: X in vol.% (default)
//                                or in %LEL of the detector's own LEL_CONC
//   stage S [TLOW THIGH]         chamber at graduation stage S's temperature
//   gasstep ADDR|all zero|middle|high   the graduation step's gas (GRAD_CONC1/2)
//   fault ADDR|all silent|slow MS|crc|short|wrongaddr|exception CODE|none
//   status ADDR|all ok|fail      detector fault (status bit 0x01, fault current)
//   add TYPE ADDR [COUNT]        new detectors (TYPE: KVELT, Z, Z40, Z5 or 0..4)
//   remove ADDR
//   read ADDR REG [COUNT]        registers by protocol address (0-based)
//   speed X                      model seconds per real second (0 freezes)
//   advance SECONDS              let model time pass at once
//   list, help
#include <string>

#include "sim/sim_bus.h"

namespace kvl {

// Parses and applies one command line. The reply has no trailing newline; an
// empty or comment ("#...") line gives an empty reply; errors start "error: ".
std::string ApplySimCommand(CSimBus& bus, const std::string& line);

std::string SimCommandHelp();

}  // namespace kvl
