#include "detector/decoding.h"

#include "detector/register_map.h"
#include "text/decoding_texts.h"
#include "text/format.h"
#include "text/gas_tables.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

// How a cell picks its font from its text in the normal view. In the raw
// view every cell keeps width 5 whatever its length.
enum class FontRule { Fit, Narrow4, Narrow5, Gas, Flags, Firmware };

int PickFont(FontRule rule, std::string_view text, bool raw) {
  if (raw) return kFontWidth5;
  const std::size_t n = CharCount(text);
  switch (rule) {
    case FontRule::Fit: return FitFont(text);
    case FontRule::Narrow4: return FitFontNarrow4(text);
    case FontRule::Narrow5: return FitFontNarrow5(text);
    case FontRule::Gas: return n <= 4 ? kFontWidth6 : kFontWidth5;
    case FontRule::Flags: return n < 4 ? kFontWidth7 : kFontWidth6;
    case FontRule::Firmware: return kFontWidth7;
  }
  return kFontWidth6;
}

// Raw forms: register number then the word as four hexadecimal digits,
// with or without a colon; each cell keeps the form it always had.
std::string RawColon(int address, std::uint16_t word) {
  return Format("%d:%04X", RegisterNumber(address), unsigned(word));
}
std::string RawPlain(int address, std::uint16_t word) {
  return Format("%d%04X", RegisterNumber(address), unsigned(word));
}

std::string Unknown(unsigned value) { return Format(txt::kUnknownValueFormat, value); }

// A 0/1 switch register: "disable", "enable", or the stray value.
std::string SwitchText(std::uint16_t value, LanguageIndex lang) {
  if (value <= 1) return kSwitchesLower[value](lang);
  return Unknown(value);
}

std::string LatchingText(std::uint16_t value, LanguageIndex lang) {
  if (value == 0) return txt::kNoLatching(lang);
  if (value == 1) return txt::kLatching(lang);
  return Unknown(value);
}

std::string EmitterPowerKveltText(double power) {
  std::string s = Format("%.2f", power);
  if (s.size() > 6) s = Format("%.1f", power);
  if (s.size() >= 7) s = Format("%.0f", power);
  return s;
}

std::string HeatingLimitText(int type, ImageView image, LanguageIndex lang) {
  const RegisterLayout& layout = LayoutFor(type);
  const std::uint16_t on = image[layout.heatingOn];
  const std::uint16_t value = image[layout.heatingValue];
  if (on == 0) return txt::kNoValue(lang);
  if (on != 1) return Unknown(on);
  if (!layout.heatingValueInHundredths) return Format("%u", unsigned(value));
  return TrimmedFixed(Signed16(value) * 0.01, 2);
}

std::string MagneticCalibrationText(const RegisterLayout& layout, std::uint16_t word) {
  const double v = (layout.magneticCalibrationSigned ? Signed16(word) : int(word)) * 0.001;
  std::string s = Format("%.3f", v);
  if (CharCount(s) >= 7) s = Format("%.2f", Signed16(word) * 0.001);
  return s;
}

std::string CurrentText(int type, ImageView image) {
  const RegisterLayout& layout = LayoutFor(type);
  if (type == kTypeKvelt) {
    const unsigned code = GasCode(image);
    if (code < 1 || code > unsigned(kGasCount)) return txt::kUnknownCurrent;
    // A 4..20 mA loop: the detector does not report it, so it follows the concentration.
    return Format("%.2f", 4 + 16 * ConcentrationLel(image) / 100);
  }
  if (layout.outputCurrent < 0) return {};
  return Format("%.3f", image[layout.outputCurrent] * 0.001);
}

std::string FlagsText(std::uint16_t word, LanguageIndex lang) {
  static constexpr std::uint16_t kBits[4] = {reg::z5::kFlagC, reg::z5::kFlagM, reg::z5::kFlagR,
                                             reg::z5::kFlagG};
  std::string s;
  for (int i = 0; i < 4; ++i)
    if (word & kBits[i]) s += txt::kFlagLetters[i](lang);
  return s.empty() ? std::string(txt::kNoValue(lang)) : s;
}

std::string BadGraduationText(std::uint16_t word, LanguageIndex lang) {
  std::string s;
  for (unsigned i = 0; i < 8; ++i)
    if (word & (1u << i)) s += Format("%u", i);
  return s.empty() ? std::string(txt::kNoValue(lang)) : s;
}

