#include "text/flow_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_FLOW_TEXTS(X)                                                                                 \
  X(kRowsShowFileData, "Rows show file data; change the mode to poll again",                               \
    "В строках данные файлов; смените режим, чтобы снова опрашивать", "")                                 \
  X(kLastRowStays, "The last row stays: at least one address is polled",                                  \
    "Последняя строка остаётся: опрашивается хотя бы один адрес", "")                                     \
  X(kRecordingStoppedForImitation, "Recording stopped: in Imitation the line answers another master",     \
    "Запись остановлена: в режиме имитации линия отвечает другому мастеру", "")                           \
  X(kExitDuringRun, "The graduation is running (stage %d).\nExit the program and stop it?",               \
    "Идёт градуировка (этап %d).\nВыйти из программы и остановить её?", "")                               \
  X(kAutoEndNoFiles, "Graduation is completed; no run data file to calculate tables from",                \
    "Градуировка завершена; нет файлов данных для расчёта таблиц", "")

KVL_FLOW_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_FLOW_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllFlowTexts() {
  return kAll;
}

#undef KVL_FLOW_TEXTS

}  // namespace kvl::txt
