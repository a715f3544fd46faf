#include "ui/qt_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QWidget>
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

void KeepTitleWhole(QWidget& window) {
  QLayout* layout = window.layout();
  if (!layout) return;
  // The title bar's font is the window manager's, often bold: a fifth more
  // than the application's, and room for its icon and buttons.
  const int need = QFontMetrics(QApplication::font()).horizontalAdvance(window.windowTitle()) * 6 / 5 + 120;
  auto* spacer = new QSpacerItem(need, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
  if (auto* grid = qobject_cast<QGridLayout*>(layout))
    grid->addItem(spacer, grid->rowCount(), 0, 1, grid->columnCount());
  else
    layout->addItem(spacer);
}

}  // namespace kvl
