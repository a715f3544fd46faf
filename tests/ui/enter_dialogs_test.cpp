// The input dialogs, driven as an operator drives them: texts in both
// languages, the result of every ending (Escape and the close box end like
// Cancel and leave the results alone), Enter, and the enabling rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>
#include <memory>

#include "text/command_texts.h"
#include "text/dialog_texts.h"
#include "ui/controls/control_lookup.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_1_edit.h"
#include "ui/dialogs/enter_1_edit_1_checkbox.h"
#include "ui/dialogs/enter_2_combo_2_check.h"
#include "ui/dialogs/enter_2_edit.h"
#include "ui/dialogs/enter_4_button.h"
#include "ui/dialogs/enter_axis.h"
#include "ui/dialogs/enter_factory_number.h"
#include "ui/dialogs/enter_gas_name.h"
#include "ui/dialogs/enter_heat_limit.h"
#include "ui/dialogs/enter_limit.h"
#include "ui/dialogs/enter_schedule.h"
#include "ui/dialogs/enter_slave_number.h"
#include "ui/dialogs/enter_work_refer.h"
#include "ui_test_support.h"

namespace kvl {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs `dialog` modally and has `act` answer it once it is up; its result.
int Drive(QDialog& dialog, const std::function<void()>& act) {
  QTimer::singleShot(0, [&] {
    test::RunUntil([&] { return dialog.isVisible(); });
    act();
  });
  return dialog.exec();
}

template <class T = QWidget>
T* Get(const QWidget* dialog, int id) {
  T* control = FindControl<T>(dialog, id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}

QString TextOf(const QWidget* dialog, int id) {
  if (auto* label = FindControl<QLabel>(dialog, id)) return label->text();
  if (auto* button = FindControl<QAbstractButton>(dialog, id)) return button->text();
  if (auto* group = FindControl<QGroupBox>(dialog, id)) return group->title();
  ADD_FAILURE() << "no text control " << id;
  return {};
}

struct Caption {
  int id;
  const char* en;
  const char* ru;
};

// The dialog `make` opens shows each caption in English and in Russian.
template <class Make>
void ExpectTexts(Make make, std::initializer_list<Caption> captions) {
  for (LanguageIndex l : {kEnglish, kRussian}) {
    auto d = make(l);
    for (const Caption& c : captions) EXPECT_EQ(TextOf(d.get(), c.id), U(l == kEnglish ? c.en : c.ru)) << c.id;
  }
}

const Caption kCancelCaption{kIdCancel, "Cancel", "Отмена"};
const Caption kSetCaption{dlg::kSetButton, "Set", "Установить"};

void PressEnterIn(QWidget* control) {
  control->setFocus();
  QTest::keyClick(control, Qt::Key_Return);
}

// The three one-edit dialogs: a prompt, a value, a confirming button and Cancel.
TEST(EnterOneEdit, TextsResultsEscapeCloseAndEnter) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<CEnterDialog>(LanguageIndex)> make;
    std::function<std::string(const CEnterDialog&)> value;
    int okId, okResult;
    const char* okText[2];
    const char* initial;
    bool enterEnds;  // the template has a default button
    bool masked;
  };
  const Case cases[] = {
      {"CEnterLimit", [](LanguageIndex l) { return std::make_unique<CEnterLimit>("Enter password", "12", l); },
       [](const CEnterDialog& d) { return static_cast<const CEnterLimit&>(d).Value(); }, kIdOk, kIdSet,
       {"OK", "Установить"}, "12", true, false},
      {"CEnter1Edit", [](LanguageIndex l) { return std::make_unique<CEnter1Edit>("Enter password", l); },
       [](const CEnterDialog& d) { return static_cast<const CEnter1Edit&>(d).Value(); }, kIdOk, kIdOk,
       {"OK", "Ввести"}, "", true, true},
      {"CEnterFactoryNumber",
       [](LanguageIndex l) { return std::make_unique<CEnterFactoryNumber>("Enter password", "12", l); },
       [](const CEnterDialog& d) { return static_cast<const CEnterFactoryNumber&>(d).Value(); }, dlg::kSetButton,
       kIdSet, {"Set", "Установить"}, "12", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (LanguageIndex l : {kEnglish, kRussian}) {
      auto d = c.make(l);
      EXPECT_EQ(TextOf(d.get(), dlg::kPrompt), U("Enter password"));
      EXPECT_EQ(TextOf(d.get(), c.okId), U(c.okText[l]));
      EXPECT_EQ(TextOf(d.get(), kIdCancel), U(l == kEnglish ? "Cancel" : "Отмена"));
      auto* edit = Get<QLineEdit>(d.get(), dlg::kValue);
      EXPECT_EQ(edit->text(), U(c.initial));
      EXPECT_EQ(edit->echoMode(), c.masked ? QLineEdit::Password : QLineEdit::Normal);
    }
    auto d = c.make(kRussian);
    auto* edit = Get<QLineEdit>(d.get(), dlg::kValue);
    auto* ok = Get<QPushButton>(d.get(), c.okId);
    // Escape, the close box and Cancel leave the value alone.
    EXPECT_EQ(Drive(*d, [&] { edit->setText("7"); QTest::keyClick(edit, Qt::Key_Escape); }), kIdCancel);
    EXPECT_EQ(Drive(*d, [&] { d->close(); }), kIdCancel);
    EXPECT_EQ(Drive(*d, [&] { Get<QPushButton>(d.get(), kIdCancel)->click(); }), kIdCancel);
    EXPECT_EQ(c.value(*d), c.initial);
    EXPECT_EQ(Drive(*d, [&] { edit->setText(" 4,5 "); ok->click(); }), c.okResult);
    EXPECT_EQ(c.value(*d), " 4,5 ");
    // Enter in the edit takes the default button only where the template has one.
    bool stillOpen = false;
    const int result = Drive(*d, [&] {
      edit->setText("99");
      PressEnterIn(edit);
      test::Settle();
      stillOpen = d->isVisible();
      if (stillOpen) ok->click();
    });
    EXPECT_EQ(result, c.okResult);
    EXPECT_EQ(stillOpen, !c.enterEnds);
    EXPECT_EQ(c.value(*d), "99");
  }
}

TEST(Enter1Edit1Checkbox, TickDisablesTheEditAndSetReturnsBoth) {
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnter1Edit1Checkbox>("p", "1", l); },
              {kSetCaption, kCancelCaption, {dlg::kFirstCheck, "As in graduation", "Как в градуировке"}});
  CEnter1Edit1Checkbox d("p", "2048", kEnglish);
  auto* edit = Get<QLineEdit>(&d, dlg::kValue);
  auto* check = Get<QCheckBox>(&d, dlg::kFirstCheck);
  EXPECT_EQ(edit->text(), "2048");
  EXPECT_TRUE(edit->isEnabled());
  check->click();
  EXPECT_FALSE(edit->isEnabled());
  check->click();
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_EQ(Drive(d, [&] { check->click(); QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
  EXPECT_FALSE(d.Checked());
  EXPECT_EQ(Drive(d, [&] { Get<QPushButton>(&d, dlg::kSetButton)->click(); }), kIdSet);
  EXPECT_TRUE(d.Checked());
  EXPECT_EQ(d.Value(), "2048");

  CEnter1Edit1Checkbox plain("p", "1", kEnglish, /*offerCheck=*/false);
  EXPECT_FALSE(Get<QCheckBox>(&plain, dlg::kFirstCheck)->isVisibleTo(&plain));
}

TEST(Enter2Combo2Check, SecondListShownButFixedAndOkReturnsEverything) {
  CEnter2Combo2Check::Input in;
  in.prompt = "Start?";
  in.firstItems = {"+50°C", "+40°C", "   0°C"};
  in.secondItems = {"Manually", "Auto"};
  in.firstPosition = 1;
  in.secondPosition = 1;
  in.firstCheck = "Without delay";
  in.secondCheck = "Without gas";
  ExpectTexts([&in](LanguageIndex l) { return std::make_unique<CEnter2Combo2Check>(in, l); },
              {{kIdOk, "Set", "Установить"}, kCancelCaption, {dlg::kFirstCheck, "Without delay", "Without delay"},
               {dlg::kSecondCheck, "Without gas", "Without gas"}});
  in.okCaption = "Begin";
  CEnter2Combo2Check d(in, kEnglish);
  EXPECT_EQ(TextOf(&d, kIdOk), "Begin");
  auto* first = Get<QComboBox>(&d, dlg::kFirstList);
  auto* second = Get<QComboBox>(&d, dlg::kSecondList);
  EXPECT_EQ(first->count(), 3);
  EXPECT_EQ(first->currentIndex(), 1);
  EXPECT_EQ(second->currentText(), "Auto");
  EXPECT_FALSE(second->isEnabled());
  EXPECT_EQ(Drive(d, [&] { first->setCurrentIndex(2); QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
  EXPECT_EQ(d.FirstPosition(), 1);
  // Enter in the list takes the default button.
  const int result = Drive(d, [&] {
    first->setCurrentIndex(2);
    Get<QCheckBox>(&d, dlg::kSecondCheck)->click();
    PressEnterIn(first);
  });
  EXPECT_EQ(result, kIdOk);
  EXPECT_EQ(d.FirstPosition(), 2);
  EXPECT_EQ(d.SecondPosition(), 1);
  EXPECT_FALSE(d.FirstChecked());
  EXPECT_TRUE(d.SecondChecked());
}

TEST(Enter2Edit, TextsAndBothConcentrations) {
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnter2Edit>("", "", l); },
              {{dlg::kPrompt, "Enter concentrations for the calibration", "Введите концентрации для градуировки:"},
               {dlg::kLabel1, "Concentration of medium mixture, vol.%", "Концентрация средней ПГС, об.%"},
               {dlg::kLabel2, "Concentration of high mixture, vol.%", "Концентрация высокой ПГС, об.%"},
               {kIdOk, "OK", "Установить"},
               kCancelCaption});
  CEnter2Edit d("1.1", "", kEnglish);
  auto* medium = Get<QLineEdit>(&d, dlg::kMediumValue);
  auto* high = Get<QLineEdit>(&d, dlg::kHighValue);
  EXPECT_EQ(medium->text(), "1.1");
  EXPECT_EQ(Drive(d, [&] { d.close(); }), kIdCancel);
  EXPECT_EQ(Drive(d, [&] { medium->setText("1,2"); high->setText("2.5"); Get<QPushButton>(&d, kIdOk)->click(); }),
            kIdOk);
  EXPECT_EQ(d.Medium(), "1,2");
  EXPECT_EQ(d.High(), "2.5");
}

TEST(Enter4Button, CaptionsAndOneResultPerButton) {
  CEnter4Button d("Calibration reset", {"Graduation and CALCONC1,2", "Methane", "Propane", "Cancel"}, kRussian);
  EXPECT_EQ(d.windowTitle(), "Calibration reset");
  const char* captions[] = {"Graduation and CALCONC1,2", "Methane", "Propane", "Cancel"};
  for (int i = 0; i < 4; ++i) {
    auto* button = Get<QPushButton>(&d, dlg::kFourButtonFirst + i);
    EXPECT_EQ(button->text(), captions[i]);
    EXPECT_EQ(Drive(d, [&] { button->click(); }), kIdButton1 + i);
  }
  EXPECT_EQ(kIdButton1, 11);
  EXPECT_EQ(kIdButton4, 14);
  EXPECT_EQ(Drive(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
  CEnter4Button fresh("t", {"a", "b", "c", "d"}, kEnglish);
  EXPECT_EQ(Drive(fresh, [&] { QTest::keyClick(&fresh, Qt::Key_Return); }), kIdButton1);  // the default button
}

TEST(EnterAxis, ManualEnablesTheValueAndSetReadsItsWholeNumber) {
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterAxis>(false, 400, l); },
              {{dlg::kManualRadio, "Manual", "Вручную"}, {dlg::kAutoRadio, "Auto", "Автоматически"}, kSetCaption,
               kCancelCaption});
  EXPECT_EQ(CEnterAxis(false, 400, kRussian).windowTitle(), U(" Введите значение"));
  EXPECT_EQ(CEnterAxis(false, 400, kRussian, nullptr, 3).findChild<QGroupBox*>()->title(), U("Максимум оси Y"));
  // Opened automatic: the value is greyed; "Manual" makes it editable; an empty edit gives 0.
  CEnterAxis d(false, 400, kEnglish);
  auto* edit = Get<QLineEdit>(&d, dlg::kAxisValue);
  EXPECT_EQ(edit->text(), "400");
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_TRUE(Get<QRadioButton>(&d, dlg::kAutoRadio)->isChecked());
  Get<QRadioButton>(&d, dlg::kManualRadio)->click();
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_EQ(Drive(d, [&] { edit->clear(); QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
  EXPECT_FALSE(d.Manual());
  EXPECT_EQ(d.Value(), 400);
  EXPECT_EQ(Drive(d, [&] { edit->clear(); Get<QPushButton>(&d, dlg::kSetButton)->click(); }), kIdSet);
  EXPECT_TRUE(d.Manual());
  EXPECT_EQ(d.Value(), 0);

  CEnterAxis manual(true, -250, kEnglish);
  auto* manualEdit = Get<QLineEdit>(&manual, dlg::kAxisValue);
  EXPECT_TRUE(manualEdit->isEnabled());
  Get<QRadioButton>(&manual, dlg::kAutoRadio)->click();
  EXPECT_FALSE(manualEdit->isEnabled());
  EXPECT_EQ(Drive(manual, [&] { Get<QPushButton>(&manual, dlg::kSetButton)->click(); }), kIdSet);
  EXPECT_FALSE(manual.Manual());
  EXPECT_EQ(manual.Value(), -250);

  struct Case {
    const char* text;
    int value;
  };
  for (const Case& c : {Case{"", 0}, Case{"abc", 0}, Case{"1100", 1100}, Case{" 12x5", 12}, Case{"-40", -40},
                        Case{"+7", 7}, Case{"3.9", 3}, Case{"99999999999", 2147483647}, Case{"-99999999999", -2147483647 - 1}})
    EXPECT_EQ(AxisValueFromText(c.text), c.value) << c.text;
}

TEST(EnterGasName, NamesOfTheTypesTableAndThePosition) {
  CEnterGasName common("Select new gas name:", 4, 38, kRussian);
  auto* list = Get<QComboBox>(&common, dlg::kGasList);
  ASSERT_EQ(list->count(), 85);
  EXPECT_EQ(list->currentIndex(), 38);
  EXPECT_EQ(list->currentText(), U("Природный газ"));  // "Природ- ный газ" without "- "
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterGasName>("p", 0, 0, l); }, {kSetCaption, kCancelCaption});
  CEnterGasName z40("Select new gas name:", 3, 23, kEnglish);
  EXPECT_EQ(Get<QComboBox>(&z40, dlg::kGasList)->currentText(), "Petroleum");
  EXPECT_EQ(Get<QComboBox>(&z40, dlg::kGasList)->itemText(4), "Isobutane");

  EXPECT_EQ(Drive(common, [&] { list->setCurrentIndex(1); common.close(); }), kIdCancel);
  EXPECT_EQ(common.Position(), 38);
  EXPECT_EQ(Drive(common, [&] { list->setCurrentIndex(1); Get<QPushButton>(&common, dlg::kSetButton)->click(); }),
            kIdSet);
  EXPECT_EQ(common.Position(), 1);
  CEnterGasName none("p", 0, -1, kEnglish);
  EXPECT_EQ(Drive(none, [&] { Get<QPushButton>(&none, dlg::kSetButton)->click(); }), kIdSet);
  EXPECT_EQ(none.Position(), -1);
}

TEST(EnterHeatLimit, ValueFormatsStatesAndTexts) {
  struct Shown {
    std::uint16_t value;
    bool integer;
    const char* text;
  };
  for (const Shown& c : {Shown{250, false, "2.50"}, Shown{65436, false, "-1.00"}, Shown{65436, true, "65436"},
                         Shown{0, false, "0.00"}, Shown{32767, false, "327.67"}}) {
    EXPECT_EQ(HeatLimitText(c.value, c.integer), c.text);
    CEnterHeatLimit d("Enter new heat limit value:", 1, c.value, c.integer, kEnglish);
    EXPECT_EQ(Get<QLineEdit>(&d, dlg::kHeatValue)->text(), c.text);
  }
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterHeatLimit>("p", 1, 0, false, l); },
              {{kIdOk, "OK", "Установить"}, kCancelCaption, {dlg::kHeatingGroup, "Heating", "Обогрев"},
               {dlg::kEnableRadio, "Enable", "Разрешён"}, {dlg::kDisableRadio, "Disable", "Запрещён"}});
  // State in, radios, state out: 1 enable, 0 disable, neither -> 2.
  struct State {
    int in;
    bool enable, disable;
  };
  for (const State& c : {State{1, true, false}, State{0, false, true}, State{2, false, false}, State{7, false, false}}) {
    CEnterHeatLimit d("p", c.in, 100, false, kEnglish);
    EXPECT_EQ(Get<QRadioButton>(&d, dlg::kEnableRadio)->isChecked(), c.enable);
    EXPECT_EQ(Get<QRadioButton>(&d, dlg::kDisableRadio)->isChecked(), c.disable);
    EXPECT_EQ(Drive(d, [&] { PressEnterIn(Get<QLineEdit>(&d, dlg::kHeatValue)); }), kIdSet);
    EXPECT_EQ(d.State(), c.in == 1 || c.in == 0 ? c.in : 2);
    EXPECT_EQ(d.Value(), "1.00");
  }
  CEnterHeatLimit d("p", 0, 100, false, kEnglish);
  EXPECT_EQ(Drive(d, [&] {
              Get<QRadioButton>(&d, dlg::kEnableRadio)->click();
              Get<QLineEdit>(&d, dlg::kHeatValue)->setText("12.5 a");
              Get<QPushButton>(&d, kIdOk)->click();
            }),
            kIdSet);
  EXPECT_EQ(d.State(), 1);
  EXPECT_EQ(d.Value(), "12.5 a");
}

ScheduleEntries SampleSchedule() {
  ScheduleEntries entries;
  for (int e = 0; e < kScheduleEntries; ++e) {
    std::tm& t = entries[std::size_t(e)].time;
    t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 7 + e / 2, t.tm_hour = 8 + 9 * (e % 2), t.tm_min = 5 * e, t.tm_sec = 33;
    entries[std::size_t(e)].enabled = true;
  }
  return entries;
}

TEST(EnterSchedule, GridOfPickersAndTheSixEntries) {
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterSchedule>("s", SampleSchedule(), l); },
              {kSetCaption, kCancelCaption, {dlg::kScheduleCaption, "Start", "Начало"},
               {dlg::kScheduleCaption + 1, "Stop", "Конец"}, {dlg::kScheduleStage + 2, "Stage 3", "Этап 3"},
               {dlg::kScheduleDash + 1, "-", "-"}});
  CEnterSchedule d("Enter the schedule:", SampleSchedule(), kEnglish);
  for (int j = 0; j < 3; ++j)
    for (int k = 0; k < 2; ++k) {
      const int e = 2 * j + k;
      EXPECT_EQ(Get<QDateEdit>(&d, dlg::kScheduleDate + e), d.DatePicker(j, k));
      EXPECT_EQ(Get<QTimeEdit>(&d, dlg::kScheduleTime + e), d.TimePicker(j, k));
      EXPECT_EQ(Get<QCheckBox>(&d, dlg::kScheduleTime + e), d.Tick(j, k));
      EXPECT_EQ(d.TimePicker(j, k)->geometry().right() + 1, 195 + 225 * k + 96);
      EXPECT_EQ(d.DatePicker(j, k)->geometry(), QRect(80 + 225 * k, 70 + 45 * j, 110, 30));
      EXPECT_EQ(d.DatePicker(j, k)->date(), QDate(2026, 12, 7 + j));
      EXPECT_EQ(d.TimePicker(j, k)->time(), QTime(8 + 9 * k, 5 * e));
      EXPECT_EQ(d.TimePicker(j, k)->text(), QTime(8 + 9 * k, 5 * e).toString("HH:mm"));
    }
  // Unticking greys the time; Cancel keeps the caller's entries.
  d.Tick(1, 1)->click();
  EXPECT_FALSE(d.TimePicker(1, 1)->isEnabled());
  EXPECT_EQ(Drive(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
  EXPECT_TRUE(d.Entries()[3].enabled);
  EXPECT_EQ(d.Entries()[3].time.tm_sec, 33);
  const int result = Drive(d, [&] {
    d.DatePicker(2, 0)->setDate(QDate(2027, 1, 31));
    d.TimePicker(2, 0)->setTime(QTime(23, 59));
    // Enter in a picker does not end the schedule: its template has no default button.
    PressEnterIn(d.TimePicker(2, 0));
    test::Settle();
    if (d.isVisible()) Get<QPushButton>(&d, dlg::kSetButton)->click();
  });
  EXPECT_EQ(result, kIdSet);
  const ScheduleEntries& out = d.Entries();
  EXPECT_FALSE(out[3].enabled);  // the unticked stop end of stage 2
  for (int e : {0, 1, 2, 4, 5}) EXPECT_TRUE(out[std::size_t(e)].enabled) << e;
  const std::tm& t = out[4].time;
  EXPECT_EQ(t.tm_year, 127);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 31);
  EXPECT_EQ(t.tm_hour, 23);
  EXPECT_EQ(t.tm_min, 59);
  for (const ScheduleEntry& entry : out) EXPECT_EQ(entry.time.tm_sec, 0);
  EXPECT_EQ(out[3].time.tm_hour, 17);

  ScheduleEntries empty;  // no valid dates: the pickers start at the present day
  CEnterSchedule fresh("s", empty, kEnglish);
  EXPECT_EQ(fresh.DatePicker(0, 0)->date(), QDate::currentDate());
  EXPECT_FALSE(fresh.Tick(0, 0)->isChecked());
  EXPECT_FALSE(fresh.TimePicker(0, 0)->isEnabled());
}

TEST(EnterSlaveNumber, PollOrAssignWithTheBaudText) {
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterSlaveNumber>("p", "17", 3, l); },
              {{dlg::kSetButton, "Assign number && baud rate", "Присвоить номер и скорость"},
               {dlg::kPollButton, "Poll number", "Опрашивать номер"}, kCancelCaption});
  CEnterSlaveNumber d("Enter new Modbus slave number (1-247):", "17", 3, kEnglish);
  auto* assign = Get<QPushButton>(&d, dlg::kSetButton);
  // "&&" is how a button shows one "&": no mnemonic, one ampersand drawn.
  EXPECT_TRUE(assign->shortcut().isEmpty());
  auto* bauds = Get<QComboBox>(&d, dlg::kBaudList);
  QStringList items;
  for (int i = 0; i < bauds->count(); ++i) items << bauds->itemText(i);
  EXPECT_EQ(items, QStringList({"1200", "2400", "4800", "9600", "19200"}));
  EXPECT_EQ(bauds->currentText(), "9600");
  auto* edit = Get<QLineEdit>(&d, dlg::kValue);
  EXPECT_EQ(edit->text(), "17");

  EXPECT_EQ(Drive(d, [&] { edit->setText("5"); bauds->setCurrentIndex(4); QTest::keyClick(&d, Qt::Key_Escape); }),
            kIdCancel);
  EXPECT_EQ(d.Number(), "17");
  EXPECT_EQ(d.Baud(), "9600");
  EXPECT_EQ(Drive(d, [&] { Get<QPushButton>(&d, dlg::kPollButton)->click(); }), kIdPollNumber);
  EXPECT_EQ(kIdPollNumber, 7);
  EXPECT_EQ(d.Number(), "5");
  EXPECT_EQ(d.Baud(), "9600");  // polling a number takes no baud rate
  EXPECT_EQ(Drive(d, [&] { edit->setText("12"); assign->click(); }), kIdSet);
  EXPECT_EQ(d.Number(), "12");
  EXPECT_EQ(d.Baud(), "19200");
}

