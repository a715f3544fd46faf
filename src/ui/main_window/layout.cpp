// Creation and placement of the main window's controls. The top rows hold
// the detector line's settings, the run controls and the gas panel at fixed
// places; which of them a mode shows is decided here, and so are the places
// of the few that would otherwise share a spot with another group.
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QPainter>
#include <QAbstractItemView>
#include <QStandardItemModel>

#include "config/configuration.h"
#include "graph/graph_geometry.h"
#include "link/serial_port.h"
#include "text/gas_tables.h"
#include "text/main_window_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/control_style.h"
#include "ui/controls/fixed_font.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/controls/note_static.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/window_fonts.h"
#include "ui/qt_message_target.h"

namespace kvl {

namespace {

// The stage prompt's row, under the data folder line of the graduation modes.
constexpr int kStagePromptTop = 139;
constexpr int kStagePromptHeight = 22;

// Rows of the four serial lines (line 4 shares line 2's row).
constexpr int kLineRowY[kSerialLineCount] = {22, 45, 68, 45};
constexpr int kNoteDy = -19;
constexpr int kNoteHeight = 17;

QPixmap LampPicture(bool on) {
  constexpr int kSize = 14;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (on) {
    QRadialGradient glow(QPointF(5, 5), 9);
    glow.setColorAt(0, QColor(255, 236, 140));
    glow.setColorAt(1, QColor(230, 120, 0));
    p.setBrush(glow);
    p.setPen(QPen(QColor(150, 70, 0), 1));
  } else {
    p.setBrush(QColor(236, 236, 236));
    p.setPen(QPen(QColor(140, 140, 140), 1));
  }
  p.drawEllipse(QRectF(1.5, 1.5, kSize - 3, kSize - 3));
  return pixmap;
}

// The schedule button's face: a clock, since the button has no caption.
QIcon ClockPicture() {
  constexpr int kSize = 16;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 60), 1.2));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(1.5, 1.5, kSize - 3, kSize - 3));
  p.drawLine(QPointF(8, 8), QPointF(8, 4));
  p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
  return QIcon(pixmap);
}

CColorStaticST* MakeStatic(unsigned style, int x, int y, int w, int h, QWidget* parent, int id,
                           CMessageTarget* notify = nullptr) {
  auto* s = new CColorStaticST(style, x, y, w, h, parent, id, notify);
  s->setFont(WindowFont(kDefaultFontWidth));
  return s;
}

QCheckBox* MakeCheck(unsigned style, int x, int y, int w, int h, QWidget* parent, int id) {
  auto* box = new QCheckBox(parent);
  box->setFont(WindowFont(kDefaultFontWidth));
  SetUpControl(box, style, x, y, w, h, id);
  return box;
}

}  // namespace

// The numbered ports and the devices found; a device shows without its
// "/dev/" in the narrow box, and is selected and saved by its whole path.
void AddPortItem(QComboBox* combo, const std::string& item, int index) {
  QString shown = QString::fromStdString(item);
  if (shown.startsWith(QLatin1String("/dev/"))) shown.remove(0, 5);
  if (index < 0) index = combo->count();
  combo->insertItem(index, shown, QString::fromStdString(item));
  combo->setItemData(index, QString::fromStdString(item), Qt::ToolTipRole);
}

std::string PortItem(const QComboBox* combo) { return combo->currentData().toString().toStdString(); }

bool SelectPortItem(QComboBox* combo, const std::string& item) {
  const int index = combo->findData(QString::fromStdString(item));
  if (index < 0) return false;
  const QSignalBlocker block(combo);
  combo->setCurrentIndex(index);
  return true;
}

void CKvlDlg::CreateControls() {
  c_.pictureOn = LampPicture(true);
  c_.pictureOff = LampPicture(false);
  CreateLineControls();
  c_.search = new CNoteButton(kStyleNone, 410, 22, 85, 23, canvas_, id::kSearch);
  CreateGasPanel();
  CreateRunControls();
  CreateTable();
  CreateHeaders();
  CreateSelectorsAndGraphControls();
  CreateGraphPanel();
  FillSelectors();
}

