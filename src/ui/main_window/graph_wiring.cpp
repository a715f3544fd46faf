// The graph panel from the window's side: where it sits, which series the
// value cells select, what its five controls do and when they may, what it
// is told about the mode, type, language and new samples, and what the
// graduation calculation hands it (the files' samples, a break after each
// file, the fitted tables as the characteristic). Ranges, pixels and
// painting are the panel's and graph_geometry.h's; this file never draws.
#include <algorithm>

#include "graduation/calc_fit.h"
#include "ui/controls/color_static_st.h"
#include "ui/main_window/graph_panel.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

namespace {

Column QuantityColumn(int quantity) { return Column(int(Column::Lel) + quantity); }

}  // namespace

void CKvlDlg::CreateGraphPanel() {
  graphPanel_ = new CGraphPanel(graphData_, [this](QDialog& dialog) { return RunDialog(dialog); }, canvas_);
  graphPanel_->setObjectName(QStringLiteral("graphPanel"));
  // Under everything: the table's last row may reach its top margin.
  graphPanel_->lower();
  for (int q = 0; q < kHistorySeriesCount; ++q)
    for (int r = 0; r < kSlotCount; ++r)
      connect(static_cast<CColorStaticST*>(c_.cells[size_t(QuantityColumn(q))][size_t(r)]), &CColorStaticST::Clicked,
              this, [this, r, q] { OnValueCellClicked(r, q); });
  for (CColorStaticST* control : c_.graph) {
    // The window's face, as the panel's margins around the plot.
    control->SetBkColor(graphPanel_->palette().color(QPalette::Window));
    connect(control, &CColorStaticST::Clicked, this, [this](int clicked) { OnGraphControl(clicked); });
  }
  ShowGraphCaptions();
}

void CKvlDlg::PlaceGraphPanel() {
  if (!graphPanel_) return;
  const QRect area = CGraphPanel::PanelGeometry(canvas_->width(), canvas_->height(), graphTop_);
  if (graphPanel_->geometry() != area) graphPanel_->setGeometry(area);
}

void CKvlDlg::OnValueCellClicked(int slot, int quantity) {
  const bool on = graphPanel_->ToggleSeries(slot, quantity);
  auto* cell = static_cast<CColorStaticST*>(c_.cells[size_t(QuantityColumn(quantity))][size_t(slot)]);
  cell->SetTextColor(on ? CGraphPanel::QuantityColor(quantity) : QColor(Qt::black));
}

void CKvlDlg::OnGraphControl(int control) {
  switch (control) {
    case id::kFOfN:
    case id::kFOfT:
      if (!ViewChoiceAllowed(config_.mode, table_.Searching())) return;
      graphPanel_->ChooseView(control == id::kFOfN ? kGraphViewOfN : kGraphViewOfT);
      break;
    case id::kGrid: graphPanel_->ToggleGrid(); break;
    case id::kGradChar: graphPanel_->ToggleGradChar(); break;
    case id::kClear:
      if (!ClearAllowed(table_.Searching(), calcWorking_)) return;
      graphData_.ClearSeries(table_);
      graphPanel_->SamplesChanged();
      break;
    default: return;
  }
  ShowGraphCaptions();
}

void CKvlDlg::ShowGraphCaptions() {
  const std::array<QColor, 5> colours = graphPanel_->CaptionColors();
  for (std::size_t g = 0; g < c_.graph.size(); ++g)
    if (c_.graph[g]->TextColor() != colours[g]) c_.graph[g]->SetTextColor(colours[g]);
}

void CKvlDlg::ShowGraphContext() {
  GraphContext context;
  context.mode = config_.mode;
  context.type = config_.detectorType;
  if (IsValidDetectorType(context.type)) {
    context.t0 = config_.checkRecords[kCheckT0][size_t(context.type)];
    context.t7 = config_.checkRecords[kCheckT7][size_t(context.type)];
  }
  graphPanel_->SetContext(context);
}

void CKvlDlg::ClearGraphSelection() {
  for (int r = 0; r < kSlotCount; ++r)
    for (int q = 0; q < kHistorySeriesCount; ++q)
      if (graphPanel_->SeriesSelected(r, q))
        static_cast<CColorStaticST*>(c_.cells[size_t(QuantityColumn(q))][size_t(r)])->SetTextColor(Qt::black);
  graphPanel_->ClearSelection();
}

void CKvlDlg::GraphSamplesGrew() {
  if (graphPanel_) graphPanel_->SamplesGrew();
}

void CKvlDlg::ResetGraphForCalculation() {
  graphData_.ClearSeries(table_);
  graphData_.ClearCharacteristics();
  graphPanel_->SamplesChanged();
}

void CKvlDlg::ShowCalculationSeries(const CalcRead& read) {
  graphData_.ClearBreaks();
  const std::size_t used = std::min(read.sensors.size(), std::size_t(kSlotCount));
  for (std::size_t k = 0; k < used; ++k) {
    const CalcSensor& sensor = read.sensors[k];
    CSampleHistory& history = table_.MutableSlot(int(k)).history;
    for (int q = 0; q < kHistorySeriesCount; ++q) {
      const std::vector<float>& samples = sensor.samples[size_t(q)];
      history.Series(q).assign(samples.begin(), samples.end());
    }
    // Each file's samples make a curve of their own in f(T).
    std::size_t last = 0;
    for (const FileSegment& segment : sensor.segments) {
      if (segment.end < last) continue;  // breaks stay ascending
      graphData_.AddBreak(int(k), segment.end);
      last = segment.end;
    }
  }
  graphPanel_->SamplesChanged();
}

void CKvlDlg::ShowCharacteristic(int slot, const SensorTables& tables) {
  const int type = config_.detectorType;
  bool any = false;
  for (int channel = 0; channel < CalcChannelCount(type); ++channel) {
    SeriesCharacteristic curves{};
    const std::size_t count = std::min(tables.tables.size(), std::size_t(kCharacteristicCurves));
    for (std::size_t c = 0; c < count; ++c) {
      const SegmentTable& table = tables.tables[c];
      if (table.channels <= channel) continue;  // a segment without usable samples
      curves[c].present = true;
      curves[c].t = table.T;
      curves[c].value = table.D[size_t(channel)];
      any = true;
    }
    graphData_.SetCharacteristic(slot, FittedQuantity(type, channel), curves);
  }
  if (any) graphData_.SetCharacteristicAvailable(true);
  graphPanel_->SamplesChanged();
}

void CKvlDlg::DropSeriesBreaks() {
  graphData_.ClearBreaks();
  graphPanel_->SamplesChanged();
}

}  // namespace kvl
