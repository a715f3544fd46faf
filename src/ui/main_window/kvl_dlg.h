#pragma once
// The main window: the detector table of one RS-485 bus with the line
// settings, run controls and gas panel above it and the graph panel below.
// It owns everything for the whole run: the detector link, the six schedule
// alarms, the twenty detector slots, the settings and every control. The
// rules live in the core (CDetectorTable, the configuration, the gas panel
// logic); the window feeds them the link's messages and the operator's
// input and puts their results on screen, changing a widget only when what
// it shows changes.
//
// The implementation is split by concern: kvl_dlg.cpp (ownership, message
// dispatch, events), layout.cpp (control creation and placement),
// table_layout.cpp (column geometry), poll_results.cpp (link messages ->
// rows), line_controls.cpp, gas_panel.cpp, language.cpp,
// startup_shutdown.cpp, demo_bus.cpp, graph_wiring.cpp (the graph panel) and
// traffic_window.cpp (the line's frames and figures, its own window).
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chamber/chamber_link.h"
#include "chamber/valve_link.h"
#include "commands/command_types.h"
#include "commands/emitter_tuning.h"
#include "config/configuration.h"
#include "detector/detector_table.h"
#include "graduation/calc_types.h"
#include "graduation/grad_report_batch.h"
#include "graduation/graduation_run.h"
#include "graduation/autopilot_session.h"
#include "graduation/run_calc_facts.h"
#include "graduation/run_data_writer.h"
#include "graduation/run_folder_lock.h"
#include "graduation/write_journal.h"
#include "graph/graph_data.h"
#include "imitation/imitation.h"
#include "link/alarm_timer.h"
#include "link/link_stats.h"
#include "link/modbus_slave.h"
#include "link/unattended_operator.h"
#include "link/traffic_buffer.h"
#include "ui/dialogs/enter_schedule.h"
#include "ui/main_window/main_controls.h"
#include "ui/main_window/table_placement.h"

class QAction;
class QCheckBox;
class QDialog;
class QComboBox;
class QLabel;
class QScrollArea;

namespace kvl {

class CQtMessageTarget;
class CQtOperator;
class CConfirmation;
class CDemoBus;
class CGraphPanel;
class CTrafficWindow;
class CCalcFits;
struct ColumnNeed;

// The simulated bus kvlgrad --demo polls: detectors at addresses 1, 2, ...
inline constexpr int kDemoFirstAddress = 1;
std::vector<std::uint8_t> DemoAddresses(int count);

// Port selector items: the shown text may be shorter than the item itself.
void AddPortItem(QComboBox* combo, const std::string& item, int index = -1);
std::string PortItem(const QComboBox* combo);
bool SelectPortItem(QComboBox* combo, const std::string& item);

struct DemoOptions {
  std::optional<int> type;  // none: the configured type
  int count = 8;
};

struct KvlDlgOptions {
  // The configuration file; "" = the usual place (config_location.h).
  std::string configPath;
  // Where operator messages go; null = real message boxes on this window.
  COperator* op = nullptr;
  // A device to open as the detector line instead of the configured port
  // (a test's pty); it is offered first in the port selector and never saved.
  std::string linePort;
  // Run a simulated bus in-process and poll it (takes precedence over linePort).
  std::optional<DemoOptions> demo;
  // Runs a modal input dialog and returns its result; null = exec(). Tests
  // fill in the dialog's controls and end it with one of its buttons.
  std::function<int(QDialog&)> runDialog;
  // Choose a folder, or files with an extension ("tab", "grad"; "set" also
  // offers "tab"); null = the file dialogs. Nothing chosen ("" or none) means cancelled.
  std::function<std::string(const std::string& title, const std::string& start)> chooseFolder;
  std::function<std::vector<std::string>(const std::string& title, const std::string& start,
                                         const std::string& extension)>
      chooseFiles;
  // The graduation run's stabilisation wait; none = 35 minutes.
  std::optional<int> stabilizationMs;
  // Answers the exit question (the dialog as it would open); returns kIdYes
  // to exit. Null = exec().
  std::function<int(CConfirmation&)> exitQuestion;
  // The screen area the window may use; none = the available area of its screen.
  std::optional<QRect> screenArea;
};

// How long after a change of the configuration text it is saved: changes in
// a row (typing a field) make one write.
inline constexpr int kConfigSaveDelayMs = 1500;

class CKvlDlg : public QWidget {
  Q_OBJECT

