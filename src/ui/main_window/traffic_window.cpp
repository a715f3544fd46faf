#include "ui/main_window/traffic_window.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <ctime>

#include "link/operator.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/main_window_texts.h"
#include "text/text_file.h"
#include "text/traffic_texts.h"
#include "ui/qt_texts.h"
#include "platform/clock.h"

namespace kvl {

namespace {

// At most this many frames go into the view per refresh, so that a view
// catching up after a pause never holds the window up for long.
constexpr std::size_t kFramesPerRefresh = 5000;

const TextEntry* const kStatsColumns[] = {
    &txt::kStatsAddress, &txt::kStatsRequests,  &txt::kStatsAnswers,   &txt::kStatsMinMs,
    &txt::kStatsMeanMs,  &txt::kStatsMaxMs,     &txt::kStatsNoAnswer,  &txt::kStatsCrc,
    &txt::kStatsShort,   &txt::kStatsException, &txt::kStatsWrongAddress, &txt::kStatsOther};
constexpr int kStatsColumnCount = int(std::size(kStatsColumns));

QStringList StatsCells(int address, const DetectorLinkStats& s) {
  auto count = [](std::uint64_t n) { return QString::number(qulonglong(n)); };
  auto ms = [&s](double v) { return s.answers ? QString::fromStdString(Format("%.1f", v)) : QStringLiteral("-"); };
  return {QString::number(address), count(s.requests), count(s.answers), ms(s.minMs), ms(s.MeanMs()),
          ms(s.maxMs), count(s.noAnswer), count(s.crcErrors), count(s.shortFrames), count(s.exceptions),
          count(s.wrongAddress), count(s.otherErrors)};
}

}  // namespace

CTrafficWindow::CTrafficWindow(const CTrafficBuffer& traffic, CLinkStats& stats, COperator* op, QWidget* parent)
    : QDialog(parent), traffic_(traffic), stats_(stats), operator_(op) {
  setObjectName(QStringLiteral("CTrafficWindow"));
  setModal(false);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);

