#include "text/file_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_FILE_TEXTS(X)                                                                                  \
  X(kCurrent, "Current", "Ток", "")                                                                        \
  X(kBreaks, "Breaks", "Обрывы", "")                                                                       \
  X(kOver1, "Over1", "Превыш1", "")                                                                        \
  X(kOver2, "Over2", "Превыш2", "")                                                                        \
  X(kDefect, "Defect", "Неиспр", "")                                                                       \
  X(kAtOrBelowMin, "<=min", "<=мин", "")                                                                   \
  X(kAtOrAboveMax, ">=max", ">=макс", "")                                                                  \
  X(kSelectDataFolder, " Select data folder", " Выберите папку\n для записи файлов с данными прогона", "") \
  X(kRecordingFailed, "Recording failed", "Запись не удалась", "")                                         \
  X(kSelectSetOrTabFile, " Select .set or .tab file for recording to device",                              \
    " Выберите файл .set или .tab для записи в прибор", "")                                                \
  X(kRegistersAreZero, "The following registers are 0, record the file?",                                  \
    "Следующие регистры равны 0, записать файл?", "")                                                      \
  X(kHexListNote, "\n(hex)", "\n(hex)", "")                                                                \
  X(kErrorInLine, "Error in line", "Ошибка в строке", "")                                                  \
  X(kMoreThan1000Lines, "more than 1000 lines", "больше 1000 строк", "")                                   \
  X(kSerialNotFound, "Serial number not found", "Заводской номер не найден", "")                           \
  X(kSerialIncorrect, "Serial number is incorrect", "Заводской номер неправильный", "")                    \
  X(kSerialsDifferent, "Serial numbers are different", "Заводские номера различаются", "")                 \
  X(kGasTypeNotFound, "Gas type not found", "Тип газа не найден", "")                                      \
  X(kGasTypesDifferent, "Gas types are different", "Типы газов различаются", "")                           \
  X(kSettingsEqual, "Settings are equal", "Настройки совпали", "")                                         \
  X(kSettingsNotEqual, "Settings aren't equal", "Настройки не совпали", "")

KVL_FILE_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_FILE_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllFileTexts() {
  return kAll;
}

#undef KVL_FILE_TEXTS

}  // namespace kvl::txt