 public:
  // Creates the controls and runs the whole set-up: configuration, alarms,
  // poll set, mode, recording timer, and starts the link. Call Place() and
  // show() after it.
  explicit CKvlDlg(KvlDlgOptions options = {}, QWidget* parent = nullptr);
  // Stops the link and the alarms if the exit path has not (nothing is saved).
  ~CKvlDlg() override;

  // Moves and sizes the window for the screen it opens on: the frame, title
  // bar included, inside the screen's available area.
  void Place();
  // The screen area the window may take (the option's, else its screen's).
  QRect ScreenArea() const;
  // The widget every control sits on. It scrolls inside the window when the
  // window is narrower (or lower) than the layout needs.
  QWidget* Canvas() const { return canvas_; }

  // The exit path: asks, and when confirmed stops everything, saves the
  // configuration and closes the window. True when the window closed.
  bool OnCancel();

  // ---- State, for the later parts and the tests ----
  const CDetectorTable& Table() const { return table_; }
  const CRunDataWriter& Recorder() const { return writer_; }
  const CGraduationRun& Run() const { return run_; }
  const Configuration& Settings() const { return config_; }
  const std::string& ConfigurationText() const { return configText_; }
  const std::string& ConfigurationPath() const { return configPath_; }
  LanguageIndex Language() const { return config_.language; }
  int DetectorType() const { return config_.detectorType; }
  int Mode() const { return config_.mode; }
  int GraphTop() const { return graphTop_; }
  bool Exited() const { return exited_; }
  bool RecordingTimerActive() const { return recordTimer_.isActive(); }
  int RecordingTimerInterval() const { return recordTimer_.interval(); }
  // The device the detector line polls (the demo bus's, a test's, or the configured port's).
  std::string LinePortName() const;
  CDemoBus* DemoBus() const { return demoBus_.get(); }
  bool LinkRunning() const { return link_.WorkerRunning(); }
  const MainControls& Controls() const { return c_; }
  // The traffic window, once opened (it stays until the main window goes).
  CTrafficWindow* TrafficWindow() const { return trafficWindow_; }
  // Shows the traffic window (the context menu's item and Ctrl+T).
  void OpenTrafficWindow();
  // The climate chamber on line 2 and the gas valves (chamber_line.cpp).
  CChamberLink& Chamber() { return chamber_; }
  CValveLink& Valves() { return valves_; }

 signals:
  // The detector type selector changed (the demo bus follows it).
  void DetectorTypeChanged(int type);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ---- kvl_dlg.cpp ----
  void OnUserMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam);
  // Asks, and when confirmed shuts everything down; true when the window may close.
  bool ConfirmExit();
  void PostConfig();
  void ShowAbout();

  // ---- layout.cpp ----
  void CreateControls();
  void CreateLineControls();
  void CreateGasPanel();
  void CreateRunControls();
  void CreateTable();
  void CreateHeaders();
  void CreateSelectorsAndGraphControls();
  void FillSelectors();
  void FillGasSelector();
  void ApplyModeLayout();
  void PlaceGraphControls();
  // Across the canvas, whatever its width.
  void PlaceStagePrompt();
  // Bottom edge of the lowest control shown above the table.
  int TopControlsBottom() const;

  // The frame around the client area (known once the window manager has framed it).
  QMargins FrameMargins() const;
  // Places the frame's top-left corner and sizes the client area, both
  // moved and shrunk as far as needed to keep the frame inside the screen area.
  void PlaceFrame(int frameX, int frameY, int w, int h);
  // Once the window manager has framed a window just placed, brings its
  // title bar back into the screen area if the frame came out larger than guessed.
  void KeepFrameOnScreen();

