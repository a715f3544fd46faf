#include "enter_dialog_samples.h"

#include "text/command_texts.h"
#include "text/dialog_texts.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/selector_lists.h"
#include "ui/dialogs/enter_1_edit.h"
#include "ui/dialogs/enter_1_edit_1_checkbox.h"
#include "ui/dialogs/enter_2_combo_2_check.h"
#include "ui/dialogs/enter_2_edit.h"
#include "ui/dialogs/enter_4_button.h"
#include "ui/dialogs/enter_axis.h"
#include "ui/dialogs/enter_factory_number.h"
#include "ui/dialogs/enter_gas_name.h"
#include "ui/dialogs/enter_heat_limit.h"
#include "ui/dialogs/enter_limit.h"
#include "ui/dialogs/enter_schedule.h"
#include "ui/dialogs/enter_slave_number.h"
#include "ui/dialogs/enter_work_refer.h"

namespace kvl::test {

std::vector<SampleDialog> SampleDialogs(LanguageIndex l) {
  auto s = [l](const TextEntry& e) { return std::string(e(l)); };
  std::vector<SampleDialog> out;
  auto add = [&out](const char* name, CEnterDialog* dialog) { out.push_back({name, std::unique_ptr<CEnterDialog>(dialog)}); };

  add("enter_1_edit", new CEnter1Edit(s(txt::kEnterPasswordPrompt), l));
  add("enter_1_edit_1_checkbox", new CEnter1Edit1Checkbox(s(txt::kEnterEmitterCoef), "2048", l));

  CEnter2Combo2Check::Input start;
  start.prompt = s(txt::kStartGraduationPrompt) + ",\n" + s(txt::kAreYouSure) + "  ";
  start.firstItems = {"+50°C", "+40°C", "+20°C", "   0°C", "-10°C", "-20°C", "-40°C", "-60°C"};
  for (const TextEntry& e : kStageControl) start.secondItems.push_back(s(e));
  start.secondPosition = 1;
  start.firstCheck = s(txt::kWithoutDelay);
  start.secondCheck = s(txt::kWithoutGas);
  start.okCaption = s(txt::kBegin);
  add("enter_2_combo_2_check", new CEnter2Combo2Check(start, l));

  add("enter_2_edit", new CEnter2Edit("", "", l));
  add("enter_4_button", new CEnter4Button(s(txt::kCalibrationReset),
                                          {s(txt::kGraduationAndCalconc), s(txt::kMethane), s(txt::kPropane),
                                           s(txt::kCancel)},
                                          l));
  add("enter_axis", new CEnterAxis(false, 9000, l));
  add("enter_factory_number", new CEnterFactoryNumber(s(txt::kEnterNewSerial), "1234567", l));
  add("enter_gas_name", new CEnterGasName(s(txt::kSelectNewGas), 4, 38, l));
  add("enter_heat_limit", new CEnterHeatLimit(s(txt::kEnterHeatLimit), 1, 250, false, l));
  add("enter_limit", new CEnterLimit(s(txt::kEnterMagnConc), "2.2", l));

  ScheduleEntries entries;
  for (int e = 0; e < kScheduleEntries; ++e) {
    std::tm& t = entries[std::size_t(e)].time;
    t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 7 + e / 2, t.tm_hour = 8 + 9 * (e % 2), t.tm_min = 30;
    entries[std::size_t(e)].enabled = e != 5;
  }
  add("enter_schedule", new CEnterSchedule(s(txt::kEnterSchedule), entries, l));
  add("enter_slave_number", new CEnterSlaveNumber(s(txt::kEnterModbusSlaveNumber), "17", 3, l));
  add("enter_work_refer_z5_r", new CEnterWorkRefer(s(txt::kCorrectionReference), true, true, "", l));
  add("enter_work_refer_z5_w", new CEnterWorkRefer(s(txt::kCorrectionWorking), true, false, "", l));
  add("enter_work_refer_other", new CEnterWorkRefer(s(txt::kCorrectionWorking), false, false, "9500", l));
  return out;
}

}  // namespace kvl::test
