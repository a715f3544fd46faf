// The graduation table calculation from the window's side ("   Read from
// file"): the link is suspended and the twenty rows show the sensors of the
// chosen run data files; the files are read on other threads behind a
// progress box with Cancel, so the window stays responsive; the sensors are
// fitted in the background while the operator reads the summary; then each
// sensor is confirmed, its table shown and, when the operator wants, written
// into its detector. Every rule of reading, checking and fitting is the
// core's (graduation/calc_*.h). Polling stays suspended afterwards, whatever
// the type, as the rows show the files' sensors, and the stage field says so;
// a change of mode or a re-ticked line resumes it with the address list that
// was polled before the files were read.
#include <QApplication>
#include <QCheckBox>
#include <QMetaObject>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <future>

#include "detector/register_map.h"
#include "detector/serial_read.h"
#include "graduation/calc_async.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_coverage.h"
#include "graduation/calc_result.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_log.h"
#include "graduation/grad_report_batch.h"
#include "graduation/run_data_format.h"
#include "text/dialog_texts.h"
#include "text/flow_texts.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/link_texts.h"
#include "text/main_window_texts.h"
#include "text/report_texts.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_button.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/main_window/kvl_dlg.h"
#include "platform/clock.h"

namespace kvl {

namespace {

// The run data file the written table was fitted to.
std::string TableFileOf(const CalcSensor& sensor, const SensorTables& tables) {
  const SegmentTable& written = tables.tables[size_t(std::max(0, tables.written))];
  return written.segment < sensor.segments.size() ? sensor.segments[written.segment].file : "";
}

MessageIcon SummaryBoxIcon(SummaryIcon icon) {
  switch (icon) {
    case SummaryIcon::Exclamation: return MessageIcon::Warning;
    case SummaryIcon::Information: return MessageIcon::Information;
    default: return MessageIcon::None;
  }
}

std::tm LocalNow() {
  std::tm now{};
  const std::time_t t = std::time(nullptr);
  now = platform::LocalTime(t);
  return now;
}

// The boxes of a calculation run the event loop: "Clear" must not empty the series meanwhile.
struct Working {
  bool& flag;
  explicit Working(bool& f) : flag(f) { flag = true; }
  ~Working() { flag = false; }
};

}  // namespace

void CKvlDlg::CalculateRunTables(std::vector<std::string> paths, int triesLeft) {
  // The valves share the detector line: they close before polling is held.
  const std::optional<ChamberProfile> profile = chamber_.Profile();
  const bool parked = !chamber_.IsOpen() || !profile || chamber_.Last().setPoint == profile->parkC;
  const bool closed = !valves_.IsOpen() || valves_.Last().open == GasValve::kClosed;
  if ((!parked || !closed || calcWorking_) && triesLeft > 0) {
    QTimer::singleShot(200, this, [this, paths = std::move(paths), triesLeft]() mutable {
      CalculateRunTables(std::move(paths), triesLeft - 1);
    });
    return;
  }
  if (paths.empty() || calcWorking_) {
    EndAutoRun(txt::kAutoEndNoFiles(config_.language));
    return;
  }
  const Working working(calcWorking_);
  HoldLinkForFiles();
  CalculateFiles(std::move(paths), true);
}

void CKvlDlg::OnReadFromFile() {
  const LanguageIndex lang = config_.language;
  if (autoEndPending_) EndAutoRun({});  // the operator is back: boxes again
  const Working working(calcWorking_);
  HoldLinkForFiles();
  std::vector<std::string> paths = ChooseGraduationFiles(txt::kSelectDataFiles(lang), "grad");
  if (paths.empty()) {
    ReleaseLinkWithoutFiles();
    return;
  }
  CalculateFiles(std::move(paths), false);
}

void CKvlDlg::CalculateFiles(std::vector<std::string> paths, bool unattended) {
  const LanguageIndex lang = config_.language;
  SortGradFileNames(paths);
  ShowRowsForFiles();

  CalcSettings settings = CalcSettingsFrom(config_);
  // What the run tells its tables' reports of itself.
  runReport_ = unattended ? runFacts_.report : std::nullopt;
  if (unattended) ApplyRunCalcFacts(std::move(runFacts_), settings);
  runFacts_ = {};
  if (!ReadCalculationFiles(paths, settings, unattended)) {
    ResumeAfterCalculation();
    return;
  }
  CalcRead& read = *calcRead_;
  CheckSegments(read, settings);
  ShowCalculationRows(read);
  ShowCalculationSeries(read);

  const CalcSummary summary = BuildSummary(read, lang);
  // The fits run while the operator reads the summary.
  CCalcFits fits(read, settings, summary.calculable);
  const std::tm now = LocalNow();
  LogSensorChecks(read, summary.logged, now);
  // Unattended, what the checks found goes on record (the logs above, the
  // journal and the stage field, the batch's summary) and every table that
  // passes them is written all the same: nobody would read a box.
  if (!summary.text.empty() && unattended) NoteUnattended(summary.text);
  if (!summary.text.empty() && !unattended) operator_->ShowMessage(summary.text, SummaryBoxIcon(summary.icon));
  if (summary.calculable.empty()) {
    // Nothing to offer: the summary said why. Polling goes on with the
    // detectors polled before.
    ResumeAfterCalculation();
    if (unattended) EndAutoRun(summary.text.empty() ? std::string(txt::kAutoEndNoFiles(lang)) : summary.text);
    return;
  }
  OfferCalculatedTables(read, summary.calculable, fits, settings, paths, now, unattended);
  EndTableWriting();
  if (!unattended) return;
  // The run's files are on record: the rows go back to the live detectors,
  // whose table writes run between the polls.
  ResumeAfterCalculation();
  ShowAutoEnd();
}

void CKvlDlg::HoldLinkForFiles() {
  link_.Suspend();
  table_.SetTableWriting(true);
  if (writer_.Recording()) StopRecording();
  c_.recording->setEnabled(false);
}

void CKvlDlg::ReleaseLinkWithoutFiles() {
  EndTableWriting();
  link_.Resume();
  c_.recording->setEnabled(table_.LineOpen());
}

void CKvlDlg::ShowRowsForFiles() {
  // Every row is emptied for the sensors of the files. A second reading
  // while the first one's rows are shown keeps the list polled before both.
  if (!calcSuspended_) listBeforeCalc_ = table_.AddressList();
  table_.SetAddressList({});
  ResetRowsForFiles();
  calcSuspended_ = true;
  c_.stagePrompt->SetTextIfChanged(std::string(txt::kRowsShowFileData(config_.language)));
  c_.stagePrompt->setVisible(true);
  ResetGraphForCalculation();
}

bool CKvlDlg::ReadCalculationFiles(const std::vector<std::string>& paths, const CalcSettings& settings,
                                   bool unattended) {
  const LanguageIndex lang = config_.language;
  CalcReadProgress progress;
  auto reading =
      std::async(std::launch::async, [paths, settings, &progress] { return ReadGradFiles(paths, settings, 0, &progress); });
  // Unattended, no box: the window stays live while the files are read.
  while (unattended && reading.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  if (reading.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
    // The box counts the data lines read; Cancel stops the reader threads
    // within a thousand lines and polling resumes.
    const QString title = QString::fromUtf8(txt::kReadFromFile(lang)).trimmed();
    QProgressDialog box(title + QStringLiteral("\n0"), QString::fromUtf8(txt::kCancel(lang)), 0, 0, this);
    box.setWindowModality(Qt::WindowModal);
    box.setMinimumDuration(0);
    // The readers learn of Cancel at once; a read that ends meanwhile is dropped all the same.
    QObject::connect(&box, &QProgressDialog::canceled, [&progress] { progress.cancel = true; });
    box.show();
    while (reading.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      box.setLabelText(title + QStringLiteral("\n") + QString::number(qulonglong(progress.lines.load())));
      // Cancel by the dialog's own slot (Esc) sets no signal off.
      if (box.wasCanceled()) progress.cancel = true;
    }
    if (box.wasCanceled()) progress.cancel = true;
  }
  calcRead_ = std::make_unique<CalcRead>(reading.get());
  return !(calcRead_->cancelled || progress.cancel);
}

void CKvlDlg::LogSensorChecks(const CalcRead& read, const std::vector<int>& logged, const std::tm& now) {
  for (int slot : logged) {
    const CalcSensor& sensor = read.sensors[size_t(slot)];
    AppendGradLog(
        GradLogPath(config_.dataFolder, sensor.serial),
        GradLogReportHeader(sensor.serial, sensor.modbusText, sensor.gasText, config_.language, now) +
            FileBytes(sensor.check + "\r\n"));
  }
}

void CKvlDlg::OfferCalculatedTables(const CalcRead& read, const std::vector<int>& calculable, CCalcFits& fits,
                                    const CalcSettings& settings, const std::vector<std::string>& paths,
                                    const std::tm& now, bool unattended) {
  const LanguageIndex lang = config_.language;
  // The run's record: a summary line per sensor, a report per table written
  // (filed by the link's worker once the write and its read-back have run).
  auto batch = std::make_shared<CReportBatch>(config_.dataFolder, lang, now, ProgramVersion());
  if (unattended) autoEndBatch_ = batch;  // the end's summary follows its reports
  std::vector<std::size_t> batchRow(read.sensors.size());
  for (std::size_t k = 0; k < read.sensors.size(); ++k)
    batchRow[k] = batch->Add(SummaryRowOf(read.sensors[k], lang));

  for (int slot : calculable) {
    const CalcSensor& sensor = read.sensors[size_t(slot)];
    const std::string ask = std::string(txt::kCalculateTableForSensor(lang)) + " " + sensor.serial + "?";
    if (!unattended && operator_->Ask(ask, MessageIcon::Question, QuestionButtons::OkCancel) != kAnswerOk) continue;
    const SensorTables& tables = fits.Take(slot);
    if (tables.tables.empty()) continue;
    ShowCharacteristic(slot, tables);
    GradReport report = BuildGradReport(sensor, tables, settings, paths, now, ProgramVersion());
    if (runReport_) AttachRunFacts(report, *runReport_);
    batch->Note(batchRow[size_t(slot)], report, ReportWriteState::NotWritten);
    if (unattended) {
      if (MayWriteUnattended(sensor, tables, settings, report))
        WriteSensorTable(sensor, tables, std::move(report), batch, batchRow[size_t(slot)], true);
      else
        batch->FileReport(batchRow[size_t(slot)], report);
      continue;
    }
    // Samples far from the table are listed in the very question that writes it.
    const std::vector<Outlier> outliers =
        tables.written >= 0 ? FindOutliers(sensor, tables.tables[size_t(tables.written)], settings) : std::vector<Outlier>();
    const std::string far = outliers.empty() ? std::string() : OutliersText(outliers, settings) + "\r\n\r\n";
    const std::string text =
        ResultText(sensor, tables, config_.detectorType, lang) + far + txt::kWriteTableToDevice(lang);
    // A table calculated and not written is on record too, with why.
    if (operator_->Ask(text, MessageIcon::Question, QuestionButtons::OkCancel) != kAnswerOk) {
      report.notWrittenWhy = txt::kReportWhyDeclined(lang);
      batch->FileReport(batchRow[size_t(slot)], report);
      continue;
    }
    if (sensor.address < 1 || sensor.address > 255 || !SensorSerialNumber(sensor)) {
      // Without its address (or its serial) the table has no detector to go to.
      operator_->ShowMessage(Format(txt::kIdentityNoAddress(lang), TableFileOf(sensor, tables).c_str(),
                                    sensor.serial.c_str()),
                             MessageIcon::Warning);
      report.notWrittenWhy = txt::kReportWhyAddress(lang);
      batch->FileReport(batchRow[size_t(slot)], report);
      continue;
    }
    OpenLineForTableWrites();
    WriteSensorTable(sensor, tables, std::move(report), batch, batchRow[size_t(slot)], false);
  }
  if (!read.sensors.empty()) batch->WriteSummary();
}

bool CKvlDlg::MayWriteUnattended(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                                 GradReport& report) {
  // Far samples: held back, as kvlctl graduate holds them without --accept-outliers.
  if (tables.written < 0) return false;
  if (!FindOutliers(sensor, tables.tables[size_t(tables.written)], settings).empty()) {
    report.notWrittenWhy = Format(txt::kReportWhyFar(config_.language), int(settings.deltaDmax));
    return false;
  }
  if (sensor.address < 1 || sensor.address > 255 || !SensorSerialNumber(sensor)) {
    report.notWrittenWhy = txt::kReportWhyAddress(config_.language);
    return false;
  }
  OpenLineForTableWrites();
  return true;
}

void CKvlDlg::OpenLineForTableWrites() {
  if (c_.lineOpen[0]->isChecked()) return;
  // The line opens for the writes; polling itself stays suspended.
  const QSignalBlocker block(c_.lineOpen[0]);
  c_.lineOpen[0]->setChecked(true);
  link_.OpenPort(LinkPortName(SelectedPortItem()));
}

void CKvlDlg::WriteSensorTable(const CalcSensor& sensor, const SensorTables& tables, GradReport report,
                               const std::shared_ptr<CReportBatch>& batch, std::size_t batchRow, bool unattended) {
  const SegmentTable& written = tables.tables[size_t(std::max(0, tables.written))];
  const std::string file = TableFileOf(sensor, tables);
  report.writeAsked = true;
  batch->Note(batchRow, report, ReportWriteState::Pending);
  WriteOrigin origin = OriginOf(file);
  origin.identity = FileIdentity(config_.detectorType, file, SensorSerialNumber(sensor), listBeforeCalc_);
  // The list ends on the link's worker: the report (its plots, two files) is
  // built on this thread instead, so that polling never waits for a disk.
  origin.done = [this, batch, row = batchRow, report](const LinkWriteList& list) mutable {
    report.written = list;
    report.writtenAt = LocalNow();
    QMetaObject::invokeMethod(
        this,
        [this, batch, row, report = std::move(report)] {
          batch->FileReport(row, report);
          if (batch == autoEndBatch_) ShowAutoEnd();
        },
        Qt::QueuedConnection);
  };
  link_.BeginWriteList(std::move(origin));
  // Unattended, the report says "verified": no "Recorded" box to close.
  for (const RegisterBlock& block : RegisterBlocks(sensor, written, config_.detectorType))
    link_.QueueBlockWrite(std::uint8_t(sensor.address), block.first, block.words, block.report && !unattended, true);
  link_.EndWriteList();
}

BatchRow CKvlDlg::SummaryRowOf(const CalcSensor& sensor, LanguageIndex lang) {
  BatchRow row;
  row.serial = sensor.serial;
  row.address = sensor.address;
  const bool offered = sensor.goodSegments > 0 && !sensor.refused;
  row.reason = offered ? std::string(txt::kSummaryNotConfirmed(lang)) : std::string();
  if (!offered)
    for (char c : sensor.check) row.reason += c == '\r' || c == '\n' ? ' ' : c;
  return row;
}

void CKvlDlg::ShowCalculationRows(const CalcRead& read) {
  std::vector<std::uint8_t> addresses;
  for (std::size_t k = 0; k < read.sensors.size() && k < std::size_t(kSlotCount); ++k) {
    const CalcSensor& sensor = read.sensors[k];
    const int s = int(k);
    static_cast<CColorStaticST*>(c_.cells[size_t(Column::Serial)][k])->SetTextIfChanged(sensor.serial);
    static_cast<CNoteButton*>(c_.cells[size_t(Column::ModbusNumber)][k])->SetTextIfChanged(sensor.modbusText);
    static_cast<CColorStaticST*>(c_.cells[size_t(Column::Gas)][k])->SetTextIfChanged(sensor.gasText);
    // Every 1000th line read is what the rows show of a sensor; a shorter
    // file shows its last line, so no row of a sensor stays blank.
    for (int q = 0; q < kQuantityCount; ++q) {
      const auto& samples = sensor.samples[size_t(q)];
      std::string text = sensor.shown[size_t(q)];
      if (text.empty() && !samples.empty()) text = Format("%g", double(samples.back()));
      if (text.empty()) continue;
      const Column column = Column(int(Column::Lel) + q);  // the nine quantity columns, in file order
      static_cast<CColorStaticST*>(c_.cells[size_t(column)][k])->SetTextIfChanged(text);
    }
    if (sensor.address >= 1 && sensor.address <= 255) {
      addresses.push_back(std::uint8_t(sensor.address));
      table_.SetSlotAddress(s, sensor.address);
    }
  }
  // The link keeps the list polled before: the rows' list is the files' only
  // while they are shown.
  table_.SetAddressList(addresses);
}

void CKvlDlg::ResetRowsForFiles() {
  for (int s = 0; s < kSlotCount; ++s) {
    SlotState& slot = table_.MutableSlot(s);
    slot.address = -1;
    slot.values.gasNameText.clear();
    slot.counters = {};
    ClearTableRegisters(config_.detectorType, slot.image);
    ShowRow(table_.DescribeRow(s, false));
  }
}

void CKvlDlg::EndTableWriting() {
  // A poll held while the files were read stays held while their rows are
  // shown: the way back releases it.
  if (table_.SetTableWriting(false) && !calcSuspended_) link_.Resume();
}

void CKvlDlg::BackToPolledRows() {
  // Whatever a table or settings file brought, or refused, the rows end
  // with the polled detectors, also when a calculation's files were shown.
  if (calcSuspended_)
    ResumeAfterCalculation();
  else
    EndTableWriting();
}

void CKvlDlg::ResumeAfterCalculation() {
  if (!calcSuspended_) return;
  calcSuspended_ = false;
  EndTableWriting();
  calcRead_.reset();
  DropSeriesBreaks();
  table_.SetAddressList(listBeforeCalc_);
  for (int s = 0; s < kSlotCount; ++s) {
    table_.SetSlotAddress(s, -1);
    table_.MutableSlot(s).values.gasNameText.clear();
    ShowRow(table_.DescribeRow(s, true));
  }
  if (c_.stagePrompt->text() == QString::fromUtf8(txt::kRowsShowFileData(config_.language)))
    c_.stagePrompt->setVisible(false);
  link_.SetDeviceList(table_.AddressList(), -1, false);
  link_.Resume();
  c_.recording->setEnabled(table_.LineOpen());
}

}  // namespace kvl