void CKvlDlg::CreateLineControls() {
  for (int k = 0; k < kSerialLineCount; ++k) {
    const int y = kLineRowY[k] + 3;
    // Lines 2 to 4 open no link: their controls only keep their values for
    // the configuration, so they stay off the screen.
    const unsigned style = k == 0 ? kStyleNone : kStyleHidden;
    // The port box is wider than it once was: device names are longer than COM numbers.
    c_.lineOpen[size_t(k)] = MakeCheck(style, 62, y, 18, 25, canvas_, id::LineOpen(k));
    c_.lineOpen[size_t(k)]->setChecked(true);
    const bool notes = k == 0;
    c_.port[size_t(k)] = new CNoteComboBox(style, 80, y, 73, 600, canvas_, id::Port(k), {}, 0, kNoteDy,
                                           notes ? 73 : 0, notes ? kNoteHeight : 0);
    c_.baud[size_t(k)] = new CNoteComboBox(style, 154, y, 80, 200, canvas_, id::Baud(k), {}, 0, kNoteDy,
                                           notes ? 80 : 0, notes ? kNoteHeight : 0);
    c_.pause[size_t(k)] = new CNoteEdit(style, 235, y, 65, 24, canvas_, id::Pause(k), {}, 0, kNoteDy,
                                        notes ? 68 : 0, notes ? kNoteHeight : 0);
  }
  // Line 2 (the climate chamber) shows in the graduation modes, where the
  // "Period, sec" and "Recorded" notes sit over its row: its pause goes beside
  // its port, its baud rate and line ending right of the "Recorded" note.
  // A row of 20 px between line 1's row and the buttons at y 70.
  const int y2 = 50, h2 = 20;
  c_.lineOpen[1]->setGeometry(62, y2, 18, h2);
  c_.port[1]->setGeometry(80, y2, 73, h2);
  c_.pause[1]->setGeometry(155, y2, 33, h2);
  c_.baud[1]->setGeometry(374, y2, 60, h2);
  c_.lineEnding = new CNoteComboBox(kStyleHidden, 437, y2, 62, 200, canvas_, id::kLineEnding);
  c_.lineEnding->setGeometry(437, y2, 62, h2);
  for (const char* ending : {"CR", "LF", "CR LF"}) c_.lineEnding->addItem(QString::fromLatin1(ending));
  c_.sensors = MakeStatic(kStyleVCenter, 5, 27, 56, 20, canvas_, id::kSensors);
  c_.sensors->setFont(WindowFont(5));
  c_.chamberCaption = MakeStatic(kStyleHidden | kStyleVCenter, 5, 50, 56, 20, canvas_, id::kChamberCaption);
  c_.chamberCaption->setFont(WindowFont(5));
  // Just under the line's row, where no mode puts a control; as wide as its
  // text (a by-id device name is long), over the captions of the row below if need be.
  c_.lineNote = MakeStatic(kStyleHidden | kStyleVCenter, 62, 50, 120, 17, canvas_, id::kLineNote);
  c_.lineNote->SetBkColor(QColor(255, 236, 140));
}

