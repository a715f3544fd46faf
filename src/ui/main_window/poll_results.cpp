// The detector line's messages: the table core decides what each one does to
// the rows, the window puts the rows on screen and talks back to the link.
// A row is redrawn widget by widget, and a widget is touched only when its
// text, font, picture or visibility changes, so polling does not repaint
// cells whose values stay the same.
#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <chrono>
#include <span>

#include "detector/poll_sets.h"
#include "text/selector_lists.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/fixed_font.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/controls/note_static.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/window_fonts.h"

namespace kvl {

namespace {

// The decoding picks a cell's font by the length of its text; a text that
// would still not fit the cell as laid out takes the next narrower font, so
// that no value is shown cut.
int FittedFont(const QString& text, int decodedFont, int width) {
  static const std::array<QFontMetrics, kMaxFontWidth + 1> metrics = [] {
    return std::array<QFontMetrics, kMaxFontWidth + 1>{
        QFontMetrics(WindowFont(0)), QFontMetrics(WindowFont(1)), QFontMetrics(WindowFont(2)),
        QFontMetrics(WindowFont(3)), QFontMetrics(WindowFont(4)), QFontMetrics(WindowFont(5)),
        QFontMetrics(WindowFont(6)), QFontMetrics(WindowFont(7)), QFontMetrics(WindowFont(8)),
        QFontMetrics(WindowFont(9))};
  }();
  int font = std::clamp(decodedFont, kMinFontWidth, kMaxFontWidth);
  if (text.isEmpty()) return font;
  while (font > kMinFontWidth && metrics[size_t(font)].horizontalAdvance(text) > width) --font;
  return font;
}

}  // namespace

void CKvlDlg::OnData() {
  // While the rows show the files' sensors a poll that was on its way when
  // the link was suspended is dropped, and the worker waits for the way back.
  if (calcSuspended_) return;
  const std::span<const std::uint16_t> image(link_.PollImage(), kImageWords);
  const PollOutcome outcome = table_.CompletedPoll(link_.LastPosition(), link_.ImagePollSet(), image);
  if (outcome.row) ShowRow(*outcome.row);
  if (pilot_ && outcome.slot >= 0)
    pilot_->OnPoll(table_, outcome.slot, config_.detectorType, std::chrono::steady_clock::now());
  if (run_.Running()) DriveRun(run_.OnPollResult(outcome.enableDone));
  if (outcome.searchEnd) ApplySearchEnd(*outcome.searchEnd);
  if (outcome.resumeWorker) link_.Resume();
}

void CKvlDlg::OnClear() {
  if (pilot_) pilot_->OnMissedPoll(link_.FailedPosition());
  if (auto row = table_.ClearedPosition(link_.FailedPosition())) ShowRow(*row);
}

void CKvlDlg::OnResult(int result, int position) {
  if (auto view = table_.ReadResult(result, position)) ShowStatistics(*view);
}

void CKvlDlg::OnCycle() {
  if (auto end = table_.CycleCompleted()) ApplySearchEnd(*end);
}

void CKvlDlg::OnPortOpen(int line) {
  if (line != 0) return;
  table_.PortOpened();
  {
    const QSignalBlocker block(c_.lineOpen[0]);
    c_.lineOpen[0]->setChecked(true);
  }
  c_.lineOpen[0]->setEnabled(true);
  c_.port[0]->setEnabled(true);
  c_.baud[0]->setEnabled(true);
  c_.pause[0]->setEnabled(true);
  EnableLineButtons(true);
  ShowLineNote(LineWatch::Open);
  // The worker does not wait after this message; a Resume here could only
  // release a worker whose completed poll is still queued behind it, and let
  // it overwrite that poll's image before the window has read it.
}

void CKvlDlg::OnPortFail(int line) {
  if (line != 0) return;
  {
    const QSignalBlocker block(c_.lineOpen[0]);
    c_.lineOpen[0]->setChecked(false);
  }
  EnableLineButtons(false);
  ShowLineNote(LineWatch::Off);
  for (const RowView& row : table_.PortFailed()) ShowRow(row);
}

void CKvlDlg::OnLineLost(int line) {
  if (line != 0) return;
  // The box stays ticked: the line is still wanted, and unticking it ends the wait.
  EnableLineButtons(false);
  ShowLineNote(LineWatch::Waiting);
  for (const RowView& row : table_.PortFailed()) ShowRow(row);
}

void CKvlDlg::ShowLineNote(LineWatch state) {
  lineWatch_ = state;
  const std::string note = LineWatchNote(state, LinePortName(), config_.language);
  c_.lineNote->SetTextIfChanged(note);
  if (!note.empty()) {
    c_.lineNote->adjustSize();
    c_.lineNote->resize(c_.lineNote->width() + 8, 17);
    c_.lineNote->raise();
  }
  c_.lineOpen[0]->setToolTip(QString::fromStdString(note));
  c_.lineNote->setVisible(!note.empty());
}

// Search, recording and the rows' "Modbus #" buttons work on an open line only.
void CKvlDlg::EnableLineButtons(bool enable) {
  // Search and the password talk as the master: not while another master owns the line.
  const bool master = config_.mode != kModeImitation;
  c_.search->setEnabled(enable && master);
  c_.recording->setEnabled(enable);
  c_.graduation->setEnabled(enable);
  c_.stageControl->setEnabled(enable);
  c_.enterPassword->setEnabled(enable && master);
  const bool modbus = table_.ModbusButtonsEnabled();
  for (QWidget* button : c_.cells[size_t(Column::ModbusNumber)]) button->setEnabled(modbus);
}

void CKvlDlg::ApplySearchEnd(const SearchEnd& end) {
  // Polling of the rows found starts with the first row.
  link_.SetDeviceList(end.addressList, -1, false);
  listChosen_ = true;
  if (end.pollSet >= 0) link_.SelectPollSet(PollSetRequests(end.pollSet), end.pollSet);
  c_.search->SetTextIfChanged(std::string(kSearchButton[0](config_.language)));
  LockForSearch(false);
  writer_.StartNewSeries();
  EnableLineButtons(table_.LineOpen());
  if (end.row) ShowRow(*end.row);
  PostConfig();
}

void CKvlDlg::ShowStatistics(const StatisticsView& view) {
  c_.responses->SetTextIfChanged(view.text);
  if (c_.responses->font() != WindowFont(view.fontWidth)) c_.responses->setFont(WindowFont(view.fontWidth));
}

void CKvlDlg::ShowAllRows(bool showAddress) {
  for (const RowView& row : table_.RefreshAll(showAddress)) ShowRow(row);
}

void CKvlDlg::RedescribeAllRows() {
  for (int s = 0; s < kSlotCount; ++s) ShowRow(table_.DescribeRow(s, true));
}

void CKvlDlg::ShowRow(const RowView& row) {
  if (row.slot < 0 || row.slot >= kSlotCount) return;
  // Data read by an address search show fewer columns: place the table anew
  // before the row goes on screen.
  LayOutTableIfChanged();
  const size_t r = size_t(row.slot);
  for (const ColumnInfo& info : Columns()) {
    const size_t col = size_t(info.column);
    QWidget* w = c_.cells[col][r];
    CellState& state = c_.cellState[col][r];
    const CellView& cell = row[info.column];
    const bool visible = cell.visible && geometry_.placed[col];

    bool textChanged = false;
    switch (info.kind) {
      case ColumnKind::PushButton:
      case ColumnKind::ValueButton: {
        auto* button = static_cast<CNoteButton*>(w);
        textChanged = button->SetTextIfChanged(cell.text);
        if (info.column == Column::ModbusNumber) button->setEnabled(table_.ModbusButtonsEnabled());
      } break;
      case ColumnKind::Text:
        textChanged = static_cast<CColorStaticST*>(w)->SetTextIfChanged(cell.text);
        break;
      case ColumnKind::Image: {
        bool on = info.column == Column::Relay1Image ? row.relay1On
                  : info.column == Column::Relay2Image ? row.relay2On
                                                       : row.conditionOn;
        if (state.picture != std::int8_t(on)) {
          static_cast<QLabel*>(w)->setPixmap(on ? c_.pictureOn : c_.pictureOff);
          state.picture = std::int8_t(on);
        }
      } break;
      case ColumnKind::ThreeStateCheck: {
        const Qt::CheckState check = row.relayTest == RelayTestBox::On      ? Qt::Checked
                                     : row.relayTest == RelayTestBox::Mixed ? Qt::PartiallyChecked
                                                                             : Qt::Unchecked;
        auto* box = static_cast<QCheckBox*>(w);
        if (box->checkState() != check) {
          const QSignalBlocker block(box);
          box->setCheckState(check);
        }
      } break;
      case ColumnKind::Check:
        break;
    }
    const bool hasText = info.kind == ColumnKind::Text || info.kind == ColumnKind::PushButton ||
                         info.kind == ColumnKind::ValueButton;
    const int width = geometry_.width[col];
    if (hasText && (textChanged || state.coreFont != cell.fontWidth || state.fitWidth != width)) {
      // A value keeps a few pixels from its cell's edges, so that neighbours
      // never read as one number; buttons lose their frame to the text's room.
      const int room = width - (info.kind == ColumnKind::Text ? kCellTextPadding : 6);
      const QString text = info.kind == ColumnKind::Text ? static_cast<QLabel*>(w)->text()
                                                         : static_cast<QPushButton*>(w)->text();
      const int font = FittedFont(text, cell.fontWidth, room);
      if (font != state.fontWidth) {
        w->setFont(WindowFont(font));
        state.fontWidth = std::int8_t(font);
      }
      state.coreFont = std::int8_t(cell.fontWidth);
      state.fitWidth = std::int16_t(width);
    }
    if (state.visible != std::int8_t(visible)) {
      w->setVisible(visible);
      state.visible = std::int8_t(visible);
    }
  }
  c_.relayTestStep->setEnabled(row.relayTestStepEnabled);
  if (row.redrawGraph) GraphSamplesGrew();
}

}  // namespace kvl
