#include "text/report_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_REPORT_TEXTS(X)                                                                                     \
  X(kReportTitle, "Graduation report", "Протокол градуировки", "")                                              \
  X(kReportSerial, "Serial number", "Заводской номер", "")                                                      \
  X(kReportAddress, "Modbus address", "Адрес Modbus", "")                                                       \
  X(kReportType, "Type", "Тип", "")                                                                             \
  X(kReportGas, "Gas", "Газ", "")                                                                               \
  X(kReportDate, "Date and time", "Дата и время", "")                                                           \
  X(kReportVersion, "Program version", "Версия программы", "")                                                  \
  X(kReportInputFiles, "Input files", "Исходные файлы", "")                                                     \
  X(kReportFile, "File", "Файл", "")                                                                            \
  X(kReportLines, "Samples", "Отсчёты", "")                                                                             \
  X(kReportTimeSpan, "Time", "Время", "")                                                                       \
  X(kReportTSpan, "Temperature", "Температура", "")                                                             \
  X(kReportCheck, "Check", "Проверка", "")                                                                      \
  X(kReportFilePassed, "passed", "в норме", "")                                                                 \
  X(kReportFileInvalid, "a value outside the display limits", "значение вне пределов отображения", "")          \
  X(kReportFileFailed, "temperatures outside the check limits", "температуры вне пределов проверки", "")        \
  X(kReportCheckText, "Check report", "Отчёт проверки", "")                                                     \
  X(kReportTable, "Graduation table", "Градуировочная таблица", "")                                             \
  X(kReportTableFrom, "from file", "по файлу", "")                                                              \
  X(kReportPoint, "Point", "Точка", "")                                                                         \
  X(kReportExtrapolated, "extrapolated", "экстраполирована", "")                                                \
  X(kReportFit, "Fit of the table to the data", "Соответствие таблицы данным", "")                              \
  X(kReportChannel, "Channel", "Канал", "")                                                                     \
  X(kReportInterval, "Interval", "Интервал", "")                                                                \
  X(kReportSamples, "Samples", "Отсчётов", "")                                                                  \
  X(kReportMaxDiff, "Largest difference, units", "Наибольшее отклонение, ед.", "")                              \
  X(kReportRms, "RMS difference, units", "Среднеквадратичное отклонение, ед.", "")                              \
  X(kReportWholeRange, "whole range", "весь диапазон", "")                                                      \
  X(kReportPlot, "Samples and table, channel", "Отсчёты и таблица, канал", "")                                  \
  X(kReportRegisters, "Register blocks", "Блоки регистров", "")                                                 \
  X(kReportRegister, "Register", "Регистр", "")                                                                 \
  X(kReportWords, "Words", "Слова", "")                                                                         \
  X(kReportWriteState, "Written to the detector", "Запись в прибор", "")                                        \
  X(kReportNotWritten, "not written", "не записано", "")                                                        \
  X(kReportWriteFailed, "write failed", "запись не выполнена", "")                                              \
  X(kReportVerified, "verified", "проверено", "")                                                               \
  X(kReportDiffers, "registers read back differ", "прочитанные регистры отличаются", "")                        \
  X(kReportNotChecked, "written, not read back", "записано, не прочитано", "")                                  \
  X(kReportPending, "being written", "записывается", "")                                                        \
  X(kSummaryTitle, "Graduation summary", "Сводка градуировки", "")                                              \
  X(kSummaryTable, "Table", "Таблица", "")                                                                      \
  X(kSummaryCalculated, "calculated", "рассчитана", "")                                                         \
  X(kSummaryNotConfirmed, "not calculated (declined)", "не рассчитана (отказ)", "")                             \
  X(kSummaryReport, "Report", "Протокол", "")                                                                   \
  X(kSummaryWrite, "Write", "Запись", "")                                                                       \
  X(kReportVerdictVerified, "Table written and verified", "Таблица записана и проверена", "")                  \
  X(kReportVerdictDiffers, "Table written, read-back differs", "Таблица записана, прочитанное отличается", "")  \
  X(kReportVerdictNotChecked, "Table written, not read back", "Таблица записана, не прочитана", "")             \
  X(kReportVerdictPending, "Table being written", "Таблица записывается", "")                                  \
  X(kReportVerdictNotWritten, "Table not written", "Таблица не записана", "")                                  \
  X(kReportVerdictCalculated, "Table calculated only, not sent to the detector",                                \
    "Таблица только рассчитана, в прибор не отправлялась", "")                                                  \
  X(kReportVerdictNotCalculated, "Table not calculated", "Таблица не рассчитана", "")                          \
  X(kReportWithin, "Every sample (%zu) lies within deltaDmax = %d of the table",                               \
    "Все отсчёты (%zu) в пределах deltaDmax = %d от таблицы", "")                                              \
  X(kReportBeyond, "%zu of %zu samples lie farther than deltaDmax = %d from the table",                         \
    "%zu из %zu отсчётов дальше deltaDmax = %d от таблицы", "")                                                 \
  X(kReportGasLeftOut, "; %zu samples recorded while the run fed gas are left out",                          \
    "; %zu отсчётов, записанных при подаче газа, не учтены", "")                                                \
  X(kReportStation, "Station", "Рабочее место", "")                                                             \
  X(kReportOperator, "Operator", "Оператор", "")                                                                \
  X(kReportCalculatedBy, "Calculated by", "Рассчитал", "")                                                      \
  X(kReportCheckedBy, "Checked by", "Проверил", "")                                                             \
  X(kReportSignDate, "Date", "Дата", "")                                                                        \
  X(kReportDuration, "Duration", "Длительность", "")                                                            \
  X(kReportHours, "%lld h %02lld min %02lld s", "%lld ч %02lld мин %02lld с", "")                               \
  X(kReportBelow, "below T[0] (< %d)", "ниже T[0] (< %d)", "")                                                 \
  X(kReportAbove, "above T[7] (> %d)", "выше T[7] (> %d)", "")                                                 \
  X(kReportBeyondHead, "Beyond deltaDmax", "Дальше deltaDmax", "")                                              \
  X(kReportDiffPlot, "Difference from the table, channel", "Отклонение от таблицы, канал", "")                  \
  X(kReportReadBack, "Registers read back", "Прочитанные регистры", "")                                         \
  X(kReportWrittenWord, "Written", "Записано", "")                                                              \
  X(kReportReadWord, "Read", "Прочитано", "")                                                                   \
  X(kReportFailPortClosed, "the line was not open", "линия не открыта", "")                                     \
  X(kReportFailNoAnswer, "no answer from the detector", "нет ответа от прибора", "")                            \
  X(kReportFailException, "the detector answered exception %u (%s)", "прибор ответил исключением %u (%s)", "")  \
  X(kReportFailWrongAnswer, "a wrong answer from the detector", "неверный ответ прибора", "")                   \
  X(kReportFailCheckNoAnswer, "written, but no answer to the check read",                                       \
    "записано, но нет ответа на контрольное чтение", "")                                                        \
  X(kReportFailCheckFailed, "written, but the check read failed", "записано, но контрольное чтение не выполнено", "") \
  X(kReportFailRefused, "the block cannot be sent", "блок нельзя отправить", "")                                \
  X(kReportFailAt, "%s (register %u; %d of %zu writes failed)",                                                \
    "%s (регистр %u; не выполнено записей: %d из %zu)", "")                                                    \
  X(kReportWhyDeclined, "the operator declined the write", "оператор отказался от записи", "")                  \
  X(kReportWhyAddress, "no Modbus address 1..255 in the file", "в файле нет адреса Modbus 1..255", "")         \
  X(kReportWhyStopped, "stopped before the write", "остановлено до записи", "")                                \
  X(kReportLinesUsed, "%zu used, of %zu lines, %zu left out while gas flowed",                                 \
    "использовано %zu из %zu строк, %zu не учтены при подаче газа", "")                                         \
  X(kReportUnits, "units", "ед.", "")                                                                            \
  X(kReportRunMode, "Run", "Прогон", "")                                                                         \
  X(kReportConcentrations, "Gas concentrations", "Концентрации ПГС", "")                                         \
  X(kReportConcValues, "medium %s vol.%%, high %s vol.%%", "средняя %s об.%%, высокая %s об.%%", "")              \
  X(kReportChamberProfile, "Chamber profile", "Профиль камеры", "")                                             \
  X(kReportStabilization, "Stabilisation time", "Время стабилизации", "")                                       \
  X(kReportFactorsFrom, "Power, KUR, KUW from", "Power, KUR, KUW из", "")                                        \
  X(kReportFactorsFile, "the run data file's header", "заголовка файла данных", "")                              \
  X(kReportFactorsRow, "the detector's row (Graduation-Z5)", "строки прибора (Graduation-Z5)", "")              \
  X(kReportWrittenAt, "Written at", "Записано", "")                                                             \
  X(kReportNotYet, "not written", "не записано", "")                                                             \
  X(kReportStages, "Stages of the run", "Этапы прогона", "")                                                     \
  X(kReportStage, "Stage", "Этап", "")                                                                           \
  X(kReportSetPoint, "Set point, °C", "Уставка, °C", "")                                                        \
  X(kReportStep, "Step confirmed", "Подтверждён шаг", "")                                                       \
  X(kReportChamberT, "Chamber, °C", "Камера, °C", "")                                                           \
  X(kReportDetectorT, "Detector T", "T прибора", "")                                                            \
  X(kReportStepTemperature, "temperature", "температура", "")                                                    \
  X(kReportStepZero, "zero gas", "нулевой газ", "")                                                              \
  X(kReportStepHigh, "high mixture", "высокая ПГС", "")                                                          \
  X(kReportStepMiddle, "medium mixture", "средняя ПГС", "")                                                      \
  X(kReportStepZeroAgain, "zero gas again", "нулевой газ снова", "")                                             \
  X(kReportCaptured, "Captured points (graduation log)", "Снятые точки (журнал градуировки)", "")               \
  X(kReportStageC, "Stage, °C", "Этап, °C", "")                                                                  \
  X(kReportWhyFar, "held back: samples lie farther than deltaDmax=%d from the table",                           \
    "отложена: отсчёты дальше deltaDmax=%d от таблицы", "")                                                     \
  X(kSummaryVerdict, "%zu of %zu tables written and verified", "Записано и проверено таблиц: %zu из %zu", "")

KVL_REPORT_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_REPORT_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllReportTexts() { return kAll; }

#undef KVL_REPORT_TEXTS

}  // namespace kvl::txt