void CKvlDlg::CreateGasPanel() {
  c_.gasSelector = new CNoteComboBox(kStyleHidden, 505, 22, 130, 800, canvas_, id::kGasSelector);
  c_.usePropane = MakeCheck(kStyleHidden, 510, 53, 120, 20, canvas_, id::kUsePropane);
  c_.concentrationKind = MakeStatic(kStyleHidden | kStyleCenter, 715, 7, 70, 15, canvas_, id::kConcentrationKind);
  for (int k = 0; k < 2; ++k) {
    c_.concentration[size_t(k)] = new CNoteEdit(kStyleHidden, 715, 25 + 28 * k, 70, 20, canvas_, id::Concentration(k));
    c_.propaneEntry[size_t(k)] = new CNoteEdit(kStyleHidden, 640, 25 + 28 * k, 70, 20, canvas_, id::PropaneEntry(k));
    c_.unit[size_t(k)] = MakeStatic(kStyleHidden | kStyleVCenter, 788, 25 + 28 * k - 1, 40, 23, canvas_, id::Unit(k));
  }
  c_.coefficientCaption = MakeStatic(kStyleHidden | kStyleVCenter, 510, 73, 125, 23, canvas_, id::kCoefficientCaption);
  c_.coefficient = new CNoteEdit(kStyleHidden, 640, 74, 70, 20, canvas_, id::kCoefficient);
  c_.limitsCaption = MakeStatic(kStyleHidden | kStyleRight | kStyleVCenter, 520, 28, 70, 23, canvas_, id::kLimitsCaption);
  c_.limitsUnit = MakeStatic(kStyleHidden | kStyleVCenter, 750, 28, 75, 23, canvas_, id::kLimitsUnit);
  for (int k = 0; k < 2; ++k) {
    c_.limitCaption[size_t(k)] =
        MakeStatic(kStyleHidden | kStyleCenter, 595 + 77 * k, 9, 70, 18, canvas_, id::LimitCaption(k));
    c_.limit[size_t(k)] = new CNoteEdit(kStyleHidden, 595 + 77 * k, 28, 70, 23, canvas_, id::Limit(k));
  }
  c_.temperatureCaption = MakeStatic(kStyleHidden | kStyleRight | kStyleVCenter, 500, 1, 30, 20, canvas_,
                                     id::kTemperatureCaption);
  c_.temperatureValue[0] = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 530, 1, 60, 20, canvas_,
                                      id::TemperatureValue(0));
  c_.temperatureValue[1] = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 590, 1, 90, 20, canvas_,
                                      id::TemperatureValue(1));
  for (auto* value : c_.temperatureValue) value->setText(QStringLiteral("-"));
}

