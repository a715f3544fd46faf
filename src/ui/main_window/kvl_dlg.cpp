// The main window object: what it owns, how the posted messages reach their
// handlers, and the window events (close, keys, the context menu).
#include "ui/main_window/kvl_dlg.h"

#include <QCloseEvent>
#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>
#include <algorithm>

#include "detector/decoding.h"
#include "sim/demo_bus.h"
#include "text/chamber_texts.h"
#include "text/flow_texts.h"
#include "text/format.h"
#include "text/main_window_texts.h"
#include "text/traffic_texts.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/confirmation.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/main_window/traffic_window.h"
#include "ui/qt_message_target.h"
#include "ui/qt_operator.h"
#include "ui/qt_texts.h"

namespace kvl {

CKvlDlg::CKvlDlg(KvlDlgOptions options, QWidget* parent) : QWidget(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("CKvlDlg"));
  setMinimumSize(kMinWindowWidth / 2, kMinWindowHeight / 2);
  target_ = std::make_unique<CQtMessageTarget>(
      [this](unsigned message, std::intptr_t w, std::intptr_t l) { OnUserMessage(message, w, l); });
  if (options_.op) {
    operator_ = options_.op;
  } else {
    ownOperator_ = std::make_unique<CQtOperator>(this);
    operator_ = ownOperator_.get();
  }
  linkOperator_ = std::make_unique<CUnattendedOperator>(operator_);
  // The worker's note reaches the window on its own thread.
  linkOperator_->SetNoteSink([this](const std::string& text) {
    QMetaObject::invokeMethod(this, [this, text] { NoteUnattended(text); }, Qt::QueuedConnection);
  });
  linePortItem_ = options_.linePort;
  recordTimer_.setTimerType(Qt::CoarseTimer);
  graduationTimer_.setSingleShot(true);
  resize(kMinWindowWidth, 800);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("scroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setGeometry(rect());
  canvas_ = new QWidget;
  canvas_->setObjectName(QStringLiteral("canvas"));
  canvas_->setAutoFillBackground(true);
  canvas_->resize(kMinWindowWidth, 800);
  scroll_->setWidget(canvas_);
  canvas_->installEventFilter(this);
  link_.SetObserver(&linkStats_);
  link_.SetWriteListener(&journal_);
  trafficAction_ = new QAction(this);
  trafficAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  trafficAction_->setShortcutContext(Qt::WindowShortcut);
  connect(trafficAction_, &QAction::triggered, this, [this] { OpenTrafficWindow(); });
  addAction(trafficAction_);
  CreateControls();
  ConnectIdentityColumns();
  SetUp();
}

CKvlDlg::~CKvlDlg() {
  // A window that goes without the exit path saves nothing, but its threads
  // must end before the objects they post to.
  for (CAlarmTimer& alarm : alarms_) alarm.Cancel();
  CloseDevices();
  link_.StopWorker();
  if (demoBus_) demoBus_->Stop();
  delete trafficWindow_;  // before the ring and figures it reads
}

QRect CKvlDlg::ScreenArea() const {
  if (options_.screenArea) return *options_.screenArea;
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
}

QMargins CKvlDlg::FrameMargins() const {
  const QRect frame = frameGeometry(), client = geometry();
  if (isWindow() && frame != client)
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
  // Not shown yet, or no window manager: a usual title bar, until the real frame is known.
  return isWindow() && !QGuiApplication::platformName().startsWith(QLatin1String("offscreen")) ? QMargins(4, 30, 4, 4)
                                                                                               : QMargins();
}

void CKvlDlg::PlaceFrame(int frameX, int frameY, int w, int h) {
  const QRect area = ScreenArea();
  const QMargins m = FrameMargins();
  w = std::max(minimumWidth(), std::min(w, area.width() - m.left() - m.right()));
  h = std::max(minimumHeight(), std::min(h, area.height() - m.top() - m.bottom()));
  const int frameW = w + m.left() + m.right(), frameH = h + m.top() + m.bottom();
  frameX = std::clamp(frameX, area.left(), std::max(area.left(), area.right() + 1 - frameW));
  frameY = std::clamp(frameY, area.top(), std::max(area.top(), area.bottom() + 1 - frameH));
  fitting_ = true;
  resize(w, h);
  move(frameX, frameY);  // a window's position is its frame's
  fitting_ = false;
}

void CKvlDlg::Place() {
  const QRect area = ScreenArea();
  const QMargins m = FrameMargins();
  // Wide enough for the widest table; the whole height, which the graph
  // below the table takes.
  const int w = std::max(kMinWindowWidth, geometry_.naturalRight + kTableMargin);
  const int h = area.height() - m.top() - m.bottom();
  const int frameW = std::min(w + m.left() + m.right(), area.width());
  frameChecked_ = false;
  PlaceFrame(area.x() + (area.width() - frameW) / 2, area.y(), w, h);
}

void CKvlDlg::KeepFrameOnScreen() {
  const QRect frame = frameGeometry();
  if (frameChecked_ || !isVisible() || frame == geometry()) return;
  // The window manager has framed the window: keep its title bar reachable.
  frameChecked_ = true;
  if (!ScreenArea().contains(frame)) PlaceFrame(frame.x(), frame.y(), width(), height());
}

void CKvlDlg::PostConfig() { target_->Post(WM_USER_CONFIG, 0, 0); }

void CKvlDlg::OnUserMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  if (exited_) return;
  switch (message) {
    case WM_USER_CONFIG:
      configText_ = ComposeConfiguration();
      if (!settingUp_ && configText_ != savedConfigText_) configSaveTimer_.start(kConfigSaveDelayMs);
      ShowGraphContext();  // the check records give the graph's temperature axis
      return;
    case WM_USER_PORT_OPEN:
      OnPortOpen(int(wParam));
      return;
    case WM_USER_PORT_FAIL:
      OnPortFail(int(wParam));
      return;
    case WM_USER_LINE_LOST:
      OnLineLost(int(wParam));
      return;
    case WM_USER_ALARM:
      OnAlarm(int(wParam));
      return;
    case WM_USER_CELL_RCLICK:
      OnCellRightClick(int(wParam));
      return;
    default:
      break;
  }
  // The table's messages come from the detector line (0) with codes 0..4.
  if (!IsDetectorLineCode(wParam)) return;
  switch (message) {
    case WM_USER_DATA: OnData(); break;
    case WM_USER_CLEAR: OnClear(); break;
    case WM_USER_RESULT: OnResult(int(wParam), int(lParam)); break;
    case WM_USER_CYCLE: OnCycle(); break;
    case WM_USER_REQUEST: OnImitationRequest(); break;
    default: break;
  }
}

