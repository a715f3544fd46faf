#include "text/dialog_texts.h"

#include "text/text_table_macros.h"

namespace kvl::txt {

#define KVL_DIALOG_TEXTS(X)                                                                             \
  X(kOkEnter, "OK", "Ввести", "")                                                                       \
  X(kOkSet, "OK", "Установить", "")                                                                     \
  X(kSet, "Set", "Установить", "")                                                                      \
  X(kCancel, "Cancel", "Отмена", "")                                                                    \
  X(kEnterPasswordPrompt, "Enter password", "Введите пароль", "")                                       \
  X(kAsInGraduation, "As in graduation", "Как в градуировке", "")                                       \
  X(kInProportionToGraduation, "In proportion to graduation", "Пропорционально градуировке", "")        \
  X(kIrrespectiveOfGraduation, "Irrespective of graduation", "Независимо от градуировки", "")           \
  X(kSetOne, "Set 1", "Установить 1", "")                                                               \
  X(kReferenceChannelLevel, "Reference channel level", "Уровень опорного канала", "")                   \
  X(kWorkingChannelLevel, "Working channel level", "Уровень рабочего канала", "")                       \
  X(kEnterConcentrationsForCalibration, "Enter concentrations for the calibration",                     \
    "Введите концентрации для градуировки:", "")                                                        \
  X(kMediumMixtureConc, "Concentration of medium mixture, vol.%", "Концентрация средней ПГС, об.%", "") \
  X(kHighMixtureConc, "Concentration of high mixture, vol.%", "Концентрация высокой ПГС, об.%", "")     \
  X(kPollNumber, "Poll number", "Опрашивать номер", "")                                                 \
  X(kAssignNumberAndBaud, "Assign number && baud rate", "Присвоить номер и скорость", "")               \
  X(kHeating, "Heating", "Обогрев", "")                                                                 \
  X(kEnterTheValue, "Enter the value", "Введите значение", "")                                          \
  X(kAxisXMin, "X axis minimum", "Минимум оси X", "")                                                   \
  X(kAxisXMax, "X axis maximum", "Максимум оси X", "")                                                  \
  X(kAxisYMin, "Y axis minimum", "Минимум оси Y", "")                                                   \
  X(kAxisYMax, "Y axis maximum", "Максимум оси Y", "")                                                  \
  X(kEnterSchedule, "Enter the schedule:", "Введите расписание:", "")                                   \
  X(kExitCaption, "Exit", "Выход", "")                                                                  \
  X(kExitQuestion, "Exit the program?", "Выйти из программы?", "")                                      \
  X(kYes, "Yes", "Да", "")                                                                              \
  X(kNo, "No", "Нет", "")

KVL_DIALOG_TEXTS(KVL_TEXT_DEFINE)

namespace {
const TextEntry* const kAll[] = {KVL_DIALOG_TEXTS(KVL_TEXT_ADDRESS)};
}  // namespace

std::span<const TextEntry* const> AllDialogTexts() {
  return kAll;
}

#undef KVL_DIALOG_TEXTS

}  // namespace kvl::txt
