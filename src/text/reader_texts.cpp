#include "text/reader_texts.h"

#include "text/format.h"
#include "text/message_texts.h"
#include "text/printable.h"
#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_READER_TEXTS(X)                                                                                   \
  X(kLine, "line", "строка", "")                                                                              \
  X(kTokenEmpty, "no value", "нет значения", "")                                                              \
  X(kTokenNotNumber, "not a number", "не число", "")                                                          \
  X(kTokenNotWhole, "not a whole number", "не целое число", "")                                               \
  X(kTokenOutOfRange, "out of range", "вне допустимого диапазона", "")                                        \
  X(kLastLineUnended,                                                                                         \
    "the last line has no line end: the file may be cut there. If it is whole, end its last line (Enter at "  \
    "its end) and read the file again",                                                                       \
    "последняя строка не закончена: файл мог быть обрезан. Если файл целый, закончите его последнюю строку "   \
    "(Enter в её конце) и прочитайте файл снова",                                                             \
    "")                                                                                                       \
  X(kGivenTwice, "given twice", "задан дважды", "")                                                           \
  X(kPointsNotRising, "T does not increase from point to point", "T не возрастает от точки к точке", "")      \
  X(kPastItsBlock, "the register line reaches past its block", "строка регистров выходит за свой блок", "")   \
  X(kNotInABlock, "no register block starts or lies there", "здесь нет блока регистров", "")                  \
  X(kLineMissing, "missing", "отсутствует", "")                                                               \
  X(kFieldCount, "fields: %d, the header's format has %d", "полей: %d, по формату заголовка: %d", "")         \
  X(kValueMissing, "value missing or out of range", "значение отсутствует или вне диапазона", "")             \
  X(kNoSampleSpan, "no sample between T=%d and T=%d: the table there would be a guess",                      \
    "нет ни одного отсчёта между T=%d и T=%d: таблица там была бы догадкой", "")                               \
  X(kStageMissing, "stage %d (%+d°C) of the run has no clean-air sample: its data were lost",                \
    "этап %d (%+d°C) прогона не имеет ни одного отсчёта на чистом воздухе: его данные потеряны", "")         \
  X(kOutliersHead, "%zu samples lie farther than deltaDmax=%d from the table:",                               \
    "%zu отсчётов дальше deltaDmax=%d от таблицы:", "")                                                       \
  X(kOutlierDifference, "difference", "отклонение", "")                                                       \
  X(kWriteWithOutliers, "Write the table all the same?", "Всё равно записать таблицу?", "")                   \
  X(kConfigLinesReplaced, "Configuration lines out of range; their defaults are loaded:",                     \
    "Строки конфигурации вне допустимого диапазона; загружены значения по умолчанию:", "")

KVL_READER_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_READER_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllReaderTexts() { return kAll; }

#undef KVL_READER_TEXTS

}  // namespace kvl::txt

namespace kvl {

std::string PlaceOfLine(std::string_view file, std::size_t line, LanguageIndex l) {
  if (file.empty()) return line > 0 ? Format("%s %zu: ", txt::kLine(l), line) : std::string();
  std::string out = std::string(txt::kFile(l)) + " " + std::string(file);
  if (line > 0) out += Format(", %s %zu", txt::kLine(l), line);
  return out + ": ";
}

const char* TokenWhy(TokenVerdict verdict, LanguageIndex l) {
  switch (verdict) {
    case TokenVerdict::kEmpty: return txt::kTokenEmpty(l);
    case TokenVerdict::kNotWhole: return txt::kTokenNotWhole(l);
    case TokenVerdict::kOutOfRange: return txt::kTokenOutOfRange(l);
    default: return txt::kTokenNotNumber(l);
  }
}

std::string TokenRefusal(std::string_view file, std::size_t line, std::string_view token, TokenVerdict verdict,
                         LanguageIndex l) {
  return PlaceOfLine(file, line, l) + "\"" + PrintableText(token) + "\" - " + TokenWhy(verdict, l);
}

}  // namespace kvl
