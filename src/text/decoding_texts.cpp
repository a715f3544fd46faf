#include "text/decoding_texts.h"

namespace kvl::txt {

const TextEntry kNoValue = {{"---", "---", "---"}};
const TextEntry kNoLatching = {{"No L.", "Без ф.", ""}};
const TextEntry kLatching = {{"Latch", "Фикс.", ""}};
const TextEntry kNonFm = {{"Non-FM", "Не FM", ""}};
const TextEntry kFm = {{"FM", "FM", ""}};

const TextEntry kFlagLetters[4] = {
    {{"C", "К", "C"}},
    {{"M", "М", "M"}},
    {{"R", "R", "R"}},
    {{"G", "Г", "G"}},
};

}  // namespace kvl::txt
