#include "text/message_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_MESSAGE_TEXTS(X)                                             \
  X(kIllegalValue, "Illegal value", "Неправильное значение", "")         \
  X(kAreYouSure, "are you sure?", "Вы уверены?", "")                     \
  X(kContinue, "continue?", "продолжить?", "")                           \
  X(kFile, "File", "Файл", "")                                           \
  X(kFiles, "Files", "Файлы", "")                                        \
  X(kNotFoundInFile, " not found in the file", " не найден в файле", "") \
  X(kFrom1To255, " from 1 to 255", " от 1 до 255", "")                   \
  X(kDeviceModbusNumber, "Device Modbus #", "Прибор c № Modbus", "")     \
  X(kRegister, "register", "регистр", "")                                \
  X(kGradLogNotTableFile, ": a graduation log, not a table file",        \
    ": журнал градуировки, а не файл таблицы", "")                      \
  X(kImitationWithoutMaster,                                             \
    "In \"Imitation\" the detectors of the ticked rows answer another "  \
    "master on the line.\nThe simulated bus has no master: choose the "   \
    "port that master polls in \"Port COM\".",                           \
    "В режиме \"Имитация\" датчики отмеченных строк отвечают другому "   \
    "ведущему на линии.\nУ имитируемой шины ведущего нет: выберите в "    \
    "\"Порт COM\" порт, который он опрашивает.", "")                    \
  X(kTriedToRecord, "tried to record", "записывалось", "")               \
  X(kReadBack, "read", "прочитано", "")

KVL_MESSAGE_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_MESSAGE_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllMessageTexts() {
  return kAll;
}

#undef KVL_MESSAGE_TEXTS

}  // namespace kvl::txt
