#include "text/link_texts.h"

namespace kvl::txt {

const TextEntry kPortWord{{"Port", "Порт", ""}};
const TextEntry kNotOpen{{"is not open", "не открыт", ""}};
const TextEntry kNotConfigured{{"is not adjusted", "не настроен", ""}};
const TextEntry kRecorded{{"Recorded", "Записано", ""}};
const TextEntry kWriteFailed{{"Record is not executed", "Запись не выполнена", ""}};
const TextEntry kWriteException{{"Record is not executed, error number =", "Запись не выполнена, код ошибки =", ""}};
const TextEntry kWriteNoAnswer{
    {"Record is not executed, no answer from device", "Запись не выполнена, нет ответа от прибора", ""}};
const TextEntry kCheckNoAnswer{{"Check reading is not executed, no answer from device",
                                "Проверочное чтение не выполнено, нет ответа от прибора", ""}};
const TextEntry kCheckFailed{
    {"Check reading is not executed, no answer from device", "Проверочное чтение не выполнено", ""}};
const TextEntry kDeviceWord{{"Modbus #", "№ Modbus", ""}};
const TextEntry kReadBackDiffers{{"the registers read back differ from those written:",
                                  "прочитанные регистры отличаются от записанных:", ""}};
const TextEntry kReadBackRegister{{"register %u: written %u, read %u", "регистр %u: записано %u, прочитано %u", ""}};

const TextEntry kWaitingForDevice{{"Waiting for %s to come back", "Ожидание возвращения %s", ""}};
const TextEntry kEchoHeard{
    {"Port %s: the adapter sends back every byte it transmits (two-wire echo), so the detectors' answers cannot be "
     "read. Switch the line's echo option on: close the program and add the line echo=1 at the end of KvlGrad.cfg "
     "(kvlctl: --echo).",
     "Порт %s: адаптер возвращает каждый переданный байт (эхо двухпроводной линии), поэтому ответы приборов не "
     "читаются. Включите для линии опцию эха: закройте программу и добавьте в конец KvlGrad.cfg строку echo=1 "
     "(kvlctl: --echo).",
     ""}};
const TextEntry kEchoMissing{
    {"Port %s: the echo of the request sent did not come back, although the line's echo option is on. If this "
     "adapter does not send back what it transmits, switch the option off: close the program and remove the line "
     "echo=1 from KvlGrad.cfg (kvlctl: leave out --echo).",
     "Порт %s: эхо переданного запроса не вернулось, хотя для линии включена опция эха. Если этот адаптер не "
     "возвращает переданные байты, выключите опцию: закройте программу и удалите из KvlGrad.cfg строку echo=1 "
     "(kvlctl: без --echo).",
     ""}};

namespace {
const TextEntry kExceptionTexts[11] = {
    {{"incorrect function code", "неправильный код функции", ""}},
    {{"incorrect address", "неправильный адрес", ""}},
    {{"incorrect data", "неправильные данные", ""}},
    {{"slave device failure", "ошибка устройства", ""}},
    {{"acknowledge", "принято и обрабатывается", ""}},
    {{"slave device buzy", "устройство занято", ""}},
    {{"the slave cannot perform the program function received in the query",
      "устройство не может выполнить запрошенную функцию", ""}},
    {{"memory parity error", "ошибка чётности памяти", ""}},
    {{"", "", ""}},  // code 9 is not a Modbus exception
    {{"gateway path unavailable", "путь шлюза недоступен", ""}},
    {{"gateway target device failed to respond", "шлюз целевого устройства не ответил", ""}},
};
}  // namespace

const char* ExceptionText(unsigned code, LanguageIndex lang) {
  if (code < 1 || code > 11) return "";
  return kExceptionTexts[code - 1](lang);
}

}  // namespace kvl::txt