TEST(EnterWorkRefer, ChoicesByTypeAndChannelKindsAndResults) {
  struct Case {
    const char* name;
    bool graduation, reference;
    bool asIn, proportion, setOne;
  };
  // Z5 "R": as in / irrespective, no "Set 1"; Z5 "W": all three; other types: irrespective and "Set 1".
  for (const Case& c : {Case{"Z5 R", true, true, true, false, false}, Case{"Z5 W", true, false, true, true, false},
                        Case{"other R", false, true, false, false, true},
                        Case{"other W", false, false, false, false, true}}) {
    SCOPED_TRACE(c.name);
    CEnterWorkRefer d("p", c.graduation, c.reference, "9500", kEnglish);
    EXPECT_EQ(Get<QRadioButton>(&d, dlg::kAsInGraduationRadio)->isVisibleTo(&d), c.asIn);
    EXPECT_EQ(Get<QRadioButton>(&d, dlg::kProportionRadio)->isVisibleTo(&d), c.proportion);
    EXPECT_TRUE(Get<QRadioButton>(&d, dlg::kIrrespectiveRadio)->isVisibleTo(&d));
    EXPECT_TRUE(Get<QRadioButton>(&d, dlg::kIrrespectiveRadio)->isChecked());
    EXPECT_EQ(Get<QPushButton>(&d, dlg::kSetOneButton)->isVisibleTo(&d), c.setOne);
    EXPECT_EQ(Get<QLineEdit>(&d, dlg::kValue)->text(), "9500");  // the text entered last time
    EXPECT_EQ(d.Kind(), 3);
  }
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterWorkRefer>("p", true, false, "", l); },
              {{kIdOk, "OK", "Установить"}, {dlg::kSetOneButton, "Set 1", "Установить 1"}, kCancelCaption,
               {dlg::kLabel1, "Working channel level", "Уровень рабочего канала"},
               {dlg::kAsInGraduationRadio, "As in graduation", "Как в градуировке"},
               {dlg::kProportionRadio, "In proportion to graduation", "Пропорционально градуировке"},
               {dlg::kIrrespectiveRadio, "Irrespective of graduation", "Независимо от градуировки"}});
  ExpectTexts([](LanguageIndex l) { return std::make_unique<CEnterWorkRefer>("p", true, true, "", l); },
              {{dlg::kLabel1, "Reference channel level", "Уровень опорного канала"}});
  // Kinds: the edit, "Set 1" and the label follow the choice; every choice empties the edit.
  struct Kind {
    int radio;
    bool reference;
    int kind;
    bool editEnabled;
  };
  for (const Kind& c : {Kind{dlg::kAsInGraduationRadio, false, 1, false}, Kind{dlg::kProportionRadio, false, 2, false},
                        Kind{dlg::kProportionRadio, true, 2, true}, Kind{dlg::kIrrespectiveRadio, false, 3, true}}) {
    CEnterWorkRefer d("p", true, c.reference, "9500", kEnglish);
    auto* edit = Get<QLineEdit>(&d, dlg::kValue);
    Get<QRadioButton>(&d, c.radio)->click();
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(edit->isEnabled(), c.editEnabled) << c.kind;
    EXPECT_EQ(Get<QPushButton>(&d, dlg::kSetOneButton)->isEnabled(), c.kind == 3);
    EXPECT_EQ(Get<QLabel>(&d, dlg::kLabel1)->isEnabled(), c.kind == 3);
    EXPECT_EQ(Drive(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), kIdCancel);
    EXPECT_EQ(d.Kind(), 3);
    EXPECT_EQ(d.Value(), "9500");
    EXPECT_EQ(Drive(d, [&] { edit->setText("12000"); Get<QPushButton>(&d, kIdOk)->click(); }), kIdSet);
    EXPECT_EQ(d.Kind(), c.kind);
    EXPECT_EQ(d.Value(), "12000");
  }
  CEnterWorkRefer other("p", false, false, "", kEnglish);
  EXPECT_EQ(Drive(other, [&] { Get<QPushButton>(&other, dlg::kSetOneButton)->click(); }), kIdSetOne);
  EXPECT_EQ(other.Kind(), 3);
  EXPECT_EQ(Drive(other, [&] { PressEnterIn(Get<QLineEdit>(&other, dlg::kValue)); }), kIdSet);
}

// A language other than English and Russian keeps the templates' own texts.
TEST(EnterDialogs, OtherLanguagesKeepTheTemplateTexts) {
  CEnterAxis axis(true, 1, kSpanish);
  EXPECT_EQ(TextOf(&axis, dlg::kManualRadio), "Manual");
  EXPECT_EQ(TextOf(&axis, dlg::kAutoRadio), "Automatic");
  EXPECT_EQ(TextOf(&axis, dlg::kSetButton), "");
  CEnterLimit limit("Prompt", "1", kSpanish);
  EXPECT_EQ(TextOf(&limit, dlg::kPrompt), "Prompt");  // the caller's prompt stays
  EXPECT_EQ(TextOf(&limit, kIdOk), "");
  EXPECT_EQ(TextOf(&limit, kIdCancel), "");
}

}  // namespace
}  // namespace kvl
