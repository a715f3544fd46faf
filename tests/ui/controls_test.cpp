#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/capture.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/control_lookup.h"
#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"
#include "ui/controls/font_button.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/controls/note_static.h"
#include "ui/controls/owner_drawn_button.h"
#include "ui/qt_message_target.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

using test::PaintCounter;
using test::RunUntil;
using test::Settle;

// A shown top-level window to put controls on.
struct Window {
  QWidget widget;
  Window() { widget.resize(400, 200); }
  void Show() {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    Settle();
  }
};

TEST(ColorStatic, SameTextTwiceRepaintsOnce) {
  Window w;
  CColorStaticST cell(kStyleCenter, 10, 10, 80, 20, &w.widget, 38300);
  PaintCounter paints(&cell);
  w.Show();

  const int before = paints.Count();
  EXPECT_TRUE(cell.SetTextIfChanged(QStringLiteral("1.234")));
  Settle();
  const int afterFirst = paints.Count();
  EXPECT_GT(afterFirst, before);

  EXPECT_FALSE(cell.SetTextIfChanged(std::string("1.234")));
  Settle();
  EXPECT_EQ(paints.Count(), afterFirst);
  EXPECT_EQ(cell.text(), QStringLiteral("1.234"));

  // UTF-8 from the core arrives as the same characters.
  EXPECT_TRUE(cell.SetTextIfChanged(std::string("Метан")));
  EXPECT_EQ(cell.text(), QStringLiteral("Метан"));
  EXPECT_EQ(cell.objectName(), QStringLiteral("38300"));
}

TEST(ColorStatic, RightClickPostsItsIdentifierThenPassesTheClickOn) {
  Window w;
  test::MessageQueue queue;
  // Row 3 of the "D" column (quantity 2).
  const int id = 38635 + 9 * 3 + 2;
  CColorStaticST cell(kStyleNone, 10, 10, 80, 20, &w.widget, id, &queue);
  CColorStaticST silent(kStyleNone, 10, 40, 80, 20, &w.widget, 38636);
  w.Show();

  QTest::mouseClick(&cell, Qt::RightButton);
  QTest::mouseClick(&silent, Qt::RightButton);
  QTest::mouseClick(&cell, Qt::LeftButton);
  const auto posted = queue.All();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].message, 1025u);
  EXPECT_EQ(posted[0].w, 38664);
  EXPECT_EQ(posted[0].l, 0);
}

TEST(ColorStatic, RightClickReachesTheWindowHandlerOnTheGuiThread) {
  Window w;
  std::vector<std::pair<unsigned, std::intptr_t>> got;
  CQtMessageTarget target([&](unsigned m, std::intptr_t wp, std::intptr_t) { got.emplace_back(m, wp); });
  CColorStaticST cell(kStyleNone, 10, 10, 80, 20, &w.widget, 38115, &target);
  w.Show();
  QTest::mouseClick(&cell, Qt::RightButton);
  ASSERT_TRUE(RunUntil([&] { return !got.empty(); }));
  EXPECT_EQ(got[0], (std::pair<unsigned, std::intptr_t>(WM_USER_CELL_RCLICK, 38115)));
}

TEST(ColorStatic, LeftClickSignalsTheIdentifier) {
  Window w;
  CColorStaticST cell(kStyleNone, 10, 10, 80, 20, &w.widget, 37971);
  std::vector<int> clicks;
  QObject::connect(&cell, &CColorStaticST::Clicked, [&](int id) { clicks.push_back(id); });
  w.Show();
  QTest::mouseClick(&cell, Qt::LeftButton);
  QTest::mouseClick(&cell, Qt::RightButton);
  EXPECT_EQ(clicks, std::vector<int>{37971});
}

TEST(ColorStatic, ColoursAndTheDefault) {
  Window w;
  CColorStaticST cell(kStyleNone, 10, 10, 80, 20, &w.widget, 1);
  const QColor buttonText = cell.palette().color(QPalette::ButtonText);
  EXPECT_EQ(cell.palette().color(QPalette::WindowText), buttonText);
  cell.SetTextColor(QColor(240, 10, 10));
  EXPECT_EQ(cell.palette().color(QPalette::WindowText), QColor(240, 10, 10));
  cell.SetTextColor(QColor());
  EXPECT_EQ(cell.palette().color(QPalette::WindowText), buttonText);

  cell.SetBkColor(QColor(255, 255, 0));
  cell.SetTextIfChanged(QStringLiteral(" "));
  w.Show();
  const QImage image = cell.grab().toImage();
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 2), QColor(255, 255, 0));
}