bool CKvlDlg::ConfirmExit() {
  if (exited_) return true;
  // Exiting stops a running graduation: the question names it, and only a
  // deliberate Yes exits.
  std::string running;
  if (run_.Running() || UnattendedOn())
    running = Format(txt::kExitDuringRun(config_.language),
                     run_.Running() ? std::min(run_.Stage(), kGraduationStages) : kGraduationStages);
  CConfirmation dialog(config_.language, this, running);
  const int answer = options_.exitQuestion ? options_.exitQuestion(dialog) : dialog.exec();
  if (answer != kIdYes) return false;
  ShutDown();
  exited_ = true;
  return true;
}

bool CKvlDlg::OnCancel() {
  if (!ConfirmExit()) return false;
  close();
  return true;
}

void CKvlDlg::closeEvent(QCloseEvent* event) {
  if (ConfirmExit())
    event->accept();
  else
    event->ignore();
}

void CKvlDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // A key pressed in passing never ends a graduation: exiting during one
    // takes the close box or the menu, and a question that names it.
    if (!run_.Running() && !UnattendedOn()) OnCancel();
    return;
  }
  if (event->key() == Qt::Key_F1) {
    ShowAbout();
    return;
  }
  const QString typed = event->text();
  if (event->modifiers() == Qt::NoModifier && typed.size() == 1 && IsRawViewKey(typed[0].unicode())) {
    table_.ToggleRawView();
    LayOutTableIfChanged();
    RedescribeAllRows();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CKvlDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(QString::fromUtf8(txt::kMenuAbout(config_.language)));
  trafficAction_->setText(QString::fromUtf8(txt::kTrafficMenu(config_.language)));
  menu.addAction(trafficAction_);
  menu.addSeparator();
  QAction* chamberProfile = menu.addAction(TitleText(txt::kSelectChamberProfile(config_.language)) + "...");
  QAction* valveProfile = menu.addAction(TitleText(txt::kSelectValveProfile(config_.language)) + "...");
  menu.addSeparator();
  QAction* closeAction = menu.addAction(QString::fromUtf8(txt::kMenuClose(config_.language)));
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == about) ShowAbout();
  if (chosen == chamberProfile && ChooseDeviceProfile(true) && c_.lineOpen[1]->isChecked()) OpenChamberLine();
  if (chosen == valveProfile && ChooseDeviceProfile(false)) OpenValves();
  if (chosen == closeAction) OnCancel();
}

void CKvlDlg::OpenTrafficWindow() {
  if (!trafficWindow_) {
    trafficWindow_ = new CTrafficWindow(traffic_, linkStats_, operator_, this);
    PlaceBesideWindow(*trafficWindow_);
  }
  trafficWindow_->SetLanguage(config_.language);
  trafficWindow_->SetSaveFolder(config_.dataFolder);
  trafficWindow_->show();
  trafficWindow_->raise();
  trafficWindow_->activateWindow();
}

void CKvlDlg::PlaceBesideWindow(QWidget& other) const {
  // Right of the main window where the screen has room, else left of it,
  // else against the screen's right edge: never over the table's middle.
  const QScreen* shown = screen();
  if (!shown) return;
  const QRect area = shown->availableGeometry();
  const QRect frame = frameGeometry();
  const QSize size = other.size().boundedTo(area.size());
  int x = frame.right() + 1;
  if (x + size.width() > area.right() + 1) x = frame.left() - size.width();
  if (x < area.left()) x = area.right() + 1 - size.width();
  const int y = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
  other.resize(size);
  other.move(x, y);
}

void CKvlDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

bool CKvlDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvas_ && event->type() == QEvent::Resize) {
    LayOutTableIfChanged();
    PlaceGraphPanel();  // a height change alone does not lay the table out again
  }
  return QWidget::eventFilter(watched, event);
}

void CKvlDlg::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  KeepFrameOnScreen();
}

void CKvlDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepFrameOnScreen();
  scroll_->setGeometry(rect());
  // The view's height decides the graph top on a low screen.
  LayOutTableIfChanged();
  FitCanvas();
}

void CKvlDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window dragged to another screen, or a screen whose size changed, may
  // now have room for the whole table.
  if (QWindow* handle = windowHandle(); handle && !screenWatched_) {
    screenWatched_ = true;
    connect(handle, &QWindow::screenChanged, this, [this](QScreen* screen) {
      if (screen) connect(screen, &QScreen::availableGeometryChanged, this, [this] { FitWindowToTable(); });
      FitWindowToTable();
    });
    if (QScreen* screen = handle->screen())
      connect(screen, &QScreen::availableGeometryChanged, this, [this] { FitWindowToTable(); });
  }
}

}  // namespace kvl