  // ---- table_layout.cpp ----
  void LayOutTable();
  // The steps of the layout, in the order it takes them.
  void AddHeaderNeeds(const TableGeometry& g, std::array<ColumnNeed, kColumnCount>& need) const;
  void FitRowsAboveGraph(TableGeometry& g);  // sets the row pitch and graphTop_
  void ShareCanvasWidth(TableGeometry& g, const std::vector<ColumnNeed>& needs,
                        const std::vector<Column>& order) const;
  void PlaceCells(const TableGeometry& g);
  void PlaceHeaders(const TableGeometry& g);
  void ConnectIdentityColumns();
  void KeepIdentityInView();
  void PlaceBesideWindow(QWidget& other) const;  // a tool window where it hides nothing of this one  // the identity columns at the view's left edge
  // Grows the window to show the whole table at its natural widths, as far
  // as the screen allows, and sizes the canvas: never narrower than the
  // layout's least width, so a small screen scrolls instead of cutting.
  void FitWindowToTable();
  void FitCanvas();
  // The view's height for a canvas this wide (less the scroll bar a wider one needs).
  int ViewHeight(int canvasWidth) const;
  // Re-lays out the table when what decides its columns has changed.
  void LayOutTableIfChanged();

  // ---- poll_results.cpp ----
  void OnData();
  void OnClear();
  void OnResult(int result, int position);
  void OnCycle();
  void OnPortOpen(int line);
  void OnPortFail(int line);
  // The line's device went away: the line waits for it, ticked, with its note shown.
  void OnLineLost(int line);
  // The line-state note for the state the link reported ("" hides it).
  void ShowLineNote(LineWatch state);
  void ApplySearchEnd(const SearchEnd& end);
  void ShowRow(const RowView& row);
  void ShowAllRows(bool showAddress);
  void RedescribeAllRows();
  void ShowStatistics(const StatisticsView& view);
  void EnableLineButtons(bool enable);

  // ---- line_controls.cpp ----
  void ConnectLineControls();
  void OnPortSelected();
  void OnPortTyped();
  void OnBaudSelected();
  void OnPauseEdited(int line);
  void OnLineOpenToggled(bool checked);
  void OnPeriodEdited();
  void OnRelayTestStepSelected();
  void OnTypeSelected(int index);
  void OnModeSelected(int index);
  void OfferModesOfType();
  void OnKurToggled(bool pressed);
  void SelectPollSetForLayout();
  void RestartRecordingTimer();
  std::string SelectedPortItem() const;

  // ---- gas_panel.cpp ----
  void ConnectGasPanel();
  void OnGasSelected(int position);
  void ApplyGasPanelView();
  void OnUsePropaneClicked(bool checked);
  void OnConcentrationEdited(int k);
  void OnPropaneEntryEdited(int k);
  void OnCoefficientEdited();
  void OnEmitterPowerEdited();
  void OnLimitEdited(int k);

  // ---- language.cpp ----
  void OnLanguageSelected(int index);
  void ApplyLanguage();
  void RelabelControls();
  void RefillTextSelectors();

  // ---- startup_shutdown.cpp ----
  void SetUp();
  void ApplyConfigurationToControls();
  void StartLink();
  void ShutDown();

  // ---- chamber_line.cpp ----
  void ConnectChamberLine();
  void OnChamberLineToggled(bool on);
  void OpenChamberLine();
  void OpenValves();
  // Asks for a *.chamber or *.valves file; true (and kept) when one was chosen.
  bool ChooseDeviceProfile(bool chamber);
  void ShowChamberReading();
  // All valves closed, then both lines let go (exit).
  void CloseDevices();
  std::string LinkPortName(const std::string& item) const;
  std::string ComposeConfiguration();
  void SaveConfigurationNow();

  // ---- address_search.cpp ----
  void OnSearchClicked();
  void LockForSearch(bool lock);

  // ---- row_commands.cpp ----
  void ConnectRowCommands();
  void OnCellRightClick(int cellId);
  void OnRowCommand(CommandId id, int slot, Column column);
  void CarryOut(int slot, const CommandOutcome& outcome, CommandId id);
  void QueueWriteList(const std::vector<RegisterWrite>& writes);
  // Who the write lists queued now come from: the mode, the cause, the rows' serial numbers.
  WriteOrigin OriginOf(const std::string& cause) const;
  void ApplyListEdit(const ListEdit& edit);

