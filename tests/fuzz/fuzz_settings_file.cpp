// The settings (".set") and graduation log (".tab") reader, and what the
// content it takes does to a detector: every planned write lands inside the
// register image and fits a frame; a refusal names the line; what it takes
// reads back the same from the file the saver writes of it.
//
// Input: a control byte (detector type, language, the gas warning accepted),
// then the file's bytes.
#include <array>
#include <ctime>

#include "detector/register_map.h"
#include "fuzz_support.h"
#include "link/modbus_frames.h"
#include "settings_files/settings_apply.h"
#include "settings_files/settings_file.h"
#include "settings_files/settings_save.h"
#include "text/cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  using namespace kvl::fuzz;
  CFuzzInput in(data, size);
  const std::uint8_t control = in.Byte();
  const int type = control % kDetectorTypeCount;
  const LanguageIndex language = (control >> 3) & 1;
  const SettingsFileRead f = ReadSettingsText(in.RestText(), type, language);
  FUZZ_CHECK(f.ok == f.message.empty());
  // A few lines: the longest reason, in Russian, under the line's first 100
  // characters, three bytes each at most.
  FUZZ_CHECK(IsValidUtf8(f.message) && f.message.size() < 700);
  if (!f.ok) return 0;
  for (const SettingsRegisterLine& r : f.content.registerLines)
    FUZZ_CHECK(r.first >= 0 && !r.words.empty() && r.first + r.words.size() <= std::size_t(kImageWords));
  for (const SettingsPair& p : f.content.pairs) {
    FUZZ_CHECK(p.z5Register >= 0 && p.z5Register < kImageWords);
    FUZZ_CHECK(p.value <= (p.key ? KeyInfo(*p.key).maximum : 65535u));
  }
  // A register line lies inside one saved block, and no register is given twice.
  RegisterImage given{};
  std::array<bool, kImageWords> claimed{};
  for (const SettingsRegisterLine& r : f.content.registerLines) {
    bool inside = SettingsBlocks(type).empty();
    for (const SettingsBlock& b : SettingsBlocks(type))
      inside = inside || (b.first <= r.first && r.first + int(r.words.size()) - 1 <= b.last);
    FUZZ_CHECK(inside);
    for (std::size_t i = 0; i < r.words.size(); ++i) {
      FUZZ_CHECK(!claimed[std::size_t(r.first) + i]);
      claimed[std::size_t(r.first) + i] = true;
      given[std::size_t(r.first) + i] = r.words[i];
    }
  }
  // Accepted => the same as re-reading the file the saver writes from it:
  // every register a register line gave comes back with its value.
  if (!SettingsBlocks(type).empty()) {
    const SettingsFileRead back = ReadSettingsText(SettingsFileText(type, given, 1, std::tm{}), type, language);
    FUZZ_CHECK(back.ok);
    RegisterImage again{};
    for (const SettingsRegisterLine& r : back.content.registerLines)
      for (std::size_t i = 0; i < r.words.size(); ++i) again[std::size_t(r.first) + i] = r.words[i];
    for (std::size_t a = 0; a < given.size(); ++a) FUZZ_CHECK(!claimed[a] || again[a] == given[a]);
  }

  SettingsTarget target;
  target.type = type;
  target.slave = 1;
  target.language = language;
  // The row's detector: the file's own serial number, or another one.
  if (control & 0x10) {
    const std::uint32_t serial = f.content.serial.value_or(0);
    target.image[reg::SER_NUM] = std::uint16_t(serial);
    target.image[reg::SER_NUM_HIGH] = std::uint16_t(serial >> 16);
    target.image[reg::kFirmware] = reg::kSerial32Firmware;
  }
  const SettingsWritePlan plan = PlanSettingsWrite(f.content, target, "fuzz.set", control & 0x20);
  FUZZ_CHECK(IsValidUtf8(plan.message) && IsValidUtf8(plan.question));
  for (const RegisterWrite& w : plan.singleWrites) FUZZ_CHECK(w.reg < kImageWords && w.slave == target.slave);
  for (const SettingsBlockWrite& b : plan.blockWrites) {
    FUZZ_CHECK(b.words.size() <= kSettingsChunkWords && b.first + b.words.size() <= std::size_t(kImageWords));
    FUZZ_CHECK(!BuildWriteMultiple(target.slave, b.first, b.words).empty());
  }
  if (type == kTypeZ5) {
    const SettingsComparison c = CompareWithSettings(f.content, target.image, language);
    FUZZ_CHECK(c.equal == c.list.empty() && IsValidUtf8(c.message));
  }
  return 0;
}
