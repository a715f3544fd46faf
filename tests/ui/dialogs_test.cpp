#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/confirmation.h"
#include "ui/dialogs/dialog_results.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

TEST(Confirmation, TextsInBothLanguages) {
  struct Case {
    LanguageIndex language;
    const char* caption;
    const char* question;
    const char* yes;
    const char* no;
  };
  for (const Case& c : {Case{kEnglish, "Exit", "Exit the program?", "Yes", "No"},
                        Case{kRussian, "Выход", "Выйти из программы?", "Да", "Нет"}}) {
    CConfirmation dialog(c.language);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.caption));
    EXPECT_EQ(dialog.Question()->text(), QString::fromUtf8(c.question));
    EXPECT_EQ(dialog.YesButton()->text(), QString::fromUtf8(c.yes));
    EXPECT_EQ(dialog.NoButton()->text(), QString::fromUtf8(c.no));
    EXPECT_TRUE(dialog.YesButton()->isDefault());
    EXPECT_FALSE(dialog.NoButton()->isDefault());
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("6")), dialog.YesButton());
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("7")), dialog.NoButton());
  }
}

// Runs the dialog modally and has `act` answer it once it is up.
int Answer(CConfirmation& dialog, const std::function<void()>& act) {
  QTimer::singleShot(0, [&] {
    test::RunUntil([&] { return dialog.isVisible(); });
    act();
  });
  return dialog.exec();
}

TEST(Confirmation, AnswersEndWithYesNoOrCancel) {
  CConfirmation dialog(kRussian);
  EXPECT_EQ(Answer(dialog, [&] { dialog.YesButton()->click(); }), kIdYes);
  EXPECT_EQ(Answer(dialog, [&] { dialog.NoButton()->click(); }), kIdNo);
  // Enter takes the default button: yes.
  EXPECT_EQ(Answer(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); }), kIdYes);
  // Escape and the close box are not a yes.
  EXPECT_EQ(Answer(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), kIdCancel);
  EXPECT_EQ(Answer(dialog, [&] { dialog.close(); }), kIdCancel);
  EXPECT_EQ(kIdYes, 6);
  EXPECT_EQ(kIdNo, 7);
}

TEST(AboutDlg, NameVersionAndOk) {
  CAboutDlg dialog;
  const auto labels = dialog.findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_TRUE(labels[0]->text().contains(QStringLiteral("KvlGrad")));
  EXPECT_TRUE(labels[0]->text().contains(QString::fromLatin1(ProgramVersion())));
  auto* ok = dialog.findChild<QPushButton*>(QString::number(kIdOk));
  ASSERT_NE(ok, nullptr);
  QTimer::singleShot(0, [&] {
    test::RunUntil([&] { return dialog.isVisible(); });
    ok->click();
  });
  EXPECT_EQ(dialog.exec(), kIdOk);
}

}  // namespace
}  // namespace kvl
