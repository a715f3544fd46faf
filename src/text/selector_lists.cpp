#include "text/selector_lists.h"

namespace kvl {

const TextEntry kDetectorTypes[5] = {
    {{"KVELT", "КВЕЛТ", "KVELT"}},  // 0
    {{"Z", "З", "Z"}},              // 1
    {{"", "", ""}},                 // 2
    {{"Z40", "З40", "Z40"}},        // 3
    {{"Z5", "З5", "Z5"}},           // 4
};

const TextEntry kOperatingModes[7] = {
    {{"Tuning", "Настройка", ""}},                            // 0
    {{"Calibration", "Калибровка", "Calibracio'n"}},          // 1
    {{"Graduation", "Градуировка", ""}},                      // 2
    {{"Graduation-Z5", "Градуировка-Z5", "Graduacio'n-Z5"}},  // 3
    {{"Running-in", "Прогон", ""}},                           // 4
    {{"Save settings", "Сохранение настроек", ""}},           // 5
    {{"Imitation", "Имитация", ""}},                          // 6
};

const TextEntry kLanguageNames[3] = {
    {{"English", "English", "English"}},  // 0
    {{"Russian", "Russian", "Russian"}},  // 1
    {{"Spanish", "Spanish", "Spanish"}},  // 2
};

const TextEntry kStageControl[2] = {
    {{"Manually", "Вручную", ""}},    // 0
    {{"Auto", "Автоматически", ""}},  // 1
};

const TextEntry kSearchButton[2] = {
    {{"Search", "Искать", "Buscar"}},   // 0
    {{"Stop", "Остановить", "Parar"}},  // 1
};

const TextEntry kRecordingButton[2] = {
    {{"Start recording", "Начать запись", ""}},    // 0
    {{"Stop recording", "Закончить запись", ""}},  // 1
};

const TextEntry kGraduationButton[2] = {
    {{"   Start graduation", "   Начать градуировку", ""}},     // 0
    {{"   Stop graduation", "   Остановить градуировку", ""}},  // 1
};

const TextEntry kConcentrationKinds[2] = {
    {{"Main conc.", "Осн. конц.", ""}},  // 0
    {{"Add. conc.", "Доп. конц.", ""}},  // 1
};

const TextEntry kLimitKinds[2] = {
    {{"Min", "Мин", ""}},   // 0
    {{"Max", "Макс", ""}},  // 1
};

const TextEntry kSwitchesLower[2] = {
    {{"disable", "запрещено", ""}},  // 0
    {{"enable", "разрешено", ""}},   // 1
};

const TextEntry kSwitchesUpper[2] = {
    {{"Disable", "Запрещён", ""}},  // 0
    {{"Enable", "Разрешён", ""}},   // 1
};

const TextEntry kGasMixtures[3] = {
    {{"nul", "нул", ""}},   // 0
    {{"med", "сред", ""}},  // 1
    {{"max", "макс", ""}},  // 2
};

const TextEntry kAxisModes[2] = {
    {{"Auto", "Автоматически", ""}},  // 0
    {{"Manual", "Вручную", ""}},      // 1
};

const TextEntry kScheduleEnds[2] = {
    {{"Start", "Начало", ""}},  // 0
    {{"Stop", "Конец", ""}},    // 1
};

const TextEntry kQuantities[kQuantityCount] = {
    {{"LEL%", "%НКПР", "LIE%"}},   // 0
    {{"T", "T", "T"}},             // 1
    {{"D", "D", "D"}},             // 2
    {{"W", "W", "W"}},             // 3
    {{"R", "R", "R"}},             // 4
    {{"Dm", "Dприв", "Dm"}},       // 5
    {{"Wo", "Wисх", "Wo"}},        // 6
    {{"Ro", "Rисх", "Ro"}},        // 7
    {{"P heat", "P обогр", "P"}},  // 8
};

const TextEntry kStagePrompts[kStagePromptCount] = {
    {{"Set the temperature of %+d°C. Wait for the stabilization.",
      "Выставите температуру %+d°C. Дождитесь стабилизации.", ""}},  // 0
    {{"Setting the temperature of %+d°C. Waiting for the stabilization.",
      "Установка температуры %+d°C. Ожидание стабилизации.", ""}},  // 1
    {{"%+d°C. Feed the zero gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте нулевую ПГС. Дождитесь стабилизации.", ""}},  // 2
    {{"%+d°C. Zero gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача нулевой ПГС. Ожидание стабилизации.", ""}},  // 3
    {{"%+d°C. Feed the high gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте высокую ПГС. Дождитесь стабилизации.", ""}},  // 4
    {{"%+d°C. High gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача высокой ПГС. Ожидание стабилизации.", ""}},  // 5
    {{"%+d°C. Feed the middle gas mixture. Wait for the stabilization.",
      "%+d°C. Подайте среднюю ПГС. Дождитесь стабилизации.", ""}},  // 6
    {{"%+d°C. Middle gas mixture feeding. Waiting for the stabilization.",
      "%+d°C. Подача средней ПГС. Ожидание стабилизации.", ""}},  // 7
};

const TextEntry kElapsedFormats[4] = {
    {{"%lu", "%lu", "%lu"}},                                                  // 0
    {{"%lu:%lu", "%lu:%lu", "%lu:%lu"}},                                      // 1
    {{"%lu:%lu:%lu", "%lu:%lu:%lu", "%lu:%lu:%lu"}},                          // 2
    {{"%lu:%lu:%lu:%lu:%lu", "%lu:%lu:%lu:%lu:%lu", "%lu:%lu:%lu:%lu:%lu"}},  // 3
};

const TextEntry kFileFields[kFileFieldCount] = {
    {{"Device=", "Прибор=", "="}},                                       // 0
    {{"Serial_number=", "Заводской_номер=", "Numero_de_fabrica="}},      // 1
    {{"Modbus_number=", "Номер_устройства_Modbus=", "Modbus_numero="}},  // 2
    {{"Gas=", "Газ=", "Gas="}},                                          // 3
    {{"Power=", "Power=", "Power="}},                                    // 4
    {{"KUR=", "KUR=", "KUR="}},                                          // 5
    {{"KUW=", "KUW=", "KUW="}},                                          // 6
};

TextList DetectorTypes() {
  return kDetectorTypes;
}
TextList OperatingModes() {
  return kOperatingModes;
}
TextList LanguageNames() {
  return kLanguageNames;
}
TextList StageControl() {
  return kStageControl;
}
TextList SearchButton() {
  return kSearchButton;
}
TextList RecordingButton() {
  return kRecordingButton;
}
TextList GraduationButton() {
  return kGraduationButton;
}
TextList ConcentrationKinds() {
  return kConcentrationKinds;
}
TextList LimitKinds() {
  return kLimitKinds;
}
TextList SwitchesLower() {
  return kSwitchesLower;
}
TextList SwitchesUpper() {
  return kSwitchesUpper;
}
TextList GasMixtures() {
  return kGasMixtures;
}
TextList AxisModes() {
  return kAxisModes;
}
TextList ScheduleEnds() {
  return kScheduleEnds;
}
TextList Quantities() {
  return kQuantities;
}
TextList StagePrompts() {
  return kStagePrompts;
}
TextList ElapsedFormats() {
  return kElapsedFormats;
}
TextList FileFields() {
  return kFileFields;
}

int StagePromptIndex(int step, bool automatic) {
  const int kind = step == 4 ? 1 : (step >= 0 && step <= 3 ? step : 0);
  return 2 * kind + (automatic ? 1 : 0);
}

}  // namespace kvl