void CKvlDlg::CreateRunControls() {
  c_.enterPassword = new CNoteButton(kStyleNone, 600, 22, 130, 23, canvas_, id::kEnterPassword);
  c_.recording = new CNoteButton(kStyleHidden, 10, 70, 145, 23, canvas_, id::kRecording);
  c_.schedule = new CNoteButton(kStyleHidden, 159, 70, 23, 23, canvas_, id::kSchedule);
  c_.schedule->setIcon(ClockPicture());
  c_.graduation = new CNoteButton(kStyleHidden, 10, 95, 177, 23, canvas_, id::kGraduation);
  c_.languageSelector = new CNoteComboBox(kStyleNone, 925, 22, 80, 200, canvas_, id::kLanguageSelector, {}, 0,
                                          kNoteDy, 80, kNoteHeight);
  c_.dataFolder = new CNoteButton(kStyleHidden, 10, 95, 150, 20, canvas_, id::kDataFolder);
  c_.dataFolderDisplay = MakeStatic(kStyleHidden | kStyleVCenter, 10, 120, 700, 17, canvas_, id::kDataFolderDisplay);
  c_.dataFolderDisplay->setFont(WindowFont(5));
  c_.separator = new QFrame(canvas_);
  c_.separator->setObjectName(QStringLiteral("separator"));
  c_.separator->setFrameShape(QFrame::HLine);
  c_.separator->setFrameShadow(QFrame::Sunken);
  c_.period = new CNoteEdit(kStyleHidden, 190, 70, 80, 23, canvas_, id::kPeriod, {}, 0, kNoteDy, 80, kNoteHeight);
  c_.relayTestStep = new CNoteComboBox(kStyleHidden, 155, 70, 60, 300, canvas_, id::kRelayTestStep, {}, -150, 4,
                                       148, kNoteHeight);
  c_.readFromFile = new CNoteButton(kStyleHidden, 390, 70, 150, 23, canvas_, id::kReadFromFile);
  // Below "   Read from file": the other file operation of the graduation modes.
  c_.readFromTab = new CNoteButton(kStyleHidden, 390, 95, 150, 23, canvas_, id::kReadFromTab);
  c_.done = new CNoteButton(kStyleHidden | kStyleDisabled, 760, 95, 120, 23, canvas_, id::kDone);
  c_.kurView = new CNoteButton(kStyleHidden, 777, 70, 40, 23, canvas_, id::kKurView);
  c_.kurView->setCheckable(true);
  c_.stageCaption = MakeStatic(kStyleHidden | kStyleRight | kStyleVCenter, 560, 97, 60, 20, canvas_, id::kStageCaption);
  c_.stageNumber = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 622, 97, 13, 20, canvas_, id::kStageNumber);
  c_.stageNumber->setText(QStringLiteral("-"));
  // The operator's instruction during a run: a row of its own under the run
  // controls, across the window, in a larger font on a coloured strip.
  c_.stagePrompt = MakeStatic(kStyleHidden | kStyleVCenter, 10, kStagePromptTop, 700, kStagePromptHeight, canvas_,
                              id::kStagePrompt);
  c_.stagePrompt->setFont(WindowFont(7));
  c_.stagePrompt->SetBkColor(QColor(255, 236, 140));
  c_.stagePrompt->setWordWrap(true);
  c_.responses = new CNoteStatic(kStyleCenter | kStyleVCenter, 305, 25, 100, 20, canvas_, id::kResponses, {}, 10, -21,
                                 90, kNoteHeight);
  c_.responses->SetBkColor(Qt::white);
  c_.responses->setText(QStringLiteral("0"));
  c_.recorded = new CNoteStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 290, 73, 80, 20, canvas_, id::kRecorded,
                                {}, 10, -22, 70, 20);
  c_.recorded->SetBkColor(Qt::white);
  c_.recorded->setText(QStringLiteral("0"));
  c_.emitterPower = new CNoteEdit(kStyleHidden, 560, 70, 70, 23, canvas_, id::kEmitterPower, {}, 0, kNoteDy, 70,
                                  kNoteHeight);
}

void CKvlDlg::CreateTable() {
  // Row by row: the button columns come first in the column list, then the cells.
  for (int r = 0; r < kSlotCount; ++r) {
    for (const ColumnInfo& info : Columns()) {
      const int cellId = CellId(info.column, r);
      QWidget* w = nullptr;
      switch (info.kind) {
        case ColumnKind::PushButton:
        case ColumnKind::ValueButton: {
          const unsigned draw = info.kind == ColumnKind::ValueButton ? kStyleOwnerDraw : kStyleNone;
          auto* b = new CNoteButton(draw | kStyleHidden, 0, 0, 10, 10, canvas_, cellId);
          b->setFocusPolicy(Qt::NoFocus);
          w = b;
        } break;
        case ColumnKind::Text: {
          auto* s = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 0, 0, 10, 10, canvas_, cellId,
                               info.rightClick ? target_.get() : nullptr);
          s->SetBkColor(Qt::white);
          w = s;
        } break;
        case ColumnKind::Image: {
          auto* s = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 0, 0, 10, 10, canvas_, cellId);
          s->SetBkColor(Qt::white);
          w = s;
        } break;
        case ColumnKind::ThreeStateCheck:
        case ColumnKind::Check: {
          auto* box = MakeCheck(kStyleHidden, 0, 0, 10, 10, canvas_, cellId);
          box->setTristate(info.kind == ColumnKind::ThreeStateCheck);
          box->setFocusPolicy(Qt::NoFocus);
          w = box;
        } break;
      }
      c_.cells[size_t(info.column)][size_t(r)] = w;
    }
  }
}

