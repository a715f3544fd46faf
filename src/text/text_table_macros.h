#pragma once
// Private to the text tables' .cpp files: each area lists its entries once in
// an X-macro and gets both the definitions and the list that walks them all.
#include "text/language.h"

#define KVL_TEXT_DEFINE(name, en, ru, es) extern const TextEntry name{{en, ru, es}};
#define KVL_TEXT_ADDRESS(name, en, ru, es) &name,
