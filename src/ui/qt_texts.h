#pragma once
// Qt's own texts in the interface language: the file dialogs' "Look in:",
// "Cancel" and the like come from Qt's translations (Debian's
// qt6-translations-l10n), loaded here for the language chosen. It also turns
// the system's texts into window titles and keeps a small window's title whole. It never translates the system's
// own texts (the language tables do).
#include <QString>
class QWidget;
#include <string>

#include "text/language.h"

namespace kvl {

// Installs Qt's translations for the language in the application (English:
// none); false when they are not installed on this machine.
bool UseQtTranslations(LanguageIndex language);

// A window title from a prompt: a title bar has one line, so line breaks
// become spaces, and blanks at either end go.
QString TitleText(const std::string& utf8);

// Widens a box or dialog (laid out by its layout) to the width its title
// needs in a title bar, so that the window manager does not cut it.
void KeepTitleWhole(QWidget& window);

}  // namespace kvl
