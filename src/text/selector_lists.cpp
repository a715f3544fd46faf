#include "text/selector_lists.h"

namespace kvl {

const TextEntry kDetectorTypes[5] = {
    {{"KVELT", "КВЕЛТ", "KVELT"}},
    {{"Z", "З", "Z"}},
    {{"", "", ""}},
    {{"Z40", "З40", "Z40"}},
    {{"Z5", "З5", "Z5"}},
};

const TextEntry kOperatingModes[7] = {
    {{"Tuning", "Настройка", ""}},
    {{"Calibration", "Калибровка", "Calibracio'n"}},
    {{"Graduation", "Градуировка", ""}},
    {{"Graduation-Z5", "Градуировка-Z5", "Graduacio'n-Z5"}},
    {{"Running-in", "Прогон", ""}},
    {{"Save settings", "Сохранение настроек", ""}},
    {{"Imitation", "Имитация", ""}},
};

const TextEntry kLanguageNames[3] = {
    {{"English", "English", "English"}},
    {{"Russian", "Russian", "Russian"}},
    {{"Spanish", "Spanish", "Spanish"}},
};

const TextEntry kStageControl[2] = {
    {{"Manually", "Вручную", ""}},
    {{"Auto", "Автоматически", ""}},
};

const TextEntry kSearchButton[2] = {
    {{"Search", "Искать", "Buscar"}},
    {{"Stop", "Остановить", "Parar"}},
};

const TextEntry kRecordingButton[2] = {
    {{"Start recording", "Начать запись", ""}},
    {{"Stop recording", "Закончить запись", ""}},
};

const TextEntry kGraduationButton[2] = {
    {{"   Start graduation", "   Начать градуировку", ""}},
    {{"   Stop graduation", "   Остановить градуировку", ""}},
};

const TextEntry kConcentrationKinds[2] = {
    {{"Main conc.", "Осн. конц.", ""}},
    {{"Add. conc.", "Доп. конц.", ""}},
};

const TextEntry kLimitKinds[2] = {
    {{"Min", "Мин", ""}},
    {{"Max", "Макс", ""}},
};

const TextEntry kSwitchesLower[2] = {
    {{"disable", "запрещено", ""}},
    {{"enable", "разрешено", ""}},
};

const TextEntry kSwitchesUpper[2] = {
    {{"Disable", "Запрещено", ""}},
    {{"Enable", "Разрешено", ""}},
};

const TextEntry kGasMixtures[3] = {
    {{"nul", "нул", ""}},
    {{"med", "сред", ""}},
    {{"max", "макс", ""}},
};

const TextEntry kAxisModes[2] = {
    {{"Auto", "Автоматически", ""}},
    {{"Manual", "Вручную", ""}},
};

const TextEntry kScheduleEnds[2] = {
    {{"Start", "Начало", ""}},
    {{"Stop", "Конец", ""}},
};

const TextEntry kQuantities[kQuantityCount] = {
    {{"LEL%", "%НКПР", "LIE%"}},
    {{"T", "T", "T"}},
    {{"D", "D", "D"}},
    {{"W", "W", "W"}},
    {{"R", "R", "R"}},
    {{"Dm", "Dприв", "Dm"}},
    {{"Wo", "Wисх", "Wo"}},
    {{"Ro", "Rисх", "Ro"}},
    {{"P heat", "P обогр", "P"}},
};

const TextEntry kStagePrompts[kStagePromptCount] = {
    {{"Set the temperature of %+d°C. Wait for the stabilization.",
      "Выставите температуру %+d°C. Дождитесь стабилизации.", ""}},
    {{"Setting the temperature of %+d°C. Waiting for the stabilization.",
      "Установка температуры %+d°C. Ожидание стабилизации.", ""}},
    {{"%+d°C. Feed the zero gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте нулевую ПГС. Дождитесь стабилизации.", ""}},
    {{"%+d°C. Zero gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача нулевой ПГС. Ожидание стабилизации.", ""}},
    {{"%+d°C. Feed the high gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте высокую ПГС. Дождитесь стабилизации.", ""}},
    {{"%+d°C. High gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача высокой ПГС. Ожидание стабилизации.", ""}},
    {{"%+d°C. Feed the middle gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте среднюю ПГС. Дождитесь стабилизации.", ""}},
    {{"%+d°C. Middle gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача средней ПГС. Ожидание стабилизации.", ""}},
};

const TextEntry kElapsedFormats[4] = {
    {{"%lu", "%lu", "%lu"}},
    {{"%lu:%lu", "%lu:%lu", "%lu:%lu"}},
    {{"%lu:%lu:%lu", "%lu:%lu:%lu", "%lu:%lu:%lu"}},
    {{"%lu:%lu:%lu:%lu:%lu", "%lu:%lu:%lu:%lu:%lu", "%lu:%lu:%lu:%lu:%lu"}},
};

const TextEntry kFileFields[kFileFieldCount] = {
    {{"Device=", "Прибор=", "="}},
    {{"Serial_number=", "Заводской_номер=", "Numero_de_fabrica="}},
    {{"Modbus_number=", "Номер_устройства_Modbus=", "Modbus_numero="}},
    {{"Gas=", "Газ=", "Gas="}},
    {{"Power=", "Power=", "Power="}},
    {{"KUR=", "KUR=", "KUR="}},
    {{"KUW=", "KUW=", "KUW="}},
};

TextList DetectorTypes() { return kDetectorTypes; }
TextList OperatingModes() { return kOperatingModes; }
TextList LanguageNames() { return kLanguageNames; }
TextList StageControl() { return kStageControl; }
TextList SearchButton() { return kSearchButton; }
TextList RecordingButton() { return kRecordingButton; }
TextList GraduationButton() { return kGraduationButton; }
TextList ConcentrationKinds() { return kConcentrationKinds; }
TextList LimitKinds() { return kLimitKinds; }
TextList SwitchesLower() { return kSwitchesLower; }
TextList SwitchesUpper() { return kSwitchesUpper; }
TextList GasMixtures() { return kGasMixtures; }
TextList AxisModes() { return kAxisModes; }
TextList ScheduleEnds() { return kScheduleEnds; }
TextList Quantities() { return kQuantities; }
TextList StagePrompts() { return kStagePrompts; }
TextList ElapsedFormats() { return kElapsedFormats; }
TextList FileFields() { return kFileFields; }

int StagePromptIndex(int step, bool automatic) {
  const int kind = step == 4 ? 1 : (step >= 0 && step <= 3 ? step : 0);
  return 2 * kind + (automatic ? 1 : 0);
}

}  // namespace kvl
