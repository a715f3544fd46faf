#pragma once
// Every operator-visible text of the tables in one walk, so that checks such as
// "each Russian text has a Windows-1251 form" cover entries added later too.
#include <vector>

#include "text/language.h"

namespace kvl::txt {

struct TextSource {
  const char* area;  // the table or header it comes from, for messages
  const TextEntry* entry;
};

// The lists of selector_lists.h and gas_tables.h element by element, the named
// entries of the *_texts.h headers, and the Modbus exception texts.
std::vector<TextSource> AllTextEntries();

}  // namespace kvl::txt
