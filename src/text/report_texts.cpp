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
  X(kReportLines, "Lines", "Строк", "")                                                                         \
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
  X(kReportMaxDiff, "Largest difference", "Наибольшее отклонение", "")                                          \
  X(kReportRms, "RMS difference", "Среднеквадратичное отклонение", "")                                          \
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
  X(kSummaryWrite, "Write", "Запись", "")

KVL_REPORT_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_REPORT_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllReportTexts() { return kAll; }

#undef KVL_REPORT_TEXTS

}  // namespace kvl::txt