void CKvlDlg::CreateHeaders() {
  for (int h = 0; h < kHeaderCount; ++h) {
    auto* header = MakeStatic(kStyleHidden | kStyleCenter | kStyleVCenter, 0, 0, 10, 10, canvas_, Headers()[size_t(h)].id);
    header->setWordWrap(true);
    header->setContentsMargins(kHeaderSideMargin, 0, kHeaderSideMargin, 0);
    c_.headers[size_t(h)] = header;
    c_.headerFont[size_t(h)] = -1;
  }
}

void CKvlDlg::CreateSelectorsAndGraphControls() {
  c_.typeSelector = new CNoteComboBox(kStyleNone, 830, 22, 90, 200, canvas_, id::kTypeSelector, {}, 0, kNoteDy, 88, 18);
  c_.modeSelector = new CNoteComboBox(kStyleNone, 830, 70, 175, 200, canvas_, id::kModeSelector, {}, 0, kNoteDy, 175,
                                      kNoteHeight);
  c_.stageControl = new CNoteComboBox(kStyleHidden, 640, 95, 110, 200, canvas_, id::kStageControl);
  for (int g = 0; g < int(c_.graph.size()); ++g) {
    auto* control = MakeStatic(kStyleCenter | kStyleVCenter, 1, 0, 48, 18, canvas_, id::kGradChar + g);
    control->setFont(WindowFont(4));
    control->setCursor(Qt::PointingHandCursor);
    c_.graph[size_t(g)] = control;
  }
}

// Items that do not depend on the language.
void CKvlDlg::FillSelectors() {
  const std::vector<std::string> ports = ListSerialPorts();
  for (int k = 0; k < kSerialLineCount; ++k) {
    if (k == 0 && !linePortItem_.empty()) AddPortItem(c_.port[0], linePortItem_);
    for (const std::string& p : ports) AddPortItem(c_.port[size_t(k)], p);
    // Device paths are longer than the box; the open list shows them whole.
    c_.port[size_t(k)]->view()->setMinimumWidth(240);
    for (const std::string& b : BaudItems(k)) c_.baud[size_t(k)]->addItem(QString::fromStdString(b));
  }
  for (int i = 0; i < 2; ++i) c_.languageSelector->addItem(QString::fromUtf8(kLanguageNames[i](LanguageIndex(i))));
  for (const char* step : kRelayTestSteps) c_.relayTestStep->addItem(QString::fromLatin1(step));
}

void CKvlDlg::FillGasSelector() {
  const int position = c_.gasSelector->currentIndex();
  const QSignalBlocker block(c_.gasSelector);
  c_.gasSelector->clear();
  for (const TextEntry& gas : GasTable(config_.detectorType))
    c_.gasSelector->addItem(QString::fromStdString(SelectorGasName(gas(config_.language))));
  c_.gasSelector->setCurrentIndex(position >= 0 ? position : config_.gasPosition);
}

// ---------------------------------------------------------------------------
// Showing and placing the global controls for the mode.

