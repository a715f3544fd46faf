#include "ui/dialogs/enter_schedule.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "text/dialog_texts.h"
#include "text/format.h"
#include "text/main_window_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/fixed_font.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

namespace {

// Grid geometry, in pixels.
constexpr int kRowPitch = 45;
constexpr int kEndPitch = 225;
constexpr int kPickerHeight = 30;
constexpr int kTickWidth = 20;

QDateTime FromTm(const std::tm& t) {
  const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  const QTime time(t.tm_hour, t.tm_min);
  if (!date.isValid() || !time.isValid()) {
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
  }
  return QDateTime(date, time);
}

std::tm ToTm(const QDate& date, const QTime& time) {
  std::tm t{};
  t.tm_year = date.year() - 1900;
  t.tm_mon = date.month() - 1;
  t.tm_mday = date.day();
  t.tm_hour = time.hour();
  t.tm_min = time.minute();
  t.tm_sec = 0;
  t.tm_isdst = -1;
  return t;
}

}  // namespace

CEnterSchedule::CEnterSchedule(const std::string& prompt, const ScheduleEntries& entries, LanguageIndex language,
                               QWidget* parent)
    : CEnterDialog(language, parent), entries_(entries) {
  KeepTemplateFontUnits();  // the grid is placed in pixels
  SetTemplateSize(375, 150);
  AddStatic(dlg::kPrompt, {7, 7, 359, 8}, QString::fromStdString(prompt));

  const QFont font = FixedFont(kDefaultFontWidth);
  auto label = [&](int id, const QRect& r, const QString& text, Qt::Alignment align) {
    auto* l = new QLabel(text, this);
    l->setFont(font);
    l->setAlignment(align | Qt::AlignVCenter);
    PlacePixels(l, id, r);
  };
  for (int k = 0; k < 2; ++k)
    label(dlg::kScheduleCaption + k, {145 + kEndPitch * k, 45, 60, 20},
          QString::fromUtf8(kScheduleEnds[k](language)), Qt::AlignHCenter);
  for (int j = 0; j < kScheduleStages; ++j) {
    const int y = 70 + kRowPitch * j;
    label(dlg::kScheduleStage + j, {10, y + 7, 60, 20},
          QString::fromStdString(Format("%s %d", txt::kStage(language), j + 1)), Qt::AlignRight);
    label(dlg::kScheduleDash + j, {292, y + 7, 13, 20}, QStringLiteral("-"), Qt::AlignHCenter);
    for (int k = 0; k < 2; ++k) {
      const std::size_t e = std::size_t(2 * j + k);
      const QDateTime initial = FromTm(entries[e].time);
      auto* date = new QDateEdit(initial.date(), this);
      date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
      date->setCalendarPopup(true);
      date->setFont(font);
      PlacePixels(date, dlg::kScheduleDate + int(e), {80 + kEndPitch * k, y, 110, kPickerHeight});

      const int id = dlg::kScheduleTime + int(e);
      const QRect picker(195 + kEndPitch * k, y, 96, kPickerHeight);
      auto* tick = new QCheckBox(this);
      PlacePixels(tick, id, picker.adjusted(2, 0, kTickWidth - picker.width(), 0));
      auto* time = new QTimeEdit(initial.time(), this);
      time->setDisplayFormat(QStringLiteral("HH:mm"));
      time->setFont(font);
      PlacePixels(time, id, picker.adjusted(kTickWidth, 0, 0, 0));
      tick->setChecked(entries[e].enabled);
      time->setEnabled(entries[e].enabled);
      connect(tick, &QCheckBox::toggled, time, &QTimeEdit::setEnabled);
      dates_[e] = date;
      times_[e] = time;
      ticks_[e] = tick;
    }
  }
  QPushButton* set = AddButton(dlg::kSetButton, {36, 128, 80, 14}, Text(txt::kSet));
  QPushButton* cancel = AddButton(kIdCancel, {185, 128, 80, 14}, Text(txt::kCancel));
  EndsWith(set, kIdSet, [this] { Store(); });
  CancelsWith(cancel);
  dates_[0]->setFocus();
}

void CEnterSchedule::Store() {
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    entries_[e].time = ToTm(dates_[e]->date(), times_[e]->time());
    entries_[e].enabled = ticks_[e]->isChecked();
  }
}

}  // namespace kvl