  // ---- command_dialogs.cpp ----
  // Asks what the command needs (nothing for most) and gives the core's
  // outcome; nothing when the operator cancelled or the command is done.
  std::optional<CommandOutcome> AskAndDecide(CommandId id, int slot, Column column, const CommandTarget& target);
  // What each command asks, by the dialog of its kind.
  std::optional<CommandOutcome> AskModbusAddress(const std::string& prompt, int slot, Column column,
                                                 const CommandTarget& target);
  std::optional<CommandOutcome> AskFactoryDefaults(const std::string& prompt, const CommandTarget& target);
  std::optional<CommandOutcome> AskLimitValue(CommandId id, const std::string& prompt, int slot,
                                              Column column, const CommandTarget& target);
  std::optional<CommandOutcome> AskHeatingLimit(const std::string& prompt, const CommandTarget& target);
  std::optional<CommandOutcome> TuneKveltEmitter(int slot, const CommandTarget& target);
  std::optional<CommandOutcome> AskEmitterPower(const std::string& prompt, int slot, Column column,
                                                const CommandTarget& target);
  std::optional<CommandOutcome> AskSerial(const std::string& prompt, int slot, const CommandTarget& target);
  std::optional<CommandOutcome> AskGas(const std::string& prompt, const CommandTarget& target);
  std::optional<CommandOutcome> ToggleRelayTest(int slot, const CommandTarget& target);
  std::optional<CommandOutcome> RelayPictureOf(Column column, const CommandTarget& target) const;
  std::optional<CommandOutcome> AskCorrectionFactor(bool reference, const std::string& prompt,
                                                    const CommandTarget& target);
  void OnEnterPassword();
  void SetRelayTestBox(int slot, bool on);
  int RunDialog(QDialog& dialog);
  std::string CellText(Column column, int slot) const;

  // ---- recording.cpp ----
  void ConnectRecording();
  void OnRecordingClicked();
  void SetRecording(bool on, bool newSeries = true);
  void StopRecording();
  void ShowRecordedCount();
  void OnRecordTick();
  void OnDataFolderClicked();
  void OnScheduleClicked();
  void OnAlarm(int alarm);

  // ---- graduation.cpp ----
  void ConnectGraduation();
  RunEnvironment RunEnv() const;
  void DriveRun(RunActions actions);
  // The demo's chamber and gas follow the run; after a step that sent
  // capture commands, only once every detector has taken its own.
  void DemoFollowsRun();
  RunActions AskForRun(const RunDialogRequest& request);
  // ---- graduation_pilot.cpp: "Auto" with a chamber confirms the run's own steps ----
  void OnGraduationButton();
  // Starts or ends the autopilot as the run, the valve mode and the lines allow.
  void UpdatePilot();
  void OnPilotTick();
  // The step's state saved once its writes ran, then its held-back log lines.
  void SaveRunState();
  // At "   Start graduation": a saved run is offered; true when it was taken up.
  bool OfferResume();
  // One run per data folder: false (after a box saying who holds it) when another run does.
  bool TakeRunFolder();
  std::string PilotMessage(const std::string& stepMessage) const;
  // ---- unattended_run.cpp: an Auto run never waits for a person ----
  // From "Begin" of an Auto run to the last table of its end reported.
  bool UnattendedOn() const;
  // The link's boxes become notes while it is on.
  void UpdateUnattended();
  // What the run, its end or the link had to say: the stage field and the journal.
  void NoteUnattended(const std::string& text);
  void ShowRunNote();
  // The end's summary so far from its report batch; once no write is pending, the end.
  void ShowAutoEnd();
  void EndAutoRun(const std::string& summary);
  // Files with the extension, from the graduation folder; their folder becomes it.
  std::vector<std::string> ChooseGraduationFiles(const std::string& title, const std::string& extension);
  void OnReadFromTab();

