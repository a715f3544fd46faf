#include "ui/dialogs/enter_1_edit.h"

#include "text/dialog_texts.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

CEnter1Edit::CEnter1Edit(const std::string& prompt, LanguageIndex language, QWidget* parent)
    : CEnterLimit(prompt, "", txt::kOkEnter, kIdOk, true, language, parent) {}

}  // namespace kvl