TEST(ColorStatic, FontWidthChangesOnlyWhenDifferent) {
  Window w;
  CNoteStatic cell(kStyleCenter, 10, 10, 80, 20, &w.widget, 38135, QStringLiteral("n"), 0, -20, 80, 18);
  PaintCounter paints(&cell);
  cell.SetTextIfChanged(QStringLiteral("12345"));
  w.Show();
  EXPECT_EQ(cell.FontWidth(), kDefaultFontWidth);
  EXPECT_EQ(cell.font(), FixedFont(6));
  const int before = paints.Count();
  EXPECT_FALSE(cell.SetFontWidth(6));
  Settle();
  EXPECT_EQ(paints.Count(), before);
  EXPECT_TRUE(cell.SetFontWidth(4));
  EXPECT_EQ(cell.font().stretch(), FixedFontStretch(4));
  EXPECT_EQ(cell.Note()->font(), FixedFont(6));  // the note keeps the font it was made with

  CNoteButton button(kStyleOwnerDraw, 10, 40, 80, 20, &w.widget, 38295);
  EXPECT_FALSE(button.SetFontWidth(6));
  EXPECT_TRUE(button.SetFontWidth(7));
  EXPECT_EQ(button.font(), FixedFont(7));
}

TEST(Note, ZeroSizeCreatesNoNote) {
  Window w;
  QLabel other(QStringLiteral("other"), &w.widget);
  CNoteEdit edit(kStyleNone, 100, 50, 65, 24, &w.widget, 37845, QStringLiteral("ignored"), 0, -20, 0, 0);
  w.Show();
  EXPECT_EQ(edit.Note(), nullptr);
  EXPECT_EQ(w.widget.findChildren<QLabel*>().size(), 1);  // only `other`
  edit.Show(false);
  EXPECT_FALSE(edit.isVisible());
  EXPECT_TRUE(other.isVisible());
  edit.SetNote(QStringLiteral("still nothing"));  // no note, no effect
  EXPECT_EQ(w.widget.findChildren<QLabel*>().size(), 1);
}

TEST(Note, TravelsWithItsControl) {
  Window w;
  CNoteEdit edit(kStyleNone, 235, 25, 65, 24, &w.widget, 37844, QStringLiteral("Pause,ms"), 0, -20, 65, 18);
  QLabel* note = edit.Note();
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->objectName(), QStringLiteral("65535"));
  EXPECT_EQ(note->parentWidget(), &w.widget);
  EXPECT_EQ(note->geometry(), QRect(235, 5, 65, 18));
  EXPECT_EQ(note->text(), QStringLiteral("Pause,ms"));
  EXPECT_EQ(note->font(), edit.font());
  w.Show();
  EXPECT_TRUE(note->isVisible());

  edit.Show(false);
  EXPECT_FALSE(note->isVisible());
  edit.show();  // the platform's own show works the same
  EXPECT_TRUE(note->isVisible());
  edit.hide();
  EXPECT_FALSE(note->isVisible());
  edit.Show(true);
  EXPECT_TRUE(note->isVisible());

  edit.move(10, 100);
  EXPECT_EQ(note->pos(), QPoint(10, 80));
  edit.SetNote(QStringLiteral("Пауза,мс"));
  EXPECT_EQ(note->text(), QStringLiteral("Пауза,мс"));
}

TEST(Note, HiddenAtCreationAndGoneWithItsControl) {
  Window w;
  auto* button = new CNoteButton(kStyleHidden, 10, 40, 85, 23, &w.widget, 38315, QStringLiteral("Set 0"), 0, -20, 85,
                                 18);
  w.Show();
  ASSERT_NE(button->Note(), nullptr);
  EXPECT_FALSE(button->isVisible());
  EXPECT_FALSE(button->Note()->isVisible());
  button->Show(true);
  EXPECT_TRUE(button->Note()->isVisible());
  delete button;
  EXPECT_TRUE(w.widget.findChildren<QLabel*>().isEmpty());
}

TEST(Note, EveryNoteClassCarriesItsNote) {
  Window w;
  CNoteStatic counter(kStyleNone, 310, 35, 100, 20, &w.widget, 37849, QStringLiteral("Responses"), 10, -21, 90, 18);
  CNoteComboBox port(kStyleNone, 100, 25, 53, 600, &w.widget, 37835, QStringLiteral("Port COM"), 0, -20, 60, 18);
  w.Show();
  ASSERT_NE(counter.Note(), nullptr);
  ASSERT_NE(port.Note(), nullptr);
  EXPECT_EQ(counter.Note()->pos(), QPoint(320, 14));
  EXPECT_EQ(port.Note()->text(), QStringLiteral("Port COM"));
  EXPECT_EQ(FindControl<CNoteComboBox>(&w.widget, 37835), &port);
  EXPECT_EQ(FindControl<QComboBox>(&w.widget, 37849), nullptr);  // wrong kind
  EXPECT_EQ(ControlId(&counter), 37849);
  EXPECT_EQ(ControlId(&w.widget), -1);
  EXPECT_EQ(port.height(), kComboHeight);
  EXPECT_GT(port.maxVisibleItems(), 10);
  port.Show(false);
  counter.Show(false);
  EXPECT_FALSE(port.Note()->isVisible());
  EXPECT_FALSE(counter.Note()->isVisible());
}

