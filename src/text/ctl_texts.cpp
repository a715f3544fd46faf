#include "text/ctl_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_CTL_TEXTS(X)                                                                                           \
  X(kCtlRegister, "register %u:", "регистр %u:", "")                                                               \
  X(kCtlWrittenTo, "written to %d: %s", "записано в %d: %s", "")                                                   \
  X(kCtlReportFile, "report %s: %s", "протокол %s: %s", "")                                                        \
  X(kCtlSummaryFile, "summary: %s", "сводка: %s", "")                                                              \
  X(kCtlReadingStopped, "(reading stopped after %zu data lines)", "(чтение остановлено после %zu строк данных)", "") \
  X(kCtlNoTable, "no table calculated", "ни одна таблица не рассчитана", "")                                       \
  X(kCtlTableWritten, "%s: table written", "%s: таблица записана", "")                                             \
  X(kCtlTableNotWritten, "%s: table not written", "%s: таблица не записана", "")                                   \
  X(kCtlGiveSerial, "%s: the file's name is no serial number; give its detector's in --serial",                     \
    "%s: имя файла не заводской номер; укажите номер его прибора в --serial", "")                                 \
  X(kCtlNotAccepted, "nothing written: the answer is not accepted", "ничего не записано: ответ не принят", "")      \
  X(kCtlFound, "found %zu detector(s) in %.1f s", "найдено приборов: %zu за %.1f с", "")                           \
  X(kCtlHistoryNone, "nothing on record for %s in %s", "нет записей о %s в %s", "")                             \
  X(kCtlHistoryReport, "report", "протокол", "")                                                                   \
  X(kCtlScanLine, "%3u  serial %-10u firmware %-7s type %s", "%3u  номер %-10u прошивка %-7s тип %s", "")         \
  X(kCtlSecondRead, "  (second read: %s)", "  (второе чтение: %s)", "")                                            \
  X(kCtlResultValid, "valid answer", "правильный ответ", "")                                                       \
  X(kCtlResultNoAnswer, "no answer", "нет ответа", "")                                                             \
  X(kCtlResultShort, "short answer or the read failed", "короткий ответ или ошибка чтения", "")                    \
  X(kCtlResultCrc, "CRC wrong", "ошибка CRC", "")                                                                  \
  X(kCtlResultHeader, "address, function or byte count wrong", "неверный адрес, функция или число байтов", "")     \
  X(kCtlResultUnknown, "unknown result", "неизвестный результат", "")                                              \
  X(kCtlHistoryWrite, "write", "запись", "")                                                                       \
  X(kCtlHistoryHead, "date and time  kind  what  result  file", "дата и время  вид  что  итог  файл", "") \
  X(kCtlInterrupted, "interrupted", "прервано", "")                                                                \
  X(kCtlReadFailed, "slave %u: read of %d registers from %d: %s (result %d)",                                      \
    "прибор %u: чтение %d регистров с %d: %s (результат %d)", "")                                                  \
  X(kCtlCannotRead, "cannot read %s", "не удаётся прочитать %s", "")                                               \
  X(kCtlHeldFar, "sensor %s not written: samples lie farther than deltaDmax=%d from its table "                    \
    "(--accept-outliers writes it)",                                                                               \
    "датчик %s не записан: отсчёты лежат дальше deltaDmax=%d от его таблицы (--accept-outliers запишет её)", "")   \
  X(kCtlNotAllAnswer, "not every detector of --addr answers", "отвечают не все приборы из --addr", "")            \
  X(kCtlNothingToResume, "nothing to resume in %s", "нечего продолжать в %s", "")                                  \
  X(kCtlDropHint, " (--drop %d takes the run up without it)", " (--drop %d продолжает градуировку без него)", "") \
  X(kCtlOtherDetectors, "the saved run polled other detectors", "сохранённая градуировка опрашивала другие приборы", \
    "")                                                                                                            \
  X(kCtlCapturesFailed, "%d detector write list(s) of the run failed",                                            \
    "списков записи в приборы за градуировку не выполнено: %d", "")                                               \
  X(kCtlNotEveryWritten, "not every detector's table was calculated, written and verified",                        \
    "не для каждого прибора таблица рассчитана, записана и проверена", "")                                         \
  X(kCtlNotEveryCalculated, "not every detector's table was calculated",                                          \
    "не для каждого прибора таблица рассчитана", "")                                                               \
  X(kCtlLineBack, "%s is back; polling goes on", "%s снова на месте; опрос продолжается", "")                     \
  X(kCtlNoneAnswered, "no detector answered", "ни один прибор не ответил", "")                                     \
  X(kCtlPassedOver, "%s: passed over", "%s: пропущен", "")                                                         \
  X(kCtlRecorded, "%u tick(s) recorded, series %d, %llu failed write(s)",                                         \
    "записано тактов: %u, серия %d, ошибок записи: %llu", "")                                                      \
  X(kCtlLastFailure, "; last: %s", "; последняя: %s", "")

KVL_CTL_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_CTL_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllCtlTexts() { return kAll; }

#undef KVL_CTL_TEXTS

}  // namespace kvl::txt
