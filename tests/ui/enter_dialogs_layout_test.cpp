// Every input dialog in English and Russian: no text cut off by its control,
// no control outside the dialog, and a picture of each for a reviewer
// (<build>/screenshots/dialogs/, never compared with anything stored).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QRegularExpression>
#include <QStyleOptionComboBox>

#include "enter_dialog_samples.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

// A button caption as shown: "&&" is one "&", a single "&" marks a mnemonic.
QString Shown(const QString& caption) {
  QString out;
  for (int i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

// Why `w`'s text does not fit it; empty when it fits.
QString Clipped(QWidget* w) {
  const QFontMetrics fm = w->fontMetrics();
  const QRect box = w->contentsRect();
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return {};
    if (label->wordWrap()) {
      for (const QString& word : label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        if (fm.horizontalAdvance(word) > box.width()) return QStringLiteral("word wider than the label");
      if (label->heightForWidth(box.width()) > box.height())
        return QStringLiteral("wrapped text taller than the label, needs %1 (one line: %2 wide)")
            .arg(label->heightForWidth(box.width()))
            .arg(fm.horizontalAdvance(label->text()));
      return {};
    }
    if (fm.horizontalAdvance(label->text()) > box.width()) return QStringLiteral("text wider than the label");
    if (fm.height() > box.height()) return QStringLiteral("text taller than the label");
    return {};
  }
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    const int margin = 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
    const int need = fm.horizontalAdvance(Shown(button->text())) + margin;
    if (need > w->width()) return QStringLiteral("caption wider than the button, needs %1").arg(need);
    if (fm.height() + 4 > w->height()) return QStringLiteral("caption taller than the button");
    return {};
  }
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
    if (w->sizeHint().width() > w->width())
      return QStringLiteral("caption wider than the box, needs %1").arg(w->sizeHint().width());
    if (fm.height() > w->height()) return QStringLiteral("caption taller than the box");
    return {};
  }
  if (auto* group = qobject_cast<QGroupBox*>(w)) {
    if (fm.horizontalAdvance(group->title()) + 16 > w->width()) return QStringLiteral("title wider than the group");
    return {};
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i)
      if (fm.horizontalAdvance(combo->itemText(i)) > field.width())
        return QStringLiteral("item \"%1\" wider than the list (%2 > %3)")
            .arg(combo->itemText(i))
            .arg(fm.horizontalAdvance(combo->itemText(i)))
            .arg(field.width());
    if (fm.height() > field.height()) return QStringLiteral("selection taller than the list");
    return {};
  }
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (fm.height() > edit->height() - 4) return QStringLiteral("text taller than the edit");
    if (fm.horizontalAdvance(edit->displayText()) > edit->width() - 8) return QStringLiteral("text wider than the edit");
    return {};
  }
  return {};
}

TEST(EnterDialogsLayout, NoTextClippedAndEveryControlInsideInBothLanguages) {
  for (LanguageIndex language : {kEnglish, kRussian}) {
    for (test::SampleDialog& sample : test::SampleDialogs(language)) {
      CEnterDialog& dialog = *sample.dialog;
      dialog.show();
      test::Settle();
      const QRect client = dialog.rect();
      for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->parentWidget() != &dialog || !w->isVisibleTo(&dialog)) continue;
        const QString where = QString::fromStdString(sample.name) + QStringLiteral(" lang ") + QString::number(language) +
                              QStringLiteral(" control ") + w->objectName() + QStringLiteral(" (") +
                              QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(")");
        EXPECT_TRUE(client.contains(w->geometry())) << where.toStdString() << " lies outside the dialog";
        const QString why = Clipped(w);
        EXPECT_TRUE(why.isEmpty()) << where.toStdString() << ": " << why.toStdString() << " (" << w->width() << " x "
                                   << w->height() << ")";
      }
      dialog.hide();
    }
  }
}

// Units follow the font, never below those of the templates' own 8-point font.
TEST(EnterDialogsLayout, DialogUnitsGrowWithTheFont) {
  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(6);
  const DialogUnits least = DialogUnitsOf(small);
  EXPECT_DOUBLE_EQ(least.x, 1.5);
  EXPECT_DOUBLE_EQ(least.y, 1.625);
  QFont large = small;
  large.setPixelSize(24);
  const DialogUnits big = DialogUnitsOf(large);
  EXPECT_GT(big.x, 2.5);
  EXPECT_DOUBLE_EQ(big.y, QFontMetrics(large).height() / 8.0);
  EXPECT_EQ(DialogUnitsToPixels(QRect(7, 7, 188, 20)), QRect(11, 11, 282, 33));  // edges, rounded
}

TEST(EnterDialogsLayout, ScreenshotsInBothLanguages) {
  const QString folder = QString::fromUtf8(KVL_BUILD_DIR_PATH) + QStringLiteral("/screenshots/dialogs");
  ASSERT_TRUE(QDir().mkpath(folder));
  for (LanguageIndex language : {kEnglish, kRussian}) {
    for (test::SampleDialog& sample : test::SampleDialogs(language)) {
      sample.dialog->show();
      test::Settle();
      const QString path = folder + QLatin1Char('/') + QString::fromStdString(sample.name) +
                           (language == kEnglish ? QStringLiteral("_en.png") : QStringLiteral("_ru.png"));
      EXPECT_TRUE(sample.dialog->grab().save(path)) << path.toStdString();
      sample.dialog->hide();
    }
  }
}

}  // namespace
}  // namespace kvl
