#include "text/command_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_COMMAND_TEXTS(X)                                                                                 \
  X(kEnterModbusSlaveNumber,                                                                                 \
    "Enter new Modbus slave number (1-247):", "Введите новый номер Modbus  (slave number)  от 1 до 247", "") \
  X(kEnterNewLimit, "Enter new Limit ", "Введите новое значение ", "")                                       \
  X(kLimitValueRange, " value  (1-100  LEL%):", " порога  (1-100 %НКПР):", "")                               \
  X(kEnterLelValue,                                                                                          \
    "Enter new LEL value (0.01-655.35 %vol.):", "Введите новое значение НКПР (0.01-655.35 %об.):", "")       \
  X(kEnterLelValueZ5,                                                                                        \
    "Enter new LEL value (0.001-65.535 %vol.):", "Введите новое значение НКПР (0.001-65.535 %об.):", "")     \
  X(kIllegalValueAbove655, "Illegal value (>655.35)", "Неправильное значение (>655.35)", "")                 \
  X(kIllegalValueAbove65, "Illegal value (>65.535)", "Неправильное значение (>65.535)", "")                  \
  X(kEnterMagnConc, "Enter new concentration value for magnetic calibration (0.001-32.767 %vol.):",          \
    "Введите новое значение концентрации для магнитной калибровки (0.001-32.767 %об.):", "")                 \
  X(kIllegalMagnConc, "Illegal concentration value for magnetic calibration",                                \
    "Неправильное значение концентрации для магнитной калибровки", "")                                       \
  X(kEnterHeatLimit, "Enter new heat limit value:", "Введите новое значение предела обогрева:", "")          \
  X(kIllegalHeatLimit, "Illegal heat limit value", "Неправильное значение предела обогрева", "")             \
  X(kEnterEmitterCoef, "Enter coefficient for emitter power control:",                                       \
    "Введите коэффициент для управления мощностью излучателя:", "")                                          \
  X(kEnterCorrectEmitterCoef, "Enter correct coefficient for emitter power control (0-4095):",               \
    "Введите правильный коэффициент\nдля управления мощностью излучателя\n(от 0 до 4095):", "")              \
  X(kPowerTuningMin, "Transmitter power tuning:\nthe minimum coefficient = 0 will be recorded",              \
    "Настройка мощности излучателя:\nбудет записан минимальный коэффициент = 0", "")                         \
  X(kPowerTuningMax, "Transmitter power tuning:\nthe maximum coefficient = 4095 will be recorded",           \
    "Настройка мощности излучателя:\nбудет записан максимальный коэффициент = 4095", "")                     \
  X(kEnterConcMainCalibration, "Enter concentration for main calibration",                                   \
    "Введите концентрацию для основной калибровки", "")                                                      \
  X(kEnterConcAddCalibration, "Enter concentration for additional calibration",                              \
    "Введите концентрацию для дополнительной калибровки", "")                                                \
  X(kCalibrationReset, "Calibration reset", "Сброс калибровки", "")                                          \
  X(kGraduationAndCalconc, "Graduation and CALCONC1,2", "Градуировка и CALCONC1,2", "")                      \
  X(kMethane, "Methane", "Метан", "Metano")                                                                  \
  X(kPropane, "Propane", "Пропан", "Propano")                                                                \
  X(kEnterNewSerial, "Enter new serial number:", "Введите новый заводской номер:", "")                       \
  X(kSelectNewGas, "Select new gas name:", "Выберите новый газ:", "")                                        \
  X(kCorrectionWorking, "Setting the correction factor for the working channel:",                            \
    "Установка поправочного коэффициента рабочего канала:", "")                                              \
  X(kCorrectionReference, "Setting the correction factor for the reference channel:",                        \
    "Установка поправочного коэффициента опорного канала:", "")                                              \
  X(kEnterNewConcentration, "Enter new concentration value:", "Введите новое значение концентрации:", "") \
  X(kPasswordRange, "Illegal value: a password from 0 to 65535", "Неправильное значение: пароль от 0 до 65535", "") \
  X(kPasswordTaken, "Password accepted, Modbus #:", "Пароль принят, № Modbus:", "")

KVL_COMMAND_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_COMMAND_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllCommandTexts() {
  return kAll;
}

#undef KVL_COMMAND_TEXTS

}  // namespace kvl::txt
