#include "settings_files/settings_apply.h"

#include <algorithm>
#include <array>

#include "detector/register_map.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/message_texts.h"

namespace kvl {
namespace {

// A KVELT takes its register lines from register 25 to register 48 as blocks,
// everything else one register at a time.
constexpr int kKveltBlockFirst = 24;
constexpr int kKveltBlockLast = 47;

// The value a compared address holds when the file does not give it.
constexpr std::uint16_t kCompareDefault = 255;

bool GoesAsBlock(int type, int address) {
  return type != kTypeKvelt || (address >= kKveltBlockFirst && address <= kKveltBlockLast);
}

// The serial and gas check: a refusal in `plan.message`, or a warning in
// `plan.question` (unless accepted). True when the writes may go.
bool Check(const SettingsFileContent& file, const SettingsTarget& t, std::string_view fileName, bool accepted,
           SettingsWritePlan& plan) {
  const LanguageIndex l = t.language;
  if (!file.serial) {
    plan.message = std::string(txt::kSerialNotFound(l)) + "\n";
    return false;
  }
  if (*file.serial < 1) {
    plan.message = std::string(txt::kSerialIncorrect(l)) + "\n";
    return false;
  }
  if (*file.serial != SerialNumber(t.type, t.image)) {
    plan.message = std::string(txt::kSerialsDifferent(l)) + "\n";
    return false;
  }
  std::string warning;
  if (!file.gas)
    warning += std::string(txt::kGasTypeNotFound(l)) + "\n";
  else if (*file.gas != GasCode(t.image))
    warning += std::string(txt::kGasTypesDifferent(l)) + "\n";
  if (warning.empty() || accepted) return true;
  plan.question = std::string(txt::kFile(l)) + " " + std::string(fileName) + ":\n" + warning + txt::kContinue(l);
  return false;
}

}  // namespace

int KeyRegisterFor(int type, SettingsKey key) {
  if (key == SettingsKey::SerNum) return -1;
  if (type == kTypeZ5) return KeyInfo(key).z5Register;
  // A KVELT's gas setting travels in its register lines (address 50).
  if (type == kTypeKvelt && key == SettingsKey::LelConc) return LayoutFor(type).LEL_CONC;
  return -1;
}

SettingsWritePlan PlanSettingsWrite(const SettingsFileContent& file, const SettingsTarget& t,
                                    std::string_view fileName, bool gasWarningAccepted) {
  SettingsWritePlan plan;
  std::vector<RegisterWrite> singles, pairs;
  std::vector<SettingsBlockWrite> blocks;
  for (const SettingsRegisterLine& line : file.registerLines) {
    SettingsBlockWrite chunk;
    auto flush = [&] {
      if (!chunk.words.empty()) blocks.push_back(chunk);
      chunk = {};
    };
    for (std::size_t i = 0; i < line.words.size(); ++i) {
      const int a = line.first + int(i);
      if (!GoesAsBlock(t.type, a)) {
        flush();
        singles.push_back({t.slave, std::uint16_t(a), line.words[i]});
        continue;
      }
      if (chunk.words.empty()) chunk.first = std::uint16_t(a);
      chunk.words.push_back(line.words[i]);
      if (chunk.words.size() == kSettingsChunkWords) flush();
    }
    flush();
  }
  for (const SettingsPair& p : file.pairs) {
    const int r = p.key ? KeyRegisterFor(t.type, *p.key) : (t.type == kTypeZ5 ? p.z5Register : -1);
    if (r >= 0) pairs.push_back({t.slave, std::uint16_t(r), std::uint16_t(p.value)});
  }
  if (singles.empty() && pairs.empty() && blocks.empty()) return plan;
  if (!Check(file, t, fileName, gasWarningAccepted, plan)) return plan;
  plan.singleWrites = std::move(singles);
  plan.singleWrites.insert(plan.singleWrites.end(), pairs.begin(), pairs.end());
  plan.blockWrites = std::move(blocks);
  // One "Recorded" per file: the last block reports; a block that fails
  // is named in the batch's report all the same.
  for (std::size_t i = 0; i < plan.blockWrites.size(); ++i) plan.blockWrites[i].report = i + 1 == plan.blockWrites.size();
  return plan;
}

SettingsComparison CompareWithSettings(const SettingsFileContent& file, ImageView image, LanguageIndex language) {
  std::array<std::uint16_t, kImageWords> values;
  values.fill(kCompareDefault);
  for (const SettingsRegisterLine& line : file.registerLines)
    for (std::size_t i = 0; i < line.words.size(); ++i) values[std::size_t(line.first) + i] = line.words[i];
  for (const SettingsPair& p : file.pairs) values[std::size_t(p.z5Register)] = std::uint16_t(p.value);

  SettingsComparison c;
  std::array<bool, kImageWords> listed{};
  auto compare = [&](int a) {
    listed[std::size_t(a)] = true;
    if (values[std::size_t(a)] != image[std::size_t(a)]) c.list += Format("%3u ", unsigned(RegisterNumber(a)));
  };
  for (int k = 0; k < kSettingsKeyCount; ++k) compare(KeyInfo(SettingsKey(k)).z5Register);
  for (int a = reg::z5::GRAD_CONC1; a <= reg::z5::kGradTableLast; ++a)
    if (!listed[std::size_t(a)] && (a <= reg::z5::GRAD_KUW || a >= reg::z5::kGradTableFirst)) compare(a);
  c.equal = c.list.empty();
  c.message = c.equal ? std::string(txt::kSettingsEqual(language))
                      : std::string(txt::kSettingsNotEqual(language)) + "\n" + c.list;
  return c;
}

}  // namespace kvl
