#include "settings_files/settings_save.h"

#include <cerrno>
#include <cstring>

#include "detector/register_map.h"
#include "platform/files.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr SettingsBlock kKveltBlocks[] = {{24, 39}, {40, 55}, {58, 63}};
constexpr SettingsBlock kZ5Blocks[] = {{96, 100},  {104, 111}, {112, 119}, {120, 127},
                                       {128, 135}, {136, 143}, {144, 151}, {152, 159}};

// Address 40 of a KVELT is 0 in normal use: not worth a question.
constexpr int kKveltZeroExempt = 40;

bool Exists(const std::string& path) {
  return platform::KindOf(path) != platform::PathKind::kMissing;
}

std::string TimeText(const char* fmt, const std::tm& now) {
  char buf[64];
  const std::size_t n = std::strftime(buf, sizeof buf, fmt, &now);
  return std::string(buf, n);
}

}  // namespace

std::span<const SettingsBlock> SettingsBlocks(int type) {
  if (type == kTypeKvelt) return kKveltBlocks;
  if (type == kTypeZ5) return kZ5Blocks;
  return {};
}

std::string FreeSettingsFileName(const std::string& dataFolder, const std::string& serialText) {
  for (int n = 0; n <= kMaxSettingsFileNumber; ++n) {
    std::string path = dataFolder + serialText + Format("_%d.set", n);
    if (!Exists(path)) return path;
  }
  return {};
}

std::string SettingsFileText(int type, ImageView image, unsigned address, const std::tm& now,
                             std::string* zeroList) {
  if (zeroList) zeroList->clear();
  std::string s = Format("DATE%12s\r\nTIME%12s\r\n", TimeText("%d.%m.%Y", now).c_str(),
                         TimeText("%H:%M:%S", now).c_str());
  s += Format("MODBUS_NUM%6u\r\n", address);
  const bool kvelt = type == kTypeKvelt;
  if (!kvelt && type != kTypeZ5) return s;

  const int lelConc = kvelt ? LayoutFor(kTypeKvelt).LEL_CONC : reg::z5::LEL_CONC;
  s += Format("SER_NUM%9u\r\n", unsigned(SerialNumber(type, image)));
  s += Format("GAS%13u\r\n", GasCode(image));
  s += Format("LEL_CONC%8u\r\n", unsigned(image[std::size_t(lelConc)]));
  s += "\r\n";

  std::string zeros;
  auto lineOf = [&](const SettingsBlock& b) {
    s += kvelt ? Format("R%02X", unsigned(RegisterNumber(b.first))) : Format("R%03u", unsigned(RegisterNumber(b.first)));
    for (int a = b.first; a <= b.last; ++a) {
      const unsigned v = image[std::size_t(a)];
      s += Format(kvelt ? " %04X" : " %5u", v);
      if (v == 0 && !(kvelt && a == kKveltZeroExempt))
        zeros += Format(kvelt ? "  %X" : "  %u", unsigned(RegisterNumber(a)));
    }
    s += "\r\n";
  };
  for (const SettingsBlock& b : SettingsBlocks(type)) lineOf(b);
  if (zeroList) *zeroList = zeros;
  return s;
}

SettingsSave PrepareSettingsSave(const SettingsSaveRequest& q) {
  SettingsSave save;
  if (q.serialText.empty() || q.modbusText.empty() || q.gasText.empty()) return save;
  const std::string path = FreeSettingsFileName(q.dataFolder, q.serialText);
  if (path.empty()) return save;
  std::string zeros;
  // The text is plain ASCII: it is already its own Windows-1251 form.
  save.bytes = SettingsFileText(q.type, q.image, q.address, q.now, &zeros);
  save.path = path;
  if (!zeros.empty()) {
    // A Z5 lists its registers in decimal, so only a KVELT list says "(hex)".
    const char* note = q.type == kTypeKvelt ? txt::kHexListNote(q.language) : "\n";
    save.zeroQuestion = std::string(txt::kRegistersAreZero(q.language)) + note + zeros;
  }
  return save;
}

int SaveSettingsFile(const SettingsSave& save, std::string* error) {
  if (!save.Ready()) {
    if (error) *error = "No settings file to write";
    return EINVAL;
  }
  if (Exists(save.path)) {
    if (error) *error = "Cannot write " + save.path + ": " + std::strerror(EEXIST);
    return EEXIST;
  }
  return WriteFileAtomic(save.path, save.bytes, error);
}

}  // namespace kvl
