#pragma once
// Every input dialog opened as its callers open it (their prompts and typical
// values), for the checks that walk them all and for the screenshots.
#include <memory>
#include <string>
#include <vector>

#include "text/language.h"
#include "ui/dialogs/enter_dialog.h"

namespace kvl::test {

struct SampleDialog {
  std::string name;
  std::unique_ptr<CEnterDialog> dialog;
};

std::vector<SampleDialog> SampleDialogs(LanguageIndex language);

}  // namespace kvl::test
