// An Auto run with nobody at the stand, from the window's side. From "Begin"
// to the last table of its end reported, nothing waits for a person: the
// link's boxes become notes, and what the run, its end and the link have to
// say goes to the stage field and the journal; the end's summary stays in
// the stage field (the batch's summary file and each report say the same).
// Never decides what the run or its tables do.
#include <QTime>
#include <algorithm>

#include "text/flow_texts.h"
#include "text/format.h"
#include "text/report_texts.h"
#include "ui/controls/color_static_st.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

bool CKvlDlg::UnattendedOn() const { return (run_.Running() && run_.ValveMode() == 1) || autoEndPending_; }

void CKvlDlg::UpdateUnattended() {
  if (linkOperator_) linkOperator_->SetUnattended(UnattendedOn());
}

void CKvlDlg::NoteUnattended(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c != '\r' && c != '\n')
      line += c;
    else if (!line.empty() && line.back() != ' ')
      line += ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.empty()) return;
  journal_.OnDeviceEvent("run-note", line, "");
  // Timed: a note that stays in the field shows how old it is.
  runNote_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")).toStdString() + line;
  ShowRunNote();
}

void CKvlDlg::ShowRunNote() {
  c_.stagePrompt->SetTextIfChanged(PilotMessage(run_.View(RunEnv()).message));
  c_.stagePrompt->setVisible(true);
}

void CKvlDlg::ShowAutoEnd() {
  if (!autoEndBatch_) return;
  const LanguageIndex lang = config_.language;
  const std::vector<BatchRow> rows = autoEndBatch_->Rows();
  int verified = 0;
  bool pending = false;
  std::string detail;
  for (const BatchRow& row : rows) {
    if (row.write == ReportWriteState::Verified) {
      ++verified;
      continue;
    }
    pending = pending || row.write == ReportWriteState::Pending;
    const std::string why = !row.writeWhy.empty() ? row.writeWhy
                            : row.calculated      ? std::string(WriteStateText(row.write, lang))
                                                  : row.reason;
    detail += "; " + row.serial + ": " + why;
  }
  const std::string text = Format(txt::kSummaryVerdict(lang), std::size_t(verified), rows.size()) + detail;
  if (!pending) {
    EndAutoRun(text);
    return;
  }
  runNote_ = text;
  ShowRunNote();
}

void CKvlDlg::EndAutoRun(const std::string& summary) {
  autoEndPending_ = false;
  autoEndBatch_.reset();
  UpdateUnattended();
  NoteUnattended(summary);
}

}  // namespace kvl
