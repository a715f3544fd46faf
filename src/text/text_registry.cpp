#include "text/text_registry.h"

#include "text/autopilot_texts.h"
#include "text/chamber_texts.h"
#include "text/command_texts.h"
#include "text/config_texts.h"
#include "text/ctl_texts.h"
#include "text/decoding_texts.h"
#include "text/dialog_texts.h"
#include "text/file_texts.h"
#include "text/flow_texts.h"
#include "text/gas_tables.h"
#include "text/graduation_texts.h"
#include "text/link_texts.h"
#include "text/main_window_texts.h"
#include "text/message_texts.h"
#include "text/reader_texts.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"
#include "text/traffic_texts.h"

namespace kvl::txt {
namespace {

void AddList(std::vector<TextSource>& out, const char* area, TextList list) {
  for (const TextEntry& e : list) out.push_back({area, &e});
}

void AddNamed(std::vector<TextSource>& out, const char* area, std::span<const TextEntry* const> entries) {
  for (const TextEntry* e : entries) out.push_back({area, e});
}

// The link's exception texts live behind a lookup; give each code a column pair.
std::vector<TextEntry>& ExceptionEntries() {
  static std::vector<TextEntry> entries = [] {
    std::vector<TextEntry> v;
    for (unsigned code = 1; code <= 11; ++code) {
      v.push_back({{ExceptionText(code, kEnglish), ExceptionText(code, kRussian), ""}});
    }
    return v;
  }();
  return entries;
}

}  // namespace

std::vector<TextSource> AllTextEntries() {
  std::vector<TextSource> out;
  AddList(out, "kDetectorTypes", DetectorTypes());
  AddList(out, "kOperatingModes", OperatingModes());
  AddList(out, "kLanguageNames", LanguageNames());
  AddList(out, "kStageControl", StageControl());
  AddList(out, "kSearchButton", SearchButton());
  AddList(out, "kRecordingButton", RecordingButton());
  AddList(out, "kGraduationButton", GraduationButton());
  AddList(out, "kConcentrationKinds", ConcentrationKinds());
  AddList(out, "kLimitKinds", LimitKinds());
  AddList(out, "kSwitchesLower", SwitchesLower());
  AddList(out, "kSwitchesUpper", SwitchesUpper());
  AddList(out, "kGasMixtures", GasMixtures());
  AddList(out, "kAxisModes", AxisModes());
  AddList(out, "kScheduleEnds", ScheduleEnds());
  AddList(out, "kQuantities", Quantities());
  AddList(out, "kStagePrompts", StagePrompts());
  AddList(out, "kElapsedFormats", ElapsedFormats());
  AddList(out, "kFileFields", FileFields());
  AddList(out, "kCommonGasTable", kCommonGasTable);
  AddList(out, "kZ40GasTable", kZ40GasTable);

  AddNamed(out, "main_window_texts", AllMainWindowTexts());
  AddNamed(out, "command_texts", AllCommandTexts());
  AddNamed(out, "dialog_texts", AllDialogTexts());
  AddNamed(out, "graduation_texts", AllGraduationTexts());
  AddNamed(out, "file_texts", AllFileTexts());
  AddNamed(out, "message_texts", AllMessageTexts());
  AddNamed(out, "traffic_texts", AllTrafficTexts());
  AddNamed(out, "report_texts", AllReportTexts());
  AddNamed(out, "flow_texts", AllFlowTexts());
  AddNamed(out, "ctl_texts", AllCtlTexts());
  AddNamed(out, "reader_texts", AllReaderTexts());
  AddNamed(out, "autopilot_texts", AllAutopilotTexts());
  AddNamed(out, "chamber_texts", AllChamberTexts());

  // Tables other parts of the program own; listed by name, so an entry added
  // there needs adding here as well.
  static const TextEntry* const kLinkTexts[] = {
      &kPortWord,       &kNotOpen,       &kNotConfigured, &kRecorded,    &kWriteFailed,
      &kWriteException, &kWriteNoAnswer, &kCheckNoAnswer, &kCheckFailed, &kDeviceWord,
      &kWaitingForDevice, &kEchoHeard, &kEchoMissing, &kReadBackDiffers, &kReadBackRegister, &kLineBusy,
      &kLineBusyBy};
  AddNamed(out, "link_texts", kLinkTexts);
  AddList(out, "link_texts exceptions", ExceptionEntries());
  static const TextEntry* const kDecodingTexts[] = {&kNoValue, &kNoLatching, &kLatching, &kNonFm, &kFm};
  AddNamed(out, "decoding_texts", kDecodingTexts);
  AddList(out, "decoding_texts kFlagLetters", kFlagLetters);
  static const TextEntry* const kConfigTexts[] = {&kExtrapolationComment};
  AddNamed(out, "config_texts", kConfigTexts);
  return out;
}

}  // namespace kvl::txt