// Enter in a field of a dialog with a default button: the dialog must stay.
template <class Field>
void PressEnterIn(QDialog& dialog, Field& field, const char* typed) {
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  field.setFocus();
  if (typed) QTest::keyClicks(&field, typed);
  QTest::keyClick(&field, Qt::Key_Return);
  QTest::keyClick(&field, Qt::Key_Enter);
  Settle();
}

TEST(SwallowedEnter, EditKeepsTheDialogOpenAndTheText) {
  QDialog dialog;
  CNoteEdit edit(kStyleNone, 10, 10, 80, 24, &dialog, 37848);
  PressEnterIn(dialog, edit, "12");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(edit.text(), QStringLiteral("12"));

  // The same with a plain edit closes the dialog: the test can see the fault.
  QDialog plainDialog;
  QLineEdit plain(&plainDialog);
  PressEnterIn(plainDialog, plain, "12");
  EXPECT_FALSE(plainDialog.isVisible());
}

TEST(SwallowedEnter, DropDownListKeepsTheDialogOpenAndItsItem) {
  QDialog dialog;
  CNoteComboBox list(kStyleNone, 10, 10, 80, 200, &dialog, 37857);
  list.addItems({QStringLiteral("Tuning"), QStringLiteral("Calibration")});
  list.setCurrentIndex(1);
  PressEnterIn(dialog, list, nullptr);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(list.currentIndex(), 1);
  // Other keys keep working.
  QTest::keyClick(&list, Qt::Key_Up);
  EXPECT_EQ(list.currentIndex(), 0);
}

// Pixels of (about) pure red in an image, and whether all of them lie in `inside`.
int RedPixels(const QImage& image, const QRect& inside, bool* allInside) {
  int count = 0;
  *allInside = true;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 180 && c.green() < 90 && c.blue() < 90) {
        ++count;
        if (!inside.contains(x, y)) *allInside = false;
      }
    }
  return count;
}

TEST(OwnerDrawnButton, DrawsItsTextInItsColourInsideTheShrunkRectangle) {
  Window w;
  CNoteButton value(kStyleOwnerDraw, 10, 10, 70, 23, &w.widget, 38295);
  CNoteButton plain(kStyleNone, 10, 40, 70, 23, &w.widget, 38315);
  for (auto* b : {&value, &plain}) {
    b->SetTextIfChanged(QStringLiteral("88.8"));
    b->SetTextColor(QColor(255, 0, 0));
  }
  w.Show();
  EXPECT_TRUE(value.OwnerDrawn());
  bool inside = false;
  EXPECT_GT(RedPixels(value.grab().toImage(), OwnerDrawnTextRect(value.rect()), &inside), 20);
  EXPECT_TRUE(inside);
  EXPECT_EQ(RedPixels(plain.grab().toImage(), plain.rect(), &inside), 0);  // the platform draws plain ones

  value.SetTextColor(QColor());
  EXPECT_EQ(RedPixels(value.grab().toImage(), value.rect(), &inside), 0);
}

TEST(OwnerDrawnButton, ColourAndTextRepaintOnlyOnChange) {
  Window w;
  CNoteButton value(kStyleOwnerDraw, 10, 10, 70, 23, &w.widget, 38515);
  CFontButton font(kStyleNone, 10, 40, 70, 23, &w.widget, 37970, QStringLiteral("GradChar"));
  PaintCounter valuePaints(&value);
  PaintCounter fontPaints(&font);
  w.Show();

  for (auto [button, paints] : {std::pair<QPushButton*, PaintCounter*>(&value, &valuePaints),
                                std::pair<QPushButton*, PaintCounter*>(&font, &fontPaints)}) {
    auto setColor = [&](const QColor& c) {
      if (auto* b = qobject_cast<CNoteButton*>(button)) b->SetTextColor(c);
      else qobject_cast<CFontButton*>(button)->SetTextColor(c);
    };
    auto setText = [&](const QString& t) {
      if (auto* b = qobject_cast<CNoteButton*>(button)) return b->SetTextIfChanged(t);
      return qobject_cast<CFontButton*>(button)->SetTextIfChanged(t);
    };
    setColor(QColor(0, 0, 240));
    Settle();
    const int afterColour = paints->Count();
    setColor(QColor(0, 0, 240));
    Settle();
    EXPECT_EQ(paints->Count(), afterColour) << button->objectName().toStdString();
    EXPECT_TRUE(setText(QStringLiteral("12")));
    Settle();
    const int afterText = paints->Count();
    EXPECT_GT(afterText, afterColour);
    EXPECT_FALSE(setText(QStringLiteral("12")));
    Settle();
    EXPECT_EQ(paints->Count(), afterText) << button->objectName().toStdString();
  }
  EXPECT_EQ(font.Text(), QStringLiteral("12"));
  EXPECT_EQ(font.text(), QStringLiteral("12"));
}

}  // namespace
}  // namespace kvl
