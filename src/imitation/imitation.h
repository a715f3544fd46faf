#pragma once
// The workstation playing detectors ("Imitation"): the twenty imitated
// register images built on entering the mode, the concentration the operator
// sets on a row, and the answer to one Modbus request received by the
// detector line in slave role, from the images of the ticked rows. Owns the
// rows' imitation ticks and the pseudo-random source; the images themselves
// stay in the detector table. Never touches the link or the window: the
// caller carries out what the calls return.
//
// The window's side (CKvlDlg), in order:
//   mode choice:  mode = ModeForType(type, chosen)   (Z5 never imitates)
//   entering:     auto sw = imitation.Enter(table, baudText);
//                 link.SetMasterRole(sw.masterRole); link.SetDeviceList(sw.addressList, -1, false);
//                 redraw sw.rows; show the imitation boxes (ticks as Ticked(s));
//                 the address list changed: rebuild the configuration text
//   leaving:      auto sw = imitation.Leave(table, newMode);   then the same steps, and
//                 select the new mode's poll set as for any mode change
//                 (a type change to Z5 while imitating leaves the mode the same way)
//   tick box s:   imitation.SetTicked(s, checked)    (nothing else: reads are not redrawn)
//   "LEL%" right-click on row s (mode "Imitation" only):
//                 ask txt::kEnterNewConcentration; on OK
//                 if (auto row = imitation.SetConcentration(table, s, answer)) redraw *row
//   WM_USER_REQUEST (first parameter 0 or 4: line 0):
//                 ServeImitationRequest(link, imitation, table)  (imitation_runner.h):
//                 LastRequest -> Answer -> SendResponse (when there is one) -> Resume;
//                 redraw the outcome's rows.
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "commands/command_types.h"
#include "detector/detector_table.h"
#include "link/modbus_frames.h"

namespace kvl {

// Type Z5 has no imitation and no running-in: choosing "Imitation" selects
// "Save settings" and "Running-in" selects "Graduation-Z5". Every other pair
// keeps the chosen mode.
int ModeForType(int type, int chosenMode);

// Modbus exception codes of the imitated detectors.
inline constexpr std::uint8_t kImitationIllegalFunction = 1;
inline constexpr std::uint8_t kImitationIllegalAddress = 2;
inline constexpr std::uint8_t kImitationIllegalValue = 3;
// The most registers one read answer frame carries.
inline constexpr int kImitationMaxReadCount = 125;

// Bounds lo..hi of a measured quantity of an imitated detector (T in whole
// degrees C for every type; the building step scales it to tenths where the
// type keeps T so).
struct QuantityBounds {
  int lo = 0;
  int hi = 0;
};
struct ImitationBounds {
  QuantityBounds t, d, w, r, dm, wo, ro;
};
const ImitationBounds& ImitationBoundsFor(int type);

// The pseudo-random source of the imitation: rand()-like, 0..0x7FFFFFFF.
class CImitationRandom {
 public:
  explicit CImitationRandom(std::uint32_t seed) : engine_(seed) {}
  unsigned Next() { return static_cast<unsigned>(engine_() >> 1); }

 private:
  std::mt19937 engine_;
};

// One imitated detector's fresh image for slot `slot` of a type: register 0
// names `address` and the baud code of `baudText` (the detector line's baud
// item; anything unknown is 9600).
RegisterImage BuildImitatedImage(int type, int slot, std::uint8_t address, std::string_view baudText,
                                 CImitationRandom& random);

// What a single-register write (function 6) of `value` to register `reg` does
// to an imitated detector's image, as a real detector reacts to the commands:
// zero setting, calibrations, factory limits, limits and gas code (ignored
// above 255), serial number, otherwise the register itself. Empty when the
// write changes nothing. `reg` must lie inside the image.
std::vector<ImageChange> ImitatedWrite(const RegisterImage& image, std::uint16_t reg, std::uint16_t value);

// The measuring registers an imitated read refreshes (gas code, Dm, R, W, D, T).
std::vector<ImageChange> RefreshedMeasurements(CImitationRandom& random);

// What SendResponse is called with: an exception carries its function with
// 0x80 added and one word, the code.
struct ImitationResponse {
  std::uint8_t slave = 0;
  std::uint8_t function = 0;
  std::vector<std::uint16_t> words;
  bool operator==(const ImitationResponse&) const = default;
};

// The outcome of one request.
struct ImitationOutcome {
  std::optional<ImitationResponse> response;  // nothing: no ticked row has the address, stay silent
  int slot = -1;                              // the row that answered
  std::vector<ImageChange> imageChanges;      // already made in the slot's image, in order
  std::vector<RowView> rows;                  // rows to redraw (a write refreshes its row)
};

// Entering or leaving the mode: what the link and the rows need.
struct ImitationSwitch {
  std::vector<std::uint8_t> addressList;  // SetDeviceList(addressList, -1, false)
  bool masterRole = true;                 // SetMasterRole(masterRole)
  std::vector<RowView> rows;              // every row, slot order
};

class CImitation {
 public:
  explicit CImitation(std::uint32_t seed = std::random_device{}());

  // The rows' imitation boxes; only ticked rows answer. All clear at first.
  void SetTicked(int slot, bool ticked);
  bool Ticked(int slot) const;

  // Puts the table into "Imitation" and builds the twenty imitated detectors
  // of the table's type: register 0 names each row's present list address
  // (1..255, else slot + 1) and the line's baud; then the address list
  // becomes 1..20 and every row is refreshed.
  ImitationSwitch Enter(CDetectorTable& table, std::string_view baudText);
  // Puts the table into `newMode` (the mode chosen instead); the address list
  // becomes the single address 1, the rows after the first lose their
  // detector, and every row is refreshed (rows without a detector empty
  // themselves again).
  ImitationSwitch Leave(CDetectorTable& table, int newMode);

  // The "LEL%" right-click answer ("," read as "."): register 10 becomes
  // floor(x * 10 + 0.5) and register 2 the whole part of x, then the row is
  // refreshed. Nothing changes for an answer that starts with no number or a
  // concentration register 10 cannot hold (outside -3276.8..3276.7), and
  // outside "Imitation".
  std::optional<RowView> SetConcentration(CDetectorTable& table, int slot, std::string_view answer);

  // The first ticked row (0..19) whose list address is the slave address, or -1.
  int FindSlot(const CDetectorTable& table, std::uint8_t slave) const;

  // Answers one received request from the image of the first ticked row with
  // its address. Function 6 applies ImitatedWrite and echoes register and
  // value; a register outside the image is exception 2. Functions 3 and 4:
  // a count of 0 or above 125 is exception 3, a range past register 160
  // exception 2; otherwise the measuring registers are refreshed and the
  // count words from the first register answered. Other functions:
  // exception 1. Outside "Imitation" nothing answers.
  ImitationOutcome Answer(CDetectorTable& table, const ModbusRequest& request);

 private:
  std::array<bool, kSlotCount> ticked_{};
  CImitationRandom random_;
};

}  // namespace kvl
