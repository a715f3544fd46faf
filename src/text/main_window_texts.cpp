#include "text/main_window_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_MAIN_WINDOW_TEXTS(X)                                                                    \
  X(kWindowTitle, "KVELT  graduation & calibration", "Градуировка  и  калибровка  датчиков  КВЕЛТ", \
    "KVELT  graduacio'n y calibracio'n")                                                            \
  X(kPortCom, "Port COM", "Порт COM", "Puerto COM")                                                 \
  X(kBaudRate, "Baud rate", "Скорость", "Velocidad")                                                \
  X(kPauseMs, "Pause,ms", "Пауза, мс", "Pausa,ms")                                                  \
  X(kMode, "Mode", "Режим", "Modo")                                                                 \
  X(kKveltType, "KVELT type", "Тип КВЕЛТ", "")                                                      \
  X(kPeriodSec, "Period, sec", "Период, сек", "Peri'odo, seg")                                      \
  X(kResponses, "Responses", "    Ответы", "Respuestas")                                            \
  X(kRequests, "  Requests", "   Запросы", "")                                                      \
  X(kRecordedCount, "Recorded", "Записано", "Registrado")                                           \
  X(kStepForRelayTest, "Step for relay test", "Шаг теста реле", "")                                 \
  X(kEnterPasswordButton, "Enter password", "Ввести пароль", "")                                    \
  X(kTuning, "Tuning", "Настройка", "")                                                             \
  X(kStage, "Stage", "Этап", "")                                                                    \
  X(kDone, "   Done", "   Готово", "")                                                              \
  X(kReadFromFile, "   Read from file", "   Прочитать из файла", "")                                \
  X(kReadFromTab, "Read from tab", "Прочитать из tab", "")                                          \
  X(kDataFolder, "   Data folder", "   Папка данных", "")                                           \
  X(kSensors, "Sensors", "Датчики", "")                                                             \
  X(kChamber, "Chamber", "Камера", "")                                                              \
  X(kValves, "Valves", "Клапаны", "")                                                               \
  X(kHart, "HART", "HART", "")                                                                      \
  X(kUsePropane, "Use propane", "Пересчёт по пропану", "")                                          \
  X(kVolPercentUnit, "vol.%", "об.%", "")                                                           \
  X(kConvertingCoef, "Converting coef.", "Коэфф. пересчёта", "")                                    \
  X(kLimits, "Limits", "Пороги", "")                                                                \
  X(kTEquals, "T=", "T=", "")                                                                       \
  X(kModbusNumber, "Modbus #", "№ Modbus", "Direccio'n")                                            \
  X(kSerialNumber, "Serial #", "Заводской №", "Nu'mero de fabricacio'n")                            \
  X(kFirmware, "Firmware", "Версия ПО", "")                                                         \
  X(kGas, "Gas", "Газ", "")                                                                         \
  X(kDisconnections, "Disconnections", "Обрывы связи", "")                                          \
  X(kMinCrosses, "Min crosses", "Пересеч. мин", "")                                                 \
  X(kMaxCrosses, "Max crosses", "Пересеч. макс", "")                                                \
  X(kFlags, "Flags", "Флаги", "")                                                                   \
  X(kBadGraduation, "Bad graduation", "Плохая градуир.", "")                                        \
  X(kZeroShift, "Zero shift", "Смещение нуля", "")                                                  \
  X(kVolumePercent, "Volume %", "Объёмн. %", "")                                                    \
  X(kMilliamps, "mA", "мА", "")                                                                     \
  X(kLelVol, "LEL / Vol%", "НКПР / об.%", "")                                                       \
  X(kSetZero, "Set 0", "Установка 0", "")                                                           \
  X(kMainCalibr, "Main calibr.", "Осн. калибр.", "")                                                \
  X(kAddCalibr, "Add. calibr.", "Доп. калибр.", "")                                                 \
  X(kMagnCalibr, "Magn. calibr.", "Магн. калибр.", "")                                              \
  X(kFactoryDefaults, "Factory defaults", "Заводские настр.", "")                                   \
  X(kSwitchToHart, "Switch to HART", "Перейти на HART", "")                                         \
  X(kGradRecalc, "Grad. recalc.", "Пересчёт град.", "")                                             \
  X(kSettToFile, "Sett. to file", "Настр. в файл", "")                                              \
  X(kSettFromFile, "Sett. from file", "Настр. из файла", "")                                        \
  X(kCompareSett, "Compare sett.", "Сравнить настр.", "")                                           \
  X(kLimit1, "Limit 1", "Порог 1", "Li'mite 1")                                                     \
  X(kLimit2, "Limit 2", "Порог 2", "")                                                              \
  X(kPEmitter, "P emitter", "P излуч.", "")                                                         \
  X(kHeatingLimit, "Heating limit", "Предел обогрева", "")                                          \
  X(kFlowLimit, "Flow limit", "Предел расхода", "")                                                 \
  X(kZeroingNegConc, "Zeroing conc<0", "Обнуление конц<0", "")                                      \
  X(kKur, "KUR", "KUR", "")                                                                         \
  X(kKuw, "KUW", "KUW", "")                                                                         \
  X(kRu6310Compl, "RU6310 compl.", "Соотв. RU6310", "")                                             \
  X(kFlowSpeed, "Flow speed", "Скорость потока", "")                                                \
  X(kRelay1, "Relay 1", "Реле 1", "Rele' 1")                                                        \
  X(kRelay2, "Relay 2", "Реле 2", "")                                                               \
  X(kCondition, "Condition", "Состояние", "")                                                       \
  X(kLatching1, "Latching 1", "Фиксация 1", "")                                                     \
  X(kLatching2, "Latching 2", "Фиксация 2", "")                                                     \
  X(kCv, "CV", "CV", "")                                                                            \
  X(kCvVol, "CV_VOL", "CV_VOL", "")                                                                 \
  X(kShowNegConc, "Show conc<0", "Показ конц<0", "")                                                \
  X(kDegreesC, "°C", "°C", "")                                                                      \
  X(kRelayTest, "Relay test", "Тест реле", "")                                                      \
  X(kRelayTestOn, "On", "Включен", "")                                                              \
  X(kOnShort, "On", "", "Act.")                                                                     \
  X(kOffShort, "Off", "", "Desact.")                                                                \
  X(kGradChar, "GradChar", "Град. хар.", "")                                                        \
  X(kGrid, "Grid", "Сетка", "")                                                                     \
  X(kClear, "Clear", "Очистить", "")                                                                \
  X(kFOfN, "f(N)", "f(N)", "")                                                                      \
  X(kFOfT, "f(T)", "f(T)", "")                                                                      \
  X(kMenuClose, "Close", "Закрыть", "")                                                             \
  X(kMenuMove, "Move", "Переместить", "")                                                           \
  X(kMenuMinimize, "Minimize", "Свернуть", "")                                                      \
  X(kMenuMaximize, "Maximize", "Развернуть", "")                                                    \
  X(kMenuRestore, "Restore", "Восстановить", "")                                                    \
  X(kMenuSize, "Size", "Размер", "")                                                                \
  X(kMenuAbout, "About...", "О программе...", "")                                                   \
  X(kScheduleTip, "Recording schedule...", "Расписание записи...", "")                               \
  X(kUnknownGas, "Unknown gas", "Неизвестный газ", "")

KVL_MAIN_WINDOW_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_MAIN_WINDOW_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllMainWindowTexts() {
  return kAll;
}

#undef KVL_MAIN_WINDOW_TEXTS

}  // namespace kvl::txt
