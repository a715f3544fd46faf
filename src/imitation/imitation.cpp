// Imitated detectors: building their images, the reactions to writes, the
// refreshed readings of reads and the answer to one request.
#include "imitation/imitation.h"

#include <cmath>

#include "commands/command_rules.h"
#include "detector/register_map.h"
#include "text/operator_input.h"

namespace kvl {
namespace {

// Taken from the simulator's detector model (src/sim): channel signals of
// 2300 (R) and 2200 (W) at 20 degC that lose 0.21 %/K and 0.26 %/K, over the
// stage temperatures -60..85 degC, from clean air up to 100 %LEL (W and D
// drop to exp(-0.25) of their clean-air level, Dm rises to 10000 - D). The
// initial values Wo and Ro are the clean-air channels. The model gives every
// type the same optics; only the unit of T differs, which BuildImitatedImage
// takes from the register layout.
constexpr ImitationBounds kModelBounds = {
    .t = {-60, 85},
    .d = {7788, 10000},
    .w = {1424, 2658},
    .r = {1986, 2686},
    .dm = {0, 2212},
    .wo = {1828, 2658},
    .ro = {1986, 2686},
};

// Words of a freshly built image (protocol addresses).
constexpr int kFreshLel = 2;            // written 1
constexpr std::uint16_t kFactoryLimits = 0x0A14;  // 10 and 20 %LEL
constexpr std::uint16_t kImitatedFirmware = 0x070A;  // 7.10
constexpr int kFirmwareBuild = 12;
constexpr std::uint16_t kImitatedBuild = 523;
constexpr std::uint16_t kFreshConcentration = 12;  // 1.2 %LEL
constexpr int kFirstSerial = 1001;
// Status low byte of a fresh detector: serviceable plus bit 0x08.
constexpr std::uint16_t kFreshStatusBits = 0x09;
// Registers the writes react to (besides the command registers of register_map.h).
constexpr int kGasSetting = 50;
constexpr int kSerialSetting = 51;

std::uint16_t Word(long v) { return static_cast<std::uint16_t>(v & 0xFFFF); }

// (3 lo + hi) / 4 + r mod spread: the middle of the quantity's range.
long InBounds(const QuantityBounds& b, long spread, CImitationRandom& random) {
  const long base = (3L * b.lo + b.hi) / 4;
  return spread > 0 ? base + long(random.Next() % unsigned(spread)) : base;
}

ImitationResponse Exception(const ModbusRequest& q, std::uint8_t code) {
  return {q.slave, static_cast<std::uint8_t>(q.function | 0x80), {code}};
}

void Apply(RegisterImage& image, const std::vector<ImageChange>& changes) {
  for (const ImageChange& c : changes) image[c.reg] = c.value;
}

}  // namespace

int ModeForType(int type, int chosenMode) {
  if (type != kTypeZ5) return chosenMode;
  if (chosenMode == kModeImitation) return kModeSaveSettings;
  if (chosenMode == kModeRunningIn) return kModeGraduationZ5;
  return chosenMode;
}

const ImitationBounds& ImitationBoundsFor(int /*type*/) { return kModelBounds; }

RegisterImage BuildImitatedImage(int type, int slot, std::uint8_t address, std::string_view baudText,
                                 CImitationRandom& random) {
  RegisterImage img{};
  for (std::uint16_t& w : img) w = Word(random.Next() % 0xFFFF);
  img[reg::kAddressBaud] = Word(address * 256 + BaudCodeOfText(baudText));
  img[reg::kStatus] = Word((random.Next() % 8 + 1) * 256 + kFreshStatusBits);
  img[kFreshLel] = 1;
  img[reg::kLimits] = kFactoryLimits;
  img[reg::SER_NUM] = Word(kFirstSerial + slot);
  img[reg::kConcentration] = kFreshConcentration;
  img[reg::kFirmware] = kImitatedFirmware;
  img[kFirmwareBuild] = kImitatedBuild;
  img[reg::kVolumeConcentration] = Word(random.Next() % 0xFFFF);

  const ImitationBounds& b = ImitationBoundsFor(type);
  auto half = [](const QuantityBounds& q) { return long(q.hi - q.lo) / 2; };
  if (IsValidDetectorType(type) && LayoutFor(type).temperatureInTenths) {
    const long base = (30L * b.t.lo + 10L * b.t.hi) / 4;
    img[reg::kT] = Word(base + long(random.Next() % unsigned(10L * (b.t.hi - b.t.lo) / 2)));
  } else {
    img[reg::kT] = Word(InBounds(b.t, half(b.t), random));
  }
  img[reg::kD] = Word(InBounds(b.d, long(b.d.hi - b.d.lo) / 8, random));
  img[reg::kW] = Word(InBounds(b.w, half(b.w), random));
  img[reg::kR] = Word(InBounds(b.r, half(b.r), random));
  img[reg::kDm] = Word(InBounds(b.dm, half(b.dm), random));
  img[reg::kWo] = Word(InBounds(b.wo, half(b.wo), random));
  img[reg::kRo] = Word(InBounds(b.ro, half(b.ro), random));
  return img;
}

std::vector<ImageChange> ImitatedWrite(const RegisterImage& image, std::uint16_t reg, std::uint16_t value) {
  using C = ImageChange;
  const std::uint16_t limits = image[reg::kLimits];
  switch (reg) {
    case reg::kCmdSetZero:
      // Zero setting: the status word itself is not written.
      return {C{kFreshLel, 0}, C{reg::kConcentration, 0}, C{reg::kVolumeConcentration, 0}};
    case reg::kCmdAddCalibration:
    case reg::kCmdMainCalibration:
      return {C{reg::kVolumeConcentration, value}};
    case reg::kCmdFactoryDefaults:
      return {C{reg::kLimits, kFactoryLimits}};
    case reg::kCmdLimit1:
      if (value > 255) return {};
      return {C{reg::kLimits, Word((value << 8) | (limits & 0xFF))}};
    case reg::kCmdLimit2:
      if (value > 255) return {};
      return {C{reg::kLimits, Word((limits & 0xFF00) | value)}};
    case kGasSetting: {
      std::vector<ImageChange> out;
      if (value <= 255) out.push_back({reg::kStatus, Word((value << 8) | (image[reg::kStatus] & 0xFF))});
      out.push_back({kGasSetting, value});
      return out;
    }
    case kSerialSetting:
      return {C{kSerialSetting, value}, C{reg::SER_NUM, value}};
    default:
      return {C{reg, value}};
  }
}

std::vector<ImageChange> RefreshedMeasurements(CImitationRandom& random) {
  std::vector<ImageChange> out;
  out.push_back({reg::kStatus, Word((random.Next() % 85) * 256 + reg::kStatusServiceable)});
  out.push_back({reg::kDm, Word(160 + random.Next() % 10)});
  out.push_back({reg::kR, Word(2300 + random.Next() % 100)});
  out.push_back({reg::kW, Word(2200 + random.Next() % 100)});
  out.push_back({reg::kD, Word(9600 + random.Next() % 100)});
  out.push_back({reg::kT, Word(150 + random.Next() % 20)});
  return out;
}

CImitation::CImitation(std::uint32_t seed) : random_(seed) {}

void CImitation::SetTicked(int slot, bool ticked) {
  if (slot >= 0 && slot < kSlotCount) ticked_[std::size_t(slot)] = ticked;
}

bool CImitation::Ticked(int slot) const { return slot >= 0 && slot < kSlotCount && ticked_[std::size_t(slot)]; }

ImitationSwitch CImitation::Enter(CDetectorTable& table, std::string_view baudText) {
  table.SetMode(kModeImitation);
  const int type = table.Layout().type;
  const std::vector<std::uint8_t> before = table.AddressList();
  std::vector<std::uint8_t> list;
  for (int s = 0; s < kSlotCount; ++s) {
    const unsigned listed = std::size_t(s) < before.size() ? before[std::size_t(s)] : 0;
    const std::uint8_t address = listed >= 1 && listed <= 255 ? std::uint8_t(listed) : std::uint8_t(s + 1);
    table.MutableSlot(s).image = BuildImitatedImage(type, s, address, baudText, random_);
    list.push_back(std::uint8_t(s + 1));
  }
  table.SetAddressList(list);
  ImitationSwitch sw;
  sw.addressList = table.AddressList();
  sw.masterRole = false;
  sw.rows = table.RefreshAll(true);
  return sw;
}

ImitationSwitch CImitation::Leave(CDetectorTable& table, int newMode) {
  table.SetMode(newMode);
  table.SetAddressList({1});
  // Only polling puts a detector back into a row: a row the list no longer
  // names would go on showing an imitated one as if it were on the bus.
  for (int s = 1; s < kSlotCount; ++s) table.MutableSlot(s).address = -1;
  ImitationSwitch sw;
  sw.addressList = table.AddressList();
  sw.masterRole = true;
  sw.rows = table.RefreshAll(true);
  return sw;
}

std::optional<RowView> CImitation::SetConcentration(CDetectorTable& table, int slot, std::string_view answer) {
  if (slot < 0 || slot >= kSlotCount || table.Layout().mode != kModeImitation) return std::nullopt;
  const std::optional<double> x = LeadingNumber(DecimalPoint(TrimBlanks(answer)));
  if (!x) return std::nullopt;
  const double tenths = RoundScaled(*x, 10);
  if (tenths < -32768 || tenths > 32767) return std::nullopt;
  RegisterImage& img = table.MutableSlot(slot).image;
  img[reg::kConcentration] = Word(long(tenths));
  img[kFreshLel] = Word(long(std::trunc(*x)));
  return table.RefreshRow(slot, true);
}

int CImitation::FindSlot(const CDetectorTable& table, std::uint8_t slave) const {
  const std::vector<std::uint8_t>& list = table.AddressList();
  for (int s = 0; s < kSlotCount && std::size_t(s) < list.size(); ++s)
    if (ticked_[std::size_t(s)] && list[std::size_t(s)] == slave) return s;
  return -1;
}

ImitationOutcome CImitation::Answer(CDetectorTable& table, const ModbusRequest& q) {
  ImitationOutcome out;
  // A request received just before the mode was left finds no imitated detectors.
  if (table.Layout().mode != kModeImitation) return out;
  const int slot = FindSlot(table, q.slave);
  if (slot < 0) return out;
  out.slot = slot;
  RegisterImage& img = table.MutableSlot(slot).image;

  if (q.function == 6) {
    // A register the image does not hold cannot be written.
    if (q.first >= kImageWords) {
      out.response = Exception(q, kImitationIllegalAddress);
      return out;
    }
    out.imageChanges = ImitatedWrite(img, q.first, q.countOrValue);
    Apply(img, out.imageChanges);
    out.rows.push_back(table.RefreshRow(slot, true));
    out.response = ImitationResponse{q.slave, 6, {q.first, q.countOrValue}};
    return out;
  }
  if (q.function == 3 || q.function == 4) {
    const int first = q.first, count = q.countOrValue;
    // One RTU answer frame carries 125 registers at most.
    if (count < 1 || count > kImitationMaxReadCount) {
      out.response = Exception(q, kImitationIllegalValue);
      return out;
    }
    if (first + count > kImageWords) {
      out.response = Exception(q, kImitationIllegalAddress);
      return out;
    }
    out.imageChanges = RefreshedMeasurements(random_);
    Apply(img, out.imageChanges);
    out.response = ImitationResponse{q.slave, q.function,
                                     std::vector<std::uint16_t>(img.begin() + first, img.begin() + first + count)};
    return out;
  }
  out.response = Exception(q, kImitationIllegalFunction);
  return out;
}

}  // namespace kvl
