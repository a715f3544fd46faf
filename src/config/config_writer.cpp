// Composing and saving the configuration text.
#include <algorithm>
#include <cstring>

#include "config/configuration.h"
#include "platform/files.h"
#include "text/config_texts.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kLf[] = "\n";

constexpr const char* kCheckRecordComments[kCheckRecordCount] = {"Tmin min", "Tmin max", "Tmax min", "Tmax max"};

// A value with a line break would shift every following line of a positional
// file; it is cut there (the edits that feed these texts never let one in).
std::string_view OneLine(std::string_view text) { return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3))); }

// A folder whose name holds a line break cannot be stored at all; an empty
// line reads back as the program's folder.
std::string_view FolderLine(std::string_view folder) {
  return folder.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos ? folder : std::string_view();
}

class TextBuilder {
 public:
  void Line(std::string_view text, const char* end = kCrLf) {
    text_.append(OneLine(text));
    text_.append(end);
  }
  void Raw(std::string_view text) { text_.append(text); }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string ComposeConfigurationText(const Configuration& c) {
  const LanguageIndex lang = std::min<LanguageIndex>(c.language, kSpanish);
  TextBuilder out;
  for (const SerialLineSettings& line : c.lines) {
    out.Line(line.port);
    out.Line(line.baud);
    out.Line(line.pause);
  }
  out.Line(c.period);
  out.Line(kLanguageNames[lang](kEnglish));
  out.Line(FolderLine(c.dataFolder));
  out.Line(FolderLine(c.graduationFolder));
  out.Line(Format("%d", c.detectorType));
  out.Line(Format("%d", c.mode));
  out.Line(Format("%.3f", c.emitterPower));
  out.Line(Format("%.3f", c.spareNumber));
  out.Line(c.workingFactor);
  out.Line(c.referenceFactor);

  for (int q = 0; q < kQuantityCount; ++q) {
    const char* name = kQuantities[q](lang);
    out.Line(Format("%d\t;%s min", c.displayLimits[q].min, name));
    out.Line(Format("%d\t;%s max", c.displayLimits[q].max, name));
  }
  for (int r = kTminMin; r <= kTmaxMax; ++r) {
    out.Line(Format("%d\t%d\t;%s", c.checkRecords[r][0], c.checkRecords[r][1], kCheckRecordComments[r]));
  }
  out.Line(Format("%d\t%d\t;T[0]", c.checkRecords[kCheckT0][0], c.checkRecords[kCheckT0][1]));
  out.Line(Format("%d\t%d\t;T[%d]", c.checkRecords[kCheckT7][0], c.checkRecords[kCheckT7][1], 7));
  out.Line(Format("%d\t;deltaDmax", c.deltaDmax));
  out.Line(Format("%s\t;%s", c.extrapolation ? "1" : "0", txt::kExtrapolationComment(lang)));
  out.Line(c.relayTestStep);
  out.Line(Format("%d", c.gasPosition));
  out.Line(Format("%d", c.gasDialogPosition));

  for (const GasCalibration& gas : c.gases) {
    out.Line(gas.usePropane ? "1" : "0", kLf);
    out.Line(Format("%.3f", gas.coefficient));
    out.Line(gas.concentration[0], kLf);
    out.Line(gas.propaneEntry[0], kLf);
    out.Line(gas.concentration[1], kLf);
    out.Line(gas.propaneEntry[1]);
  }
  out.Line(Format("%.3f", c.lowLimit), kLf);
  out.Line(Format("%.3f", c.highLimit));

  out.Line(Format("%zu", c.addresses.size()));
  for (std::size_t i = 0; i < c.addresses.size(); ++i) {
    out.Line(Format("%u", c.addresses[i]), i + 1 < c.addresses.size() ? kLf : kCrLf);
  }
  if (c.lineEcho) out.Line(std::string(kEchoKey) + "=1");
  if (!c.chamberProfile.empty()) out.Line(std::string(kChamberProfileKey) + "=" + c.chamberProfile);
  if (!c.valveProfile.empty()) out.Line(std::string(kValveProfileKey) + "=" + c.valveProfile);
  if (c.lineEnding != "CR") out.Line(std::string(kLineEndingKey) + "=" + c.lineEnding);
  return out.Take();
}

std::string EncodeConfigurationText(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  std::string encoded;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    const std::string_view line = text.substr(0, lf == std::string_view::npos ? text.size() : lf + 1);
    text.remove_prefix(line.size());
    // Readers take a line that is valid UTF-8 as UTF-8 and anything else as
    // Windows-1251. A line Windows-1251 cannot hold, or whose Windows-1251 bytes
    // would pass for UTF-8, is therefore written in UTF-8 and reads back unchanged.
    const bool fits = EncodeCp1251(line, encoded) && (encoded == line || !IsValidUtf8(encoded));
    bytes.append(fits ? std::string_view(encoded) : line);
  }
  return bytes;
}

int SaveConfiguration(const std::string& path, std::string_view text, std::string* error) {
  if (text.empty()) return 0;
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (int code = CreateFolders(path.substr(0, slash), error)) return code;
  }
  const std::string bytes = EncodeConfigurationText(text);
  // A file the user may not write is never replaced, even where the folder
  // would let a new file be renamed over it.
  if (platform::TargetKindOf(path) != platform::PathKind::kMissing) {
    if (!platform::IsWritable(path)) {
      const int code = errno;
      if (error) *error = "Cannot write " + path + ": " + std::strerror(code);
      return code;
    }
    // The file may be written but its folder takes no temporary file.
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (!IsWritableDirectory(folder)) return WriteFileInPlace(path, bytes, error);
  }
  return WriteFileAtomic(path, bytes, error);
}

}  // namespace kvl
