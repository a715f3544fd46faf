#pragma once
// The traffic window: every frame of the detector line as one text line
// (time, direction, bytes, decoding), filtered by address, pausable, savable
// to a text file, with the per-detector answer latency and failures beside.
// It reads the link's traffic ring and figures on a timer while it is shown,
// so the line never waits for the screen; it never sends anything, and a
// closed window costs the link nothing but the ring's copy of each frame.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "link/link_stats.h"
#include "link/traffic_buffer.h"
#include "link/traffic_line.h"
#include "text/language.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace kvl {

class COperator;

class CTrafficWindow : public QDialog {
  Q_OBJECT

 public:
  // How often a shown window takes what the line did meanwhile.
  static constexpr int kRefreshMs = 300;
  // How often it shows the figures and the frame count.
  static constexpr int kFiguresMs = 1000;

  CTrafficWindow(const CTrafficBuffer& traffic, CLinkStats& stats, COperator* op, QWidget* parent);

  void SetLanguage(LanguageIndex language);
  // Where Save suggests its file.
  void SetSaveFolder(const std::string& folder) { saveFolder_ = folder; }
  // Chooses the file Save writes, from a title and the suggested path; "" =
  // cancelled. Null = the file dialog.
  std::function<std::string(const std::string& title, const std::string& suggested)> chooseSavePath;

  // Takes the new frames now, and the figures when they are due (the timer's work).
  void Refresh();
  // The file's bytes Save writes: the lines shown, then the figures per
  // detector after an empty line, CR LF each.
  std::string SaveText() const;
  bool Paused() const { return paused_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnFilterEdited(const QString& text);
  void OnPauseToggled(bool paused);
  void OnSave();
  void OnClear();
  // Shows again, under the current filter, what the ring holds of the frames already taken.
  void Rebuild();
  void Append(const TrafficPull& pull);
  void ShowStats();
  void ShowStatus();

  const CTrafficBuffer& traffic_;
  CLinkStats& stats_;
  COperator* operator_;
  TrafficClock clock_ = TrafficClock::Now();
  CAddressFilter filter_;
  LanguageIndex language_ = kEnglish;
  std::string saveFolder_;
  QTimer timer_;
  std::uint64_t viewStart_ = 0;  // the first frame after the last Clear
  std::uint64_t cursor_ = 0;     // the next frame to take
  std::uint64_t shown_ = 0;      // lines taken into the view since the last Clear or Rebuild
  std::uint64_t missed_ = 0;     // frames the ring overwrote before they were taken
  std::uint64_t seen_ = ~std::uint64_t(0);  // the ring's frame count at the last look
  bool following_ = true;        // the view keeps the newest frame in sight
  QElapsedTimer figuresShown_;   // since the figures were last shown
  bool paused_ = false;
  std::string statsShown_;  // the figures on screen, as their text lines

  QLineEdit* filterEdit_ = nullptr;
  QLabel* filterNote_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* clear_ = nullptr;
  QLabel* status_ = nullptr;
  QPlainTextEdit* view_ = nullptr;
  QTableWidget* statsTable_ = nullptr;
};

}  // namespace kvl