std::string ReadBackText(std::uint16_t word, LanguageIndex lang) {
  return word == 0xFFFF ? std::string(txt::kNoValue(lang)) : Format("%u", unsigned(word));
}

class RowBuilder {
 public:
  RowBuilder(ImageView image, const DecodeContext& ctx, RowCells& row)
      : image_(image), ctx_(ctx), row_(row) {}

  // Normal text or, in the raw view, the given raw text.
  void Set(Cell cell, FontRule rule, const std::string& normal, const std::string& raw) {
    const std::string& text = ctx_.rawView ? raw : normal;
    row_[cell] = CellText{text, PickFont(rule, text, ctx_.rawView)};
  }
  void SetColon(Cell cell, FontRule rule, int address, const std::string& normal) {
    Set(cell, rule, normal, ctx_.rawView ? RawColon(address, image_[address]) : std::string());
  }
  void SetPlain(Cell cell, FontRule rule, int address, const std::string& normal) {
    Set(cell, rule, normal, ctx_.rawView ? RawPlain(address, image_[address]) : std::string());
  }
  void Clear(Cell cell, FontRule rule) { row_[cell] = CellText{{}, PickFont(rule, {}, ctx_.rawView)}; }

 private:
  ImageView image_;
  const DecodeContext& ctx_;
  RowCells& row_;
};

}  // namespace

const char* CellKey(Cell cell) {
  static constexpr const char* kKeys[kCellCount] = {
      "serial", "firmware", "gas", "flags", "bad_graduation", "zero_shift", "volume", "ma",
      "lel_conc", "limit1", "limit2", "p_emitter", "heating_limit", "magn_calibr",
      "lel", "t", "d", "w", "r", "dm", "wo", "ro", "p_heat",
      "zeroing", "kur", "kuw", "ru6310", "relay1", "relay2", "latching1", "latching2",
      "cv", "cv_vol", "show_negative", "sensor_t"};
  const int i = int(cell);
  return i >= 0 && i < kCellCount ? kKeys[i] : "";
}

