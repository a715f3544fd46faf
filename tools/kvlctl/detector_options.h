#pragma once
// How subcommands read a detector type, an operating mode and a language from
// their options; bad values are thrown as UsageError.
#include <string>

#include "text/language.h"

namespace kvl::ctl {

// KVELT, Z, Z40, Z5 (any case) or 0..4.
int ParseType(const std::string& text);
// A mode by number or by its English name ("Save settings", "save-settings").
int ParseMode(const std::string& text);
// "en" or "ru"; `option` names the option in the error.
LanguageIndex ParseLanguage(const std::string& text, const std::string& option = "--lang");

}  // namespace kvl::ctl