void CKvlDlg::ApplyModeLayout() {
  const int mode = config_.mode;
  auto in = [mode](std::initializer_list<int> modes) {
    for (int m : modes)
      if (m == mode) return true;
    return false;
  };
  const bool graduation = in({kModeGraduation, kModeGraduationZ5});
  const bool recording = in({kModeGraduation, kModeGraduationZ5, kModeRunningIn});
  const bool gasPanel = in({kModeCalibration, kModeGraduationZ5});

  c_.relayTestStep->Show(mode == kModeTuning);
  c_.emitterPower->Show(in({kModeTuning, kModeGraduation, kModeGraduationZ5}));
  c_.recording->Show(recording);
  c_.schedule->Show(recording);
  c_.period->Show(recording);
  c_.recorded->Show(recording);
  c_.graduation->Show(graduation);
  c_.done->Show(graduation && run_.DoneShown());
  c_.stageControl->Show(graduation);
  c_.stageCaption->setVisible(graduation);
  c_.stageNumber->setVisible(graduation);
  c_.readFromFile->Show(graduation);
  c_.readFromTab->Show(graduation);
  c_.temperatureCaption->setVisible(graduation);
  for (auto* value : c_.temperatureValue) value->setVisible(graduation);
  // Line 2's row (the climate chamber) where a graduation needs it.
  c_.lineOpen[1]->setVisible(graduation);
  c_.chamberCaption->setVisible(graduation);
  c_.port[1]->Show(graduation);
  c_.baud[1]->Show(graduation);
  c_.pause[1]->Show(graduation);
  c_.lineEnding->Show(graduation);
  c_.dataFolder->Show(in({kModeRunningIn, kModeSaveSettings}));
  c_.dataFolderDisplay->setVisible(in({kModeGraduation, kModeGraduationZ5, kModeRunningIn, kModeSaveSettings}));
  c_.kurView->Show(mode == kModeGraduation && config_.detectorType == kTypeZ5);

  // The gas panel and the crossing limits share the space right of Search.
  c_.gasSelector->Show(gasPanel);
  c_.concentrationKind->setVisible(gasPanel);
  for (auto* edit : c_.concentration) edit->Show(gasPanel);
  c_.unit[0]->setVisible(gasPanel);
  c_.unit[1]->setVisible(mode == kModeCalibration);
  const bool limits = mode == kModeRunningIn;
  c_.limitsCaption->setVisible(limits);
  c_.limitsUnit->setVisible(limits);
  for (auto* caption : c_.limitCaption) caption->setVisible(limits);
  for (auto* edit : c_.limit) edit->Show(limits);
  ApplyGasPanelView();

  // "Enter password" gives way to the gas panel and the limits.
  if (gasPanel || limits)
    c_.enterPassword->move(200, 95);
  else
    c_.enterPassword->move(600, 22);

  const TextEntry& counterNote = mode == kModeImitation ? txt::kRequests : txt::kResponses;
  c_.responses->SetNote(QString::fromUtf8(counterNote(config_.language)));
}

int CKvlDlg::TopControlsBottom() const {
  const QWidget* top[] = {c_.lineOpen[0], c_.port[0], c_.search, c_.enterPassword, c_.recording, c_.schedule,
                          c_.graduation, c_.dataFolder, c_.dataFolderDisplay, c_.period, c_.relayTestStep,
                          c_.readFromFile, c_.readFromTab, c_.done, c_.stageControl, c_.kurView, c_.stageCaption,
                          c_.responses, c_.recorded, c_.emitterPower, c_.gasSelector, c_.usePropane,
                          c_.concentration[1], c_.propaneEntry[1], c_.unit[1], c_.coefficientCaption,
                          c_.coefficient, c_.limit[0], c_.typeSelector, c_.modeSelector};
  int bottom = 0;
  for (const QWidget* w : top)
    if (!w->isHidden()) bottom = std::max(bottom, w->geometry().bottom() + 1);
  // The graduation modes keep the prompt's row while it is hidden, so that
  // the table does not jump when a run starts.
  if (config_.mode == kModeGraduation || config_.mode == kModeGraduationZ5)
    bottom = std::max(bottom, c_.stagePrompt->geometry().bottom() + 1);
  return bottom;
}

void CKvlDlg::PlaceStagePrompt() {
  const QRect want(10, kStagePromptTop, std::max(100, canvas_->width() - 20), kStagePromptHeight);
  if (c_.stagePrompt->geometry() != want) c_.stagePrompt->setGeometry(want);
}

void CKvlDlg::PlaceGraphControls() {
  // In a row above the plot, from its left edge: the plot's left margin is
  // the y labels' own.
  int x = kPlotLeft;
  const int y = graphTop_ - kGraphMargin - kGraphControlsHeight;
  for (CColorStaticST* control : c_.graph) {
    const int w = std::max(48, QFontMetrics(control->font()).horizontalAdvance(control->text()) + 12);
    const QRect want(x, y, w, kGraphControlsHeight - 2);
    if (control->geometry() != want) control->setGeometry(want);
    x += w + 6;
  }
  PlaceGraphPanel();
}

}  // namespace kvl
