#include "text/link_texts.h"

namespace kvl::txt {

const TextEntry kPortWord{{"Port", "Порт", ""}};
const TextEntry kNotOpen{{"is not open", "не открыт", ""}};
const TextEntry kNotConfigured{{"is not adjusted", "не настроен", ""}};
const TextEntry kLineBusy{{"%s is in use by another program", "%s занят другой программой", ""}};
const TextEntry kLineBusyBy{
    {"%s is in use by another program (%s, process %lu)", "%s занят другой программой (%s, процесс %lu)", ""}};
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

const TextEntry kIdentityDiffers{
    {"File %s is for serial number %s, but the detector at address %u has serial number %s: nothing was "
     "written.",
     "Файл %s составлен для заводского номера %s, а у прибора по адресу %u заводской номер %s: ничего не "
     "записано.",
     ""}};
const TextEntry kIdentityElsewhere{
    {" Serial number %s answers at address %u.", " Заводской номер %s отвечает по адресу %u.", ""}};
const TextEntry kIdentityNoAnswer{
    {"File %s (serial number %s): the detector at address %u did not answer the serial number read: nothing "
     "was "
     "written.",
     "Файл %s (заводской номер %s): прибор по адресу %u не ответил на чтение заводского номера: ничего не "
     "записано.",
     ""}};
const TextEntry kIdentityNoAnswerAt{
    {"File %s: the detector at address %u did not answer the serial number read: nothing was written.",
     "Файл %s: прибор по адресу %u не ответил на чтение заводского номера: ничего не записано.", ""}};
const TextEntry kIdentityAsk{
    {"File %s names only address %u. The detector at that address has serial number %s. Write the file into "
     "this detector?",
     "Файл %s указывает только адрес %u. Заводской номер прибора по этому адресу: %s. Записать файл в этот "
     "прибор?",
     ""}};
const TextEntry kIdentityNotConfirmed{
    {"File %s: serial number %s at address %u was not confirmed as the file's detector: nothing was written.",
     "Файл %s: заводской номер %s по адресу %u не подтверждён как прибор файла: ничего не записано.", ""}};
const TextEntry kIdentityNoAddress{
    {"File %s (serial number %s) names no detector address, or address 0: nothing was written.",
     "Файл %s (заводской номер %s) не указывает адрес прибора или указывает адрес 0: ничего не записано.",
     ""}};

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