  filterNote_ = new QLabel(this);
  filterEdit_ = new QLineEdit(this);
  filterEdit_->setObjectName(QStringLiteral("trafficFilter"));
  filterEdit_->setClearButtonEnabled(true);
  pause_ = new QPushButton(this);
  pause_->setObjectName(QStringLiteral("trafficPause"));
  pause_->setCheckable(true);
  save_ = new QPushButton(this);
  save_->setObjectName(QStringLiteral("trafficSave"));
  clear_ = new QPushButton(this);
  clear_->setObjectName(QStringLiteral("trafficClear"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("trafficStatus"));
  for (QPushButton* b : {pause_, save_, clear_}) b->setAutoDefault(false);

  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("trafficView"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setMaximumBlockCount(int(traffic_.Capacity()));
  view_->setFont(fixed);
  // The operator's own scrolling decides whether the view follows the line:
  // back at the bottom it follows again.
  QScrollBar* bar = view_->verticalScrollBar();
  connect(bar, &QScrollBar::actionTriggered, this, [this, bar] { following_ = bar->sliderPosition() >= bar->maximum(); });

  statsTable_ = new QTableWidget(0, kStatsColumnCount, this);
  statsTable_->setObjectName(QStringLiteral("trafficStats"));
  statsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  statsTable_->verticalHeader()->hide();
  statsTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  statsTable_->setFont(fixed);
  statsTable_->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 6);

  auto* controls = new QHBoxLayout;
  controls->addWidget(filterNote_);
  controls->addWidget(filterEdit_, 1);
  controls->addWidget(pause_);
  controls->addWidget(save_);
  controls->addWidget(clear_);
  controls->addWidget(status_, 2);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(view_);
  splitter->addWidget(statsTable_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({440, 200});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(splitter, 1);
  resize(1000, 640);

  connect(filterEdit_, &QLineEdit::textChanged, this, [this](const QString& text) { OnFilterEdited(text); });
  connect(pause_, &QPushButton::toggled, this, [this](bool on) { OnPauseToggled(on); });
  connect(save_, &QPushButton::clicked, this, [this] { OnSave(); });
  connect(clear_, &QPushButton::clicked, this, [this] { OnClear(); });
  timer_.setInterval(kRefreshMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  SetLanguage(kEnglish);
}

void CTrafficWindow::SetLanguage(LanguageIndex language) {
  const bool changed = language != language_;
  language_ = language;
  auto text = [language](const TextEntry& entry) { return QString::fromUtf8(entry(language)); };
  setWindowTitle(text(txt::kTrafficTitle));
  filterNote_->setText(text(txt::kTrafficFilter));
  filterEdit_->setPlaceholderText(text(txt::kTrafficFilterHint));
  pause_->setText(text(paused_ ? txt::kTrafficResume : txt::kTrafficPause));
  save_->setText(text(txt::kTrafficSave));
  clear_->setText(text(txt::kClear));
  QStringList headers;
  for (const TextEntry* column : kStatsColumns) headers << text(*column);
  statsTable_->setHorizontalHeaderLabels(headers);
  if (changed) Rebuild();  // the frames' words in the new language
  ShowStatus();
}

void CTrafficWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Refresh();
  timer_.start();
}

void CTrafficWindow::hideEvent(QHideEvent* event) {
  timer_.stop();
  QDialog::hideEvent(event);
}

void CTrafficWindow::Refresh() {
  // Only what the line did since the last look: no new frame, no new figure.
  const std::uint64_t before = seen_;
  seen_ = traffic_.Next();
  if (seen_ == before) return;
  if (!paused_) Append(traffic_.Since(cursor_, kFramesPerRefresh));
  // The figures and the count are read, not watched: once a second is enough,
  // and spares the table its column fitting at every refresh.
  if (figuresShown_.isValid() && figuresShown_.elapsed() < kFiguresMs) return;
  figuresShown_.start();
  ShowStats();
  ShowStatus();
}

void CTrafficWindow::Append(const TrafficPull& pull) {
  missed_ += pull.dropped;
  cursor_ = pull.next;
  QString lines;
  for (const TrafficFrame& f : pull.frames) {
    if (!filter_.Passes(f)) continue;
    if (!lines.isEmpty()) lines += QLatin1Char('\n');
    lines += QString::fromStdString(TrafficLine(f.frame, clock_, language_, TrafficLayout::WordsFirst));
    ++shown_;
  }
  // One paragraph append per refresh: the view lays out once, and follows
  // the newest frames unless the operator scrolled up.
  if (lines.isEmpty()) return;
  view_->appendPlainText(lines);
  if (following_) view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
}

void CTrafficWindow::Rebuild() {
  view_->clear();
  shown_ = 0;
  const std::uint64_t end = cursor_;
  // Only what was already taken: a paused view does not move on by a filter change.
  for (std::uint64_t from = viewStart_; from < end;) {
    TrafficPull pull = traffic_.Since(from, std::size_t(std::min<std::uint64_t>(end - from, kFramesPerRefresh)));
    if (pull.frames.empty()) break;
    from = pull.next;
    pull.dropped = 0;  // counted when first taken
    const std::uint64_t keep = cursor_;
    Append(pull);
    cursor_ = keep;
  }
  following_ = true;
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
}

void CTrafficWindow::OnFilterEdited(const QString& text) {
  const bool valid = filter_.Parse(text.toStdString());
  // A half-typed list keeps the last filter; the edit says it is not taken.
  filterEdit_->setStyleSheet(valid ? QString() : QStringLiteral("QLineEdit { color: #c00000; }"));
  if (valid) Rebuild();
  ShowStatus();
}

void CTrafficWindow::OnPauseToggled(bool paused) {
  paused_ = paused;
  pause_->setText(QString::fromUtf8((paused ? txt::kTrafficResume : txt::kTrafficPause)(language_)));
  if (!paused) {
    seen_ = ~std::uint64_t(0);  // what came while paused is still to be taken
    figuresShown_.invalidate();
    Refresh();
  }
  ShowStatus();
}

void CTrafficWindow::OnClear() {
  figuresShown_.invalidate();
  view_->clear();
  viewStart_ = cursor_;
  shown_ = 0;
  missed_ = 0;
  stats_.Reset();
  statsShown_.clear();
  statsTable_->setRowCount(0);
  ShowStatus();
}

std::string CTrafficWindow::SaveText() const {
  std::string out;
  const QString text = view_->toPlainText();
  // In the code page of every text file the system writes: English lines stay plain ASCII.
  if (!text.isEmpty())
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      std::string bytes;
      EncodeCp1251(line.toStdString(), bytes);
      out += bytes + "\r\n";
    }
  const auto figures = stats_.Snapshot();
  if (!figures.empty()) out += "\r\n";
  for (const auto& [address, s] : figures) out += LinkStatsLine(address, s) + "\r\n";
  return out;
}

void CTrafficWindow::OnSave() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  local = platform::LocalTime(now);
  const std::string suggested =
      saveFolder_ + Format("traffic_%04d%02d%02d_%02d%02d%02d.txt", local.tm_year + 1900, local.tm_mon + 1,
                           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  const std::string title = txt::kTrafficSaveTitle(language_);
  std::string path;
  if (chooseSavePath) {
    path = chooseSavePath(title, suggested);
  } else {
    path = QFileDialog::getSaveFileName(this, TitleText(title), QString::fromStdString(suggested),
                                        QStringLiteral("*.txt"))
               .toStdString();
  }
  if (path.empty()) return;
  std::string error;
  if (WriteFileAtomic(path, SaveText(), &error) != 0 && operator_) operator_->ShowMessage(error, MessageIcon::Error);
}

void CTrafficWindow::ShowStats() {
  const auto figures = stats_.Snapshot();
  std::string key;
  for (const auto& [address, s] : figures) key += LinkStatsLine(address, s) + "\n";
  if (key == statsShown_) return;
  statsShown_ = key;
  statsTable_->setRowCount(int(figures.size()));
  int row = 0;
  for (const auto& [address, s] : figures) {
    const QStringList cells = StatsCells(address, s);
    for (int c = 0; c < kStatsColumnCount; ++c) {
      QTableWidgetItem* item = statsTable_->item(row, c);
      if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        statsTable_->setItem(row, c, item);
      }
      if (item->text() != cells[c]) item->setText(cells[c]);
    }
    ++row;
  }
}

void CTrafficWindow::ShowStatus() {
  std::string text = Format("%s %llu", txt::kTrafficFrames(language_), (unsigned long long)shown_);
  if (missed_) text += Format(", %s %llu", txt::kTrafficDropped(language_), (unsigned long long)missed_);
  if (paused_) text += Format(", %s", txt::kTrafficPaused(language_));
  status_->setText(QString::fromStdString(text));
}

}  // namespace kvl