std::size_t CharCount(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

int FitFont(std::string_view text) {
  const std::size_t n = CharCount(text);
  if (n < 5) return kFontWidth7;
  if (n == 5 && text.find_first_of("-.,1ilt") != std::string_view::npos) return kFontWidth7;
  if (n < 7) return kFontWidth5;
  return kFontWidth4;
}

int FitFontNarrow4(std::string_view text) { return CharCount(text) <= 4 ? kFontWidth7 : kFontWidth5; }
int FitFontNarrow5(std::string_view text) { return CharCount(text) <= 5 ? kFontWidth7 : kFontWidth5; }

std::string TrimmedFixed(double value, int decimals) {
  std::string s = Format("%.*f", decimals, value);
  if (s.find('.') == std::string::npos) return s;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::string GasName(int type, unsigned code, LanguageIndex language) {
  if (code < 1 || code > unsigned(kGasCount)) return Unknown(code);
  const std::string name = GasTable(type)[code - 1](language);
  if (name == "---") return Unknown(code);
  return name;
}

std::string GasNameText(int type, unsigned code, LanguageIndex language) {
  return SelectorGasName(GasName(type, code, language));
}

std::string SerialNumberText(int type, ImageView image, bool searchRunning) {
  if (HasSerial32(type, image)) {
    // The high word is not read by the search's poll set.
    if (searchRunning) return {};
    return Format("%u", unsigned(SerialNumber(type, image)));
  }
  return Format("%u", unsigned(image[reg::SER_NUM]));
}

RelayTestBox RelayTestState(int type, ImageView image) {
  const RegisterLayout& layout = LayoutFor(type);
  if (layout.relayTest < 0) return RelayTestBox::Off;
  const std::uint16_t word = image[layout.relayTest];
  if (type == kTypeZ40) {
    bool allNormal = true, allForced = true;
    for (int shift : {reg::z40::kFieldServiceability, reg::z40::kFieldRelay1, reg::z40::kFieldRelay2}) {
      const unsigned f = reg::z40::RelayField(word, shift);
      allNormal = allNormal && f == 3;
      allForced = allForced && (f == 1 || f == 2);
    }
    if (allNormal) return RelayTestBox::Off;
    return allForced ? RelayTestBox::On : RelayTestBox::Mixed;
  }
  if (word == 0) return RelayTestBox::Off;
  return word == 1 ? RelayTestBox::On : RelayTestBox::Mixed;
}

namespace {

// The steps of DecodeRow over one row, each filling one group of cells.
struct RowDecoder {
  RowDecoder(ImageView image_, const DecodeContext& ctx_, RowCells& row_)
      : image(image_),
        ctx(ctx_),
        row(row_),
        b(image_, ctx_, row_),
        type(ctx_.type),
        layout(LayoutFor(type)),
        lang(ctx_.language),
        z5(type == kTypeZ5),
        z40(type == kTypeZ40),
        search(ctx_.fromAddressSearch),
        concentrations(!search || ctx_.mode == kModeImitation) {}

  void Identity();        // serial number, firmware, gas
  void Limits();          // the two alarm limits
  void Concentrations();  // LEL %, zero shift, vol. %
  void LoopCurrent();
  void LelConc();
  void EmitterPower();
  void HeatingLimit();
  void MagneticCalibration();
  void Quantities();  // T, D, W, R, Dm, Wo, Ro and the heater power
  void ZeroingNegative();
  void CorrectionFactors();
  void RelaysAndLatching();  // relay test, read-backs, latching, RU6310
  void Z5Cells();            // the cells only a Z5 has
  void Indicators();         // the relay and condition images

  std::uint16_t w(int address) const { return image[address]; }

  ImageView image;
  const DecodeContext& ctx;
  RowCells& row;
  RowBuilder b;
  const int type;
  const RegisterLayout& layout;
  const LanguageIndex lang;
  const bool z5;
  const bool z40;
  // Cells the address search's poll set does not read are emptied while its
  // data are shown; the concentration cells still show in "Imitation".
  const bool search;
  const bool concentrations;
};

void RowDecoder::Identity() {
  if (HasSerial32(type, image)) {
    const std::string rawText =
        ctx.searchRunning ? std::string()
                          : Format("%X%04X", LowByte(w(reg::SER_NUM_HIGH)), unsigned(w(reg::SER_NUM)));
    b.Set(Cell::SerialNumber, FontRule::Fit, SerialNumberText(type, image, ctx.searchRunning), rawText);
  } else {
    b.SetPlain(Cell::SerialNumber, FontRule::Fit, reg::SER_NUM, SerialNumberText(type, image, false));
  }
  const FirmwareVersion fw = Firmware(image);
  b.SetPlain(Cell::Firmware, FontRule::Firmware, reg::kFirmware, Format("V%u.%u", fw.major, fw.minor));
  b.SetColon(Cell::Gas, FontRule::Gas, reg::kStatus, GasNameText(type, GasCode(image), lang));
}

void RowDecoder::Limits() {
  b.SetColon(Cell::Limit1, FontRule::Fit, reg::kLimits, Format("%u", HighByte(w(reg::kLimits))));
  b.SetColon(Cell::Limit2, FontRule::Fit, reg::kLimits, Format("%u", LowByte(w(reg::kLimits))));
}

void RowDecoder::Concentrations() {
  if (concentrations) {
    const std::string lel = Format("%.1f", ConcentrationLel(image));
    b.SetColon(Cell::Lel, FontRule::Narrow4, reg::kConcentration, lel);
    b.Set(Cell::ZeroShift, FontRule::Narrow5, txt::kNoValue(lang), row[Cell::Lel].text);
    b.SetPlain(Cell::VolumePercent, FontRule::Narrow5, reg::kVolumeConcentration,
               Format("%.3f", Signed16(w(reg::kVolumeConcentration)) * 0.001));
  } else {
    b.Clear(Cell::Lel, FontRule::Narrow4);
    b.Clear(Cell::ZeroShift, FontRule::Narrow5);
    b.Clear(Cell::VolumePercent, FontRule::Narrow5);
  }
}

void RowDecoder::LoopCurrent() {
  if (search || !IsValidDetectorType(type)) {
    b.Clear(Cell::Current, FontRule::Narrow5);
  } else {
    std::string normal = CurrentText(type, image);
    if (!IsServiceable(image) && (type == kTypeKvelt || z40)) normal = "2.00";  // the fault current
    const std::string rawText = type == kTypeKvelt ? std::string(txt::kNoValue(lang))
                                                   : RawPlain(layout.outputCurrent, w(layout.outputCurrent));
    b.Set(Cell::Current, FontRule::Narrow5, normal, rawText);
  }
}

// LEL_CONC: KVELT keeps it for its settings files only.
void RowDecoder::LelConc() {
  if (layout.LEL_CONC >= 0 && type != kTypeKvelt) {
    const std::uint16_t v = w(layout.LEL_CONC);
    const std::string normal = layout.lelConcInThousandths ? TrimmedFixed(v * 0.001, 3) : TrimmedFixed(v * 0.01, 2);
    b.SetPlain(Cell::LelConc, FontRule::Narrow4, layout.LEL_CONC, normal);
  } else {
    b.Clear(Cell::LelConc, FontRule::Narrow4);
  }
}

void RowDecoder::EmitterPower() {
  if (search || layout.emitterPower < 0) {
    b.Clear(Cell::EmitterPower, FontRule::Narrow4);
  } else if (type == kTypeKvelt) {
    const double p = KveltEmitterPower(w(layout.emitterVoltage1), w(layout.emitterVoltage2));
    b.SetPlain(Cell::EmitterPower, FontRule::Narrow4, layout.emitterPower, EmitterPowerKveltText(p));
  } else {
    b.SetPlain(Cell::EmitterPower, FontRule::Narrow4, layout.emitterPower,
               Format("%u", unsigned(w(layout.emitterPower))));
  }
}

void RowDecoder::HeatingLimit() {
  if (search || layout.heatingOn < 0) {
    b.Clear(Cell::HeatingLimit, FontRule::Narrow4);
  } else {
    b.SetPlain(Cell::HeatingLimit, FontRule::Narrow4, layout.heatingValue, HeatingLimitText(type, image, lang));
  }
}

void RowDecoder::MagneticCalibration() {
  if (layout.magneticCalibration >= 0) {
    const std::uint16_t v = w(layout.magneticCalibration);
    b.Set(Cell::MagneticCalibration, FontRule::Narrow4, MagneticCalibrationText(layout, v),
          Format("%04X", unsigned(v)));
  } else {
    b.Clear(Cell::MagneticCalibration, FontRule::Narrow4);
  }
}

void RowDecoder::Quantities() {
  const int t = Signed16(w(reg::kT));
  b.SetColon(Cell::T, FontRule::Fit, reg::kT,
             layout.temperatureInTenths ? Format("%.1f", t * 0.1) : Format("%d", t));
  b.SetColon(Cell::D, FontRule::Fit, reg::kD, Format("%d", Signed16(w(reg::kD))));
  b.SetColon(Cell::W, FontRule::Fit, reg::kW, Format("%d", Signed16(w(reg::kW))));
  b.SetColon(Cell::R, FontRule::Fit, reg::kR, Format("%d", Signed16(w(reg::kR))));
  b.SetColon(Cell::Dm, FontRule::Fit, reg::kDm, Format("%d", Signed16(w(reg::kDm))));
  b.SetPlain(Cell::Wo, FontRule::Fit, reg::kWo, Format("%d", Signed16(w(reg::kWo))));
  b.SetPlain(Cell::Ro, FontRule::Fit, reg::kRo, Format("%d", Signed16(w(reg::kRo))));
  if (layout.heaterPower >= 0)
    b.SetColon(Cell::HeaterPower, FontRule::Fit, layout.heaterPower, Format("%u", unsigned(w(layout.heaterPower))));
  else
    b.Clear(Cell::HeaterPower, FontRule::Fit);
}

// Zeroing of negative concentration.
void RowDecoder::ZeroingNegative() {
  if (search || layout.zeroingNegative < 0)
    b.Clear(Cell::ZeroingNegative, FontRule::Fit);
  else
    b.SetPlain(Cell::ZeroingNegative, FontRule::Fit, layout.zeroingNegative,
               SwitchText(w(layout.zeroingNegative), lang));
}

// Channel correction factors are shown for Z5 only.
void RowDecoder::CorrectionFactors() {
  if (z5 && !search) {
    b.SetPlain(Cell::Kur, FontRule::Fit, layout.KUR, Format("%u", unsigned(w(layout.KUR))));
    b.SetPlain(Cell::Kuw, FontRule::Fit, layout.KUW, Format("%u", unsigned(w(layout.KUW))));
  } else {
    b.Clear(Cell::Kur, FontRule::Fit);
    b.Clear(Cell::Kuw, FontRule::Fit);
  }
}

void RowDecoder::RelaysAndLatching() {
  row.relayTest = RelayTestState(type, image);
  const bool testOn = row.relayTest == RelayTestBox::On;
  if (testOn && layout.relay1ReadBack >= 0) {
    b.SetPlain(Cell::Relay1, FontRule::Fit, layout.relay1ReadBack, ReadBackText(w(layout.relay1ReadBack), lang));
    b.SetPlain(Cell::Relay2, FontRule::Fit, layout.relay2ReadBack, ReadBackText(w(layout.relay2ReadBack), lang));
  } else {
    b.Clear(Cell::Relay1, FontRule::Fit);
    b.Clear(Cell::Relay2, FontRule::Fit);
  }
  if (z40) {
    const std::uint16_t latch = w(reg::z40::kLatching);
    auto text = [&](std::uint16_t bit) {
      return std::string((latch & bit) ? txt::kLatching(lang) : txt::kNoLatching(lang));
    };
    b.SetColon(Cell::Latching1, FontRule::Fit, reg::z40::kLatching, text(reg::z40::kLatching1Bit));
    b.SetColon(Cell::Latching2, FontRule::Fit, reg::z40::kLatching, text(reg::z40::kLatching2Bit));
    const std::uint16_t ru = w(reg::z40::kRu6310);
    b.SetColon(Cell::Ru6310, FontRule::Fit, reg::z40::kRu6310, (ru & 1) ? txt::kFm(lang) : txt::kNonFm(lang));
  } else if (z5 && !testOn) {
    b.SetColon(Cell::Latching1, FontRule::Fit, reg::z5::kLatching1, LatchingText(w(reg::z5::kLatching1), lang));
    b.SetColon(Cell::Latching2, FontRule::Fit, reg::z5::kLatching2, LatchingText(w(reg::z5::kLatching2), lang));
    b.Clear(Cell::Ru6310, FontRule::Fit);
  } else {
    b.Clear(Cell::Latching1, FontRule::Fit);
    b.Clear(Cell::Latching2, FontRule::Fit);
    b.Clear(Cell::Ru6310, FontRule::Fit);
  }
}

void RowDecoder::Z5Cells() {
  if (z5) {
    b.SetPlain(Cell::SensorTemperature, FontRule::Fit, reg::z5::kSensorTemperature,
               Format("%.1f", Signed16(w(reg::z5::kSensorTemperature)) * 0.1));
    b.SetPlain(Cell::Cv, FontRule::Fit, reg::z5::CV, Format("%.1f", Signed16(w(reg::z5::CV)) * 0.1));
    b.SetPlain(Cell::CvVol, FontRule::Fit, reg::z5::CV_VOL, Format("%.3f", Signed16(w(reg::z5::CV_VOL)) * 0.001));
    b.SetPlain(Cell::Flags, FontRule::Flags, reg::z5::kFlags, FlagsText(w(reg::z5::kFlags), lang));
    b.SetPlain(Cell::BadGraduation, FontRule::Fit, reg::z5::kBadGraduation,
               BadGraduationText(w(reg::z5::kBadGraduation), lang));
    b.SetPlain(Cell::ShowNegative, FontRule::Fit, reg::z5::kShowNegative,
               SwitchText(w(reg::z5::kShowNegative), lang));
  } else {
    for (Cell c : {Cell::SensorTemperature, Cell::Cv, Cell::CvVol, Cell::BadGraduation, Cell::ShowNegative})
      b.Clear(c, FontRule::Fit);
    b.Clear(Cell::Flags, FontRule::Flags);
  }
}

// Relay and condition images follow the status bits; a Z40 relay forced by
// its relay test shows the forced state instead while tuning.
void RowDecoder::Indicators() {
  const std::uint16_t status = w(reg::kStatus);
  row.relay1On = (status & reg::kStatusLimit1) != 0;
  row.relay2On = (status & reg::kStatusLimit2) != 0;
  row.conditionOn = (status & reg::kStatusServiceable) != 0;
  if (z40 && ctx.mode == kModeTuning) {
    const std::uint16_t test = w(layout.relayTest);
    const unsigned f1 = reg::z40::RelayField(test, reg::z40::kFieldRelay1);
    const unsigned f2 = reg::z40::RelayField(test, reg::z40::kFieldRelay2);
    if (f1 == 1 || f1 == 2) row.relay1On = f1 == 2;
    if (f2 == 1 || f2 == 2) row.relay2On = f2 == 2;
  }
}

}  // namespace

RowCells DecodeRow(ImageView image, const DecodeContext& ctx) {
  RowCells row;
  RowDecoder d(image, ctx, row);
  d.Identity();
  d.Limits();
  d.Concentrations();
  d.LoopCurrent();
  d.LelConc();
  d.EmitterPower();
  d.HeatingLimit();
  d.MagneticCalibration();
  d.Quantities();
  d.ZeroingNegative();
  d.CorrectionFactors();
  d.RelaysAndLatching();
  d.Z5Cells();
  d.Indicators();
  return row;
}

}  // namespace kvl
