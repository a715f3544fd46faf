#include "text/chamber_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_CHAMBER_TEXTS(X)                                                                              \
  X(kProfileLine, "line", "строка", "")                                                                   \
  X(kProfileNoEquals, "expected key = value", "ожидалось ключ = значение", "")                            \
  X(kProfileUnknownKey, "unknown key", "неизвестный ключ", "")                                            \
  X(kProfileRepeatedKey, "key given twice", "ключ задан дважды", "")                                      \
  X(kProfileNotANumber, "not a number", "не число", "")                                                   \
  X(kProfileNotWhole, "not a whole number", "не целое число", "")                                         \
  X(kProfileOutOfRange, "out of range", "вне допустимого диапазона", "")                                  \
  X(kProfileNotAChoice, "not one of", "не одно из", "")                                                   \
  X(kProfileBadText, "bad quoted text", "ошибка в тексте в кавычках", "")                                 \
  X(kProfileMissingKey, "missing key", "нет ключа", "")                                                   \
  X(kProfileConflict, "does not agree with", "не согласуется с", "")                                      \
  X(kProfileCannotRead, "cannot read the profile", "не удаётся прочитать профиль", "")                    \
  X(kChamberNoAnswer, "no answer", "нет ответа", "")                                                      \
  X(kChamberNotANumber, "reply is not a number", "ответ не число", "")                                    \
  X(kChamberRefused, "the device refused", "устройство отказало", "")                                     \
  X(kChamberPortFailed, "cannot open the port", "не удаётся открыть порт", "")                            \
  X(kChamberNoProfile, "no chamber profile", "нет профиля камеры", "")                                    \
  X(kChamberOutOfRange, "set point outside the profile's range", "уставка вне диапазона профиля", "")     \
  X(kChamberOff, "line closed", "линия закрыта", "")                                                      \
  X(kValvesSeveralOpen, "more than one valve open", "открыто больше одного клапана", "")                  \
  X(kValvesReadBackDiffers, "the module reads back \"%s\", not \"%s\"", "модуль отвечает \"%s\", а не \"%s\"", "") \
  X(kSelectChamberProfile, " Select the chamber profile", " Выберите профиль камеры", "")                 \
  X(kSelectValveProfile, " Select the valve profile", " Выберите профиль клапанов", "")

KVL_CHAMBER_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_CHAMBER_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllChamberTexts() { return kAll; }

#undef KVL_CHAMBER_TEXTS

}  // namespace kvl::txt