  // ---- calculation.cpp ----
  void OnReadFromFile();
  // After an "Auto" run with the chamber: every table from the run's own files,
  // once the valves are closed and the chamber parked.
  void CalculateRunTables(std::vector<std::string> paths, int triesLeft);
  std::vector<std::string> RunFilePaths() const;
  // The steps after the files were chosen; unattended answers only what the
  // run's own clean files make certain.
  void CalculateFiles(std::vector<std::string> paths, bool unattended);
  // The steps of "Read from file", in the order it takes them.
  void HoldLinkForFiles();
  void ReleaseLinkWithoutFiles();  // no file chosen
  void ShowRowsForFiles();
  // Reads the files into calcRead_ (behind a progress box unless unattended); false when the operator cancelled.
  bool ReadCalculationFiles(const std::vector<std::string>& paths, const CalcSettings& settings, bool unattended);
  void LogSensorChecks(const CalcRead& read, const std::vector<int>& logged, const std::tm& now);
  void OfferCalculatedTables(const CalcRead& read, const std::vector<int>& calculable, CCalcFits& fits,
                             const CalcSettings& settings, const std::vector<std::string>& paths,
                             const std::tm& now, bool unattended);
  void OpenLineForTableWrites();
  void WriteSensorTable(const CalcSensor& sensor, const SensorTables& tables, GradReport report,
                        const std::shared_ptr<CReportBatch>& batch, std::size_t batchRow, bool unattended);
  // Unattended: what a box would have asked is decided as kvlctl decides it;
  // false (the report says why) when the table is held back.
  bool MayWriteUnattended(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                          GradReport& report);
  // The batch summary's line of a sensor before it is calculated.
  static BatchRow SummaryRowOf(const CalcSensor& sensor, LanguageIndex lang);
  void ShowCalculationRows(const CalcRead& read);
  void EndTableWriting();
  void BackToPolledRows();
  // Empties the twenty rows for files ("Read from file", "Read from tab"): no
  // detector, no counters, the table registers of the type cleared.
  void ResetRowsForFiles();
  void ResumeAfterCalculation();

  // ---- settings_files.cpp ----
  void ConnectSettingsFiles();
  void OnSettingsToFile(int slot);
  // "Sett. from file" writes the chosen file into the row's detector; "Compare sett." compares.
  void OnSettingsFromFile(int slot, bool compare);
  // The row's "Sett. from file" shows that its writes are under way until the link has reported them.
  void ShowSettingsWriting(int slot);
  // A settings or graduation log file from the data folder; "" = cancelled.
  std::string ChooseSettingsFile();

  // ---- demo_bus.cpp ----
  void StartDemoBus();

  // ---- imitation_mode.cpp ----
  void ConnectImitation();
  // After a mode change from `before`: enters or leaves "Imitation". True
  // when the operator is to be told that the demo bus has no master to answer
  // (TellImitationWithoutMaster, once the window shows the new mode).
  bool SwitchImitation(int before);
  void TellImitationWithoutMaster();
  void ApplyImitationSwitch(const ImitationSwitch& sw);
  void OnImitationRequest();
  // The "LEL%" right-click: the imitated concentration (mode "Imitation" only).
  void OnImitationConcentration(int slot);
  CImitation imitation_;  // the rows' ticks and the imitated detectors' answers

  KvlDlgOptions options_;
  // Posts from the link, the alarms and the cells arrive here, on the GUI thread.
  std::unique_ptr<CQtMessageTarget> target_;
  std::unique_ptr<CQtOperator> ownOperator_;
  COperator* operator_ = nullptr;
  std::unique_ptr<CUnattendedOperator> linkOperator_;  // operator_ for the link, quiet while unattended
  std::unique_ptr<CDemoBus> demoBus_;
  unsigned demoFollowPending_ = 0;  // the run's write lists whose end the demo's gas waits for (by generation)
  bool demoFollowWaiting_ = false;
  QElapsedTimer demoFollowSince_;
  static constexpr qint64 kDemoFollowPatienceMs = 10000;

  // Every frame of the detector line goes to the per-detector figures and on
  // to the traffic ring; both outlive the link's worker.
  CTrafficBuffer traffic_;
  CLinkStats linkStats_{&traffic_};
  CTrafficWindow* trafficWindow_ = nullptr;
  QAction* trafficAction_ = nullptr;
  // Declared before the link: the link's worker tells it of writes until it stops.
  CWriteJournal journal_;
  CModbusSlave link_;
  // After the link: the valves may speak on its line and are let go first.
  CChamberLink chamber_;
  CValveLink valves_;
  std::array<CAlarmTimer, 6> alarms_;
  CDetectorTable table_;
  Configuration config_;
  std::string configText_;
  std::string configPath_;
  std::string programFolder_;
  std::string linePortItem_;  // the extra port selector item (demo or test device), "" = none
  LineWatch lineWatch_ = LineWatch::Off;  // as the link last reported it

