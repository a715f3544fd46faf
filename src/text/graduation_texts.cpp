#include "text/graduation_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_GRADUATION_TEXTS(X)                                                                             \
  X(kStartGraduationPrompt, "Start graduation from the specified temperature\nin the specified mode",       \
    "Начать градуировку с указанной температуры\nв указанном режиме", "")                                   \
  X(kBegin, "Begin", "Начать", "")                                                                          \
  X(kWithoutGas, "Without gas", "Без газа", "")                                                             \
  X(kWithoutDelay, "Without delay", "Без выдержки", "")                                                     \
  X(kOneGasForGraduation, "For graduation all sensors should have one type of gas",                         \
    "У всех градуируемых датчиков должен быть один тип газа", "")                                           \
  X(kIllegalConcOrLelConc, "Illegal concentration\nor LELCONC register value in devices:",                  \
    "Неправильное значение концентрации\nили регистра LELCONC приборов:", "")                               \
  X(kFactorsWillBeRecorded, "The following factors will be recorded:\n",                                    \
    "Будут записаны следующие коэффициенты:\n", "")                                                         \
  X(kGraduationCompleted, "Graduation is completed", "Градуировка завершена", "")                           \
  X(k35MinutesElapsed, "35 minutes have elapsed", "Прошло 35 минут", "")                                    \
  X(kRecordingToDevice, "Recording to device . . . . .", "Запись в прибор . . . . .", "")                   \
  X(kSelectDataFiles, " Select data file(s) for graduation",                                                \
    " Выберите файл(ы) с исходными данными для градуировки", "")                                            \
  X(kTooManySerials,                                                                                        \
    "Too many serial numbers are selected, max=", "Слишком много заводских номеров выбрано, максимум=", "") \
  X(kSensor, "Sensor", "Датчик", "")                                                                        \
  X(kNorm, "norm", "норма", "")                                                                             \
  X(kDataAreNormal, "data are normal", "данные в норме", "")                                                \
  X(kPowerNotFound, "Power value not found", "Значение мощности излучателя не найдено", "")                 \
  X(kKurNotFound, "KUR value not found", "Значение KUR не найдено", "")                                     \
  X(kKuwNotFound, "KUW value not found", "Значение KUW не найдено", "")                                     \
  X(kDataNotFoundInFile, "Data not found in the file", "Данные в файле не найдены", "")                     \
  X(kValidGasNotFound, "Valid gas type not found in the file", "Правильный тип газа не найден в файле", "") \
  X(kCalculateTableForSensor, "Calculate graduation table for sensor",                                      \
    "Рассчитать градуировочную таблицу для датчика", "")                                                    \
  X(kWriteTableToDevice, "Write the graduation table to device? ",                                          \
    "Записать градуировочную таблицу в прибор? ", "")                                                       \
  X(kMinTemperatureFar, "Minimum temperature in cu\nis far from its typical value.",                        \
    "Минимальная температура в у.е.\nдалека от типового значения.", "")                                     \
  X(kMaxTemperatureFar, "Maximum temperature in cu\nis far from its typical value.",                        \
    "Максимальная температура в у.е.\nдалека от типового значения.", "")                                    \
  X(kSelectTabFile, " Select .tab file for recording to device", " Выберите файл .tab для записи в прибор", \
    "")                                                                                                     \
  X(kFolderInUse, "the data folder %s is in use by another graduation: process %lu on %s",                  \
    "папка данных %s занята другой градуировкой: процесс %lu на %s", "")                                     \
  X(kFolderTakenOver, "the data folder %s was locked by process %lu on %s, which has ended; its lock is taken over", \
    "папку данных %s занимал процесс %lu на %s, он завершён; папка занята заново", "")                      \
  X(kFolderOtherHost,                                                                                       \
    "the data folder %s is locked by process %lu on %s, which cannot be checked from here; "                \
    "if that graduation has ended, delete %s",                                                              \
    "папку данных %s занимает процесс %lu на %s, его отсюда не проверить; "                                  \
    "если та градуировка завершена, удалите %s", "")                                                        \
  X(kFolderNotLocked, "cannot lock the data folder %s: %s", "не удаётся занять папку данных %s: %s", "")

KVL_GRADUATION_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_GRADUATION_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllGraduationTexts() {
  return kAll;
}

#undef KVL_GRADUATION_TEXTS

}  // namespace kvl::txt
