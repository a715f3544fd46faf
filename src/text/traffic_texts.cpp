#include "text/traffic_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_TRAFFIC_TEXTS(X)                                                      \
  X(kTrafficMenu, "Traffic...", "Обмен по линии...", "")                          \
  X(kTrafficTitle, "Line traffic", "Обмен по линии", "")                          \
  X(kTrafficFilter, "Addresses", "Адреса", "")                                    \
  X(kTrafficFilterHint, "all, or e.g. 1,3-5", "все или, например, 1,3-5", "")     \
  X(kTrafficPause, "Pause", "Пауза", "")                                          \
  X(kTrafficResume, "Resume", "Продолжить", "")                                   \
  X(kTrafficSave, "Save...", "Сохранить...", "")                                  \
  X(kTrafficSaveTitle, "Save the traffic", "Сохранить обмен", "")                 \
  X(kTrafficFrames, "Frames", "Кадры", "")                                        \
  X(kTrafficDropped, "missed", "пропущено", "")                                   \
  X(kTrafficPaused, "paused", "пауза", "")                                        \
  X(kStatsAddress, "Address", "Адрес", "")                                        \
  X(kStatsRequests, "Requests", "Запросы", "")                                    \
  X(kStatsAnswers, "Answers", "Ответы", "")                                       \
  X(kStatsMinMs, "Min, ms", "Мин, мс", "")                                        \
  X(kStatsMeanMs, "Mean, ms", "Средн., мс", "")                                   \
  X(kStatsMaxMs, "Max, ms", "Макс, мс", "")                                       \
  X(kStatsNoAnswer, "No answer", "Нет ответа", "")                                \
  X(kStatsCrc, "CRC", "CRC", "")                                                  \
  X(kStatsShort, "Short", "Короткие", "")                                         \
  X(kStatsException, "Exception", "Исключения", "")                               \
  X(kStatsWrongAddress, "Wrong address", "Чужой адрес", "")                       \
  X(kStatsOther, "Other", "Прочие", "")                                           \
  X(kFrameAddress, "addr %u: ", "адр %u: ", "")                                   \
  X(kFrameBroadcast, "broadcast: ", "всем: ", "")                                 \
  X(kFrameReadHolding, "read holding ", "чтение хран. ", "")                      \
  X(kFrameReadInput, "read input ", "чтение вход. ", "")                          \
  X(kFrameWords, "%u words ", "%u сл.: ", "")                                     \
  X(kFrameWrite, "write ", "запись ", "")                                         \
  X(kFrameWrote, "wrote ", "записано ", "")                                       \
  X(kFrameNone, "(none)", "(нет)", "")                                            \
  X(kFrameException, "exception %u (%s) to function %u", "исключение %u (%s) на функцию %u", "") \
  X(kFrameFunction, "function %u, %zu data bytes", "функция %u, байт данных: %zu", "") \
  X(kFrameMalformed, "function %u, malformed (%zu bytes)", "функция %u, искажён (байт: %zu)", "") \
  X(kFrameCrcWrong, "CRC wrong", "ошибка CRC", "")                                \
  X(kFrameTooShort, "too short (%zu bytes)", "слишком короткий (байт: %zu)", "")  \
  X(kFrameNothing, "nothing", "ничего", "")                                       \
  X(kFrameNoAnswer, "(no answer)", "(нет ответа)", "")                            \
  X(kFrameNothingSent, "(nothing)", "(ничего)", "")                               \
  X(kFrameResult, "  [result %d]", "  [результат %d]", "")                        \
  X(kExceptionIllegalFunction, "illegal function", "недопустимая функция", "")    \
  X(kExceptionIllegalAddress, "illegal data address", "недопустимый адрес данных", "") \
  X(kExceptionIllegalValue, "illegal data value", "недопустимое значение данных", "") \
  X(kExceptionDeviceFailure, "slave device failure", "отказ ведомого устройства", "") \
  X(kExceptionAcknowledge, "acknowledge", "подтверждение", "")                   \
  X(kExceptionBusy, "slave device busy", "ведомое устройство занято", "")         \
  X(kExceptionUnknown, "unknown", "неизвестно", "")

KVL_TRAFFIC_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_TRAFFIC_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllTrafficTexts() {
  return kAll;
}

#undef KVL_TRAFFIC_TEXTS

}  // namespace kvl::txt
