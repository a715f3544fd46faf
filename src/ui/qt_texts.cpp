#include "ui/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace kvl {

bool UseQtTranslations(LanguageIndex language) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  if (language != kRussian) return true;
  auto translator = std::make_unique<QTranslator>();
  // "qt_ru" pulls in qtbase_ru, which holds the dialogs' texts.
  if (!translator->load(QStringLiteral("qt_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

QString TitleText(const std::string& utf8) { return QString::fromStdString(utf8).simplified(); }

}  // namespace kvl
