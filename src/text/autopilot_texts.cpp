#include "text/autopilot_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_AUTOPILOT_TEXTS(X)                                                                            \
  X(kApChamber, "chamber %.1f -> %.1f °C", "камера %.1f -> %.1f °C", "")                                    \
  X(kApNotSteadyT, "detectors %s not steady: dT %.1f °C over %s",                                        \
    "датчики %s не стабильны: dT %.1f °C за %s", "")                                                      \
  X(kApNotSteadySignal, "detectors %s not steady: signal changed %.0f over %s",                           \
    "датчики %s не стабильны: сигнал изменился на %.0f за %s", "")                                        \
  X(kApMinutes, "%d min", "%d мин", "")                                                                   \
  X(kApSeconds, "%d s", "%d с", "")                                                                       \
  X(kApGasFlow, "gas flows %d:%02d more", "подача газа ещё %d:%02d", "")                                  \
  X(kApValveMoving, "valve not confirmed yet", "клапан ещё не подтверждён", "")                           \
  X(kApGateClosed, "stabilization wait or an answer of every detector",                                   \
    "выдержка или ответ каждого датчика", "")                                                             \
  X(kApCaptures, "writes to %d detector(s) not done yet", "не завершена запись в датчики: %d", "")        \
  X(kApStepSince, "step since %s (%s)", "шаг с %s (%s)", "")                                              \
  X(kApHold, "HOLD since %s: %s", "ПАУЗА с %s: %s", "")                                                   \
  X(kApChamberSilent, "chamber does not answer", "камера не отвечает", "")                                \
  X(kApSetPointTimeout, "set point not reached in time", "уставка не достигнута вовремя", "")             \
  X(kApValvesSilent, "valve module does not answer", "блок клапанов не отвечает", "")                     \
  X(kApDetectorsSilent, "detectors %s do not answer", "датчики %s не отвечают", "")                       \
  X(kApLineLost, "line of %s lost, waiting for it to come back",                                          \
    "линия %s потеряна, ожидание её возвращения", "")                                                     \
  X(kApFolderFails, "data cannot be written: %s", "данные не записываются: %s", "")                       \
  X(kApResumeQuestion, "An unfinished graduation was found (%s, stopped %s).\nResume it?",                \
    "Найдена незавершённая градуировка (%s, остановлена %s).\nПродолжить её?", "")                        \
  X(kApStepWords, "stage %d, step %d", "этап %d, шаг %d", "")                                            \
  X(kApWindows, "poll cycle %.1f s over %d detector(s): steadiness judged over %s (temperature), %s (signal)", \
    "цикл опроса %.1f с на %d датч.: стабильность оценивается за %s (температура), %s (сигнал)", "")          \
  X(kApDropped, "detector %d (%s) not graduated: left out of the run at %s, %s: %s",                    \
    "датчик %d (%s) не отградуирован: исключён из градуировки в %s, %s: %s", "")                           \
  X(kApNoAnswerSince, "no answer since %s", "нет ответа с %s", "")                                        \
  X(kApDropAsked, "left out at the resume, as asked", "исключён при продолжении по запросу", "")        \
  X(kApResumeOther, "address %d: the saved run's detector is %s, the bus answers %s",                     \
    "адрес %d: в сохранённой градуировке датчик %s, на шине отвечает %s", "")                             \
  X(kApResumeSilent, "address %d: the saved run's detector %s does not answer",                            \
    "адрес %d: датчик %s сохранённой градуировки не отвечает", "")                                         \
  X(kApResumeType, "the saved run graduated type %s, not %s", "в сохранённой градуировке тип %s, а не %s", "") \
  X(kApResumeDropped, "detector %d (%s) was left out of the saved run: it stays out",                     \
    "датчик %d (%s) исключён из сохранённой градуировки и остаётся исключённым", "")                      \
  X(kApResumeWithout, "%s.\nTake the run up without this detector? It will get no table.",                 \
    "%s.\nПродолжить градуировку без этого датчика? Таблицы он не получит.", "")

KVL_AUTOPILOT_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_AUTOPILOT_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllAutopilotTexts() {
  return kAll;
}

#undef KVL_AUTOPILOT_TEXTS

}  // namespace kvl::txt