  QScrollArea* scroll_ = nullptr;
  QWidget* canvas_ = nullptr;
  MainControls c_;
  // KVELT emitter power, per detector: serial number text, or "#" and the address.
  std::map<std::string, EmitterTuningMemory> tuning_;
  std::array<RelayTestBox, kSlotCount> relayBoxBefore_{};  // what a relay test box showed when pressed
  TableGeometry geometry_;
  QWidget* identityBacking_ = nullptr;  // behind the identity columns while the table is scrolled
  TablePlacementKey placementKey_;
  bool fitting_ = false;
  bool frameChecked_ = false;  // the frame of the last placement was checked
  bool screenWatched_ = false;
  int tableTop_ = kTableTopMin;
  int graphTop_ = 674;
  bool exited_ = false;
  bool settingUp_ = true;  // handlers do not post configuration rebuilds yet
  bool listChosen_ = false;  // a search or a list edit made the address list (the demo's is not kept)
  QTimer recordTimer_;     // the recording tick
  QTimer graduationTimer_; // the graduation run's stabilisation wait
  QTimer completionTimer_;  // the pause after the run's last stage
  // The configuration is saved shortly after it changes, not only at a
  // confirmed exit: a power cut or a kill during a long run keeps the session's settings.
  QTimer configSaveTimer_;
  std::string savedConfigText_;  // as the file holds it (or as composed at start)
  int configuredType_ = -1;      // the configuration's type while --demo=TYPE plays another; -1 none
  CRunDataWriter writer_;
  CGraduationRun run_;
  std::unique_ptr<CAutopilotSession> pilot_;  // while "Auto" drives the chamber and the valves
  QTimer pilotTimer_;
  std::string pilotStatus_;
  bool pilotHeld_ = false;  // the autopilot holds the step (its start is journalled)
  std::string runMedium_, runHigh_;  // the run's concentration texts, for its saved state
  // An Auto run's end: its tables' batch, until the last is reported; the
  // run's last word for the stage field.
  bool autoEndPending_ = false;
  std::shared_ptr<CReportBatch> autoEndBatch_;
  std::string runNote_;
  int savedStage_ = 0, savedStep_ = -1, savedSeries_ = -1;
  CRunFolderLock runFolder_;  // held from a run's start to its end
  bool runSaveDue_ = false;
  std::unique_ptr<CalcRead> calcRead_;  // the files last read; the rows show their sensors
  bool calcSuspended_ = false;          // polling waits since files were read
  std::vector<std::uint8_t> listBeforeCalc_;  // the address list polled before the files were read
  // What an Auto run that just completed tells the calculation of its own
  // files: when it fed gas, and a Z5's factors its "Graduation-Z5" files lack.
  RunCalcFacts runFacts_;
  std::optional<RunReportFacts> runReport_;  // the tables being offered are a completed run's
  ScheduleEntries schedule_{};

  // ---- graph_wiring.cpp: the graph panel below the table ----
 public:
  const CGraphPanel& GraphPanel() const { return *graphPanel_; }
  const CGraphData& GraphData() const { return graphData_; }

 private:
  void CreateGraphPanel();
  // Over the canvas from the graph top down, under its five controls.
  void PlaceGraphPanel();
  void OnValueCellClicked(int slot, int quantity);
  void OnGraphControl(int control);
  void ShowGraphCaptions();
  void ShowGraphContext();
  // An address search starts: no series stays selected, no cell coloured.
  void ClearGraphSelection();
  // A poll added samples: the graph follows a few times a second.
  void GraphSamplesGrew();
  // The calculation empties the series before it reads its files, puts the
  // files' samples in them with a break after each file, and shows the
  // tables it fits for a sensor as that slot's characteristic.
  void ResetGraphForCalculation();
  void ShowCalculationSeries(const CalcRead& read);
  void ShowCharacteristic(int slot, const SensorTables& tables);
  // The series no longer hold only the files' samples (live polls append and trim).
  void DropSeriesBreaks();

  CGraphData graphData_{table_};
  CGraphPanel* graphPanel_ = nullptr;
  bool calcWorking_ = false;  // "Clear" waits while the calculation works
};

}  // namespace kvl
