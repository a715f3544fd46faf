#pragma once
// The controls of the main window, by role, and the identifiers they carry
// as object names. The detector table's identifiers come from
// detector/table_columns.h; everything else is numbered here.
#include <QPixmap>
#include <array>
#include <cstdint>
#include <vector>

#include "config/configuration.h"
#include "detector/detector_kinds.h"
#include "detector/table_columns.h"

class QCheckBox;
class QFrame;
class QLabel;
class QWidget;

namespace kvl {

class CColorStaticST;
class CNoteButton;
class CNoteComboBox;
class CNoteEdit;
class CNoteStatic;

namespace id {
// Serial lines k = 0..3 (line k + 1).
constexpr int LineOpen(int k) { return 37872 + k; }
constexpr int Port(int k) { return 37835 + k; }
constexpr int Baud(int k) { return 37839 + k; }
constexpr int Pause(int k) { return 37844 + k; }
inline constexpr int kLineEnding = 37843;
inline constexpr int kSearch = 37871;
inline constexpr int kEnterPassword = 37886;
inline constexpr int kTypeSelector = 37856;
inline constexpr int kLanguageSelector = 37855;
inline constexpr int kModeSelector = 37857;
inline constexpr int kRecording = 37878;
inline constexpr int kGraduation = 37879;
inline constexpr int kDataFolder = 37884;
inline constexpr int kDataFolderDisplay = 37904;
inline constexpr int kPeriod = 37848;
inline constexpr int kRelayTestStep = 37969;
inline constexpr int kReadFromFile = 37882;
inline constexpr int kReadFromTab = 37883;
inline constexpr int kDone = 37880;
inline constexpr int kStageControl = 37881;
inline constexpr int kSchedule = 37885;
inline constexpr int kKurView = 37887;
inline constexpr int kStageCaption = 39175;
inline constexpr int kStageNumber = 39178;
inline constexpr int kStagePrompt = 37905;
inline constexpr int kResponses = 37849;
inline constexpr int kRecorded = 37853;
inline constexpr int kSensors = 37866;
// Line 2's caption ("Chamber"), beside it as "Sensors" is beside line 1.
inline constexpr int kChamberCaption = 37867;
inline constexpr int kEmitterPower = 37858;
// The detector line's state note ("Waiting for ... to come back").
inline constexpr int kLineNote = 37890;
// Gas panel.
inline constexpr int kGasSelector = 37854;
inline constexpr int kUsePropane = 37876;
inline constexpr int kConcentrationKind = 37894;
constexpr int Concentration(int k) { return 37900 + k; }
constexpr int PropaneEntry(int k) { return 37902 + k; }
constexpr int Unit(int k) { return 37896 + k; }
inline constexpr int kCoefficientCaption = 37899;
inline constexpr int kCoefficient = 37877;
inline constexpr int kLimitsCaption = 37906;
inline constexpr int kLimitsUnit = 37907;
// "Min" over the first limit field; "Max" over the second takes the next number.
constexpr int LimitCaption(int k) { return 37908 + k; }
constexpr int Limit(int k) { return 37910 + k; }
inline constexpr int kTemperatureCaption = 37913;
constexpr int TemperatureValue(int k) { return 37914 + k; }
// Graph panel.
inline constexpr int kGradChar = 37970;
inline constexpr int kGrid = 37971;
inline constexpr int kClear = 37972;
inline constexpr int kFOfN = 37973;
inline constexpr int kFOfT = 37974;
}  // namespace id

// Where the table's columns sit, as last laid out.
struct TableGeometry {
  int headerTop = 0;
  int headerHeight = 0;
  int rowsTop = 0;
  int pitch = 0;       // row to row
  int cellHeight = 0;  // of a cell in its row
  std::array<int, kColumnCount> x{};
  std::array<int, kColumnCount> width{};
  std::array<bool, kColumnCount> placed{};  // the column is part of the layout
  int right = 0;       // right edge of the last placed column
  int naturalRight = 0;  // the right edge at every column's natural width
  int leastRight = 0;    // the right edge at every column's least width
};

// What a row's widgets show now, so that a refresh touches only what changed.
struct CellState {
  std::int8_t fontWidth = -1;  // font shown
  std::int8_t coreFont = -1;   // font the decoding asked for
  std::int16_t fitWidth = -1;  // cell width the font was fitted to
  std::int8_t visible = -1;  // -1 unknown
  std::int8_t picture = -1;  // image cells: 0 off, 1 on
};

struct MainControls {
  // Serial lines.
  std::array<QCheckBox*, kSerialLineCount> lineOpen{};
  std::array<CNoteComboBox*, kSerialLineCount> port{};
  std::array<CNoteComboBox*, kSerialLineCount> baud{};
  std::array<CNoteEdit*, kSerialLineCount> pause{};
  CNoteComboBox* lineEnding = nullptr;
  QLabel* sensors = nullptr;
  QLabel* chamberCaption = nullptr;
  CColorStaticST* lineNote = nullptr;  // shown while the line waits for its device

  // Run controls.
  CNoteButton* search = nullptr;
  CNoteButton* enterPassword = nullptr;
  CNoteComboBox* typeSelector = nullptr;
  CNoteComboBox* languageSelector = nullptr;
  CNoteComboBox* modeSelector = nullptr;
  CNoteButton* recording = nullptr;
  CNoteButton* graduation = nullptr;
  CNoteButton* dataFolder = nullptr;
  CColorStaticST* dataFolderDisplay = nullptr;
  CNoteEdit* period = nullptr;
  CNoteComboBox* relayTestStep = nullptr;
  CNoteButton* readFromFile = nullptr;
  CNoteButton* readFromTab = nullptr;
  CNoteButton* done = nullptr;
  CNoteComboBox* stageControl = nullptr;
  CNoteButton* schedule = nullptr;
  CNoteButton* kurView = nullptr;
  CColorStaticST* stageCaption = nullptr;
  CColorStaticST* stageNumber = nullptr;
  CColorStaticST* stagePrompt = nullptr;
  CNoteStatic* responses = nullptr;
  CNoteStatic* recorded = nullptr;
  CNoteEdit* emitterPower = nullptr;
  QFrame* separator = nullptr;

  // Gas panel.
  CNoteComboBox* gasSelector = nullptr;
  QCheckBox* usePropane = nullptr;
  CColorStaticST* concentrationKind = nullptr;
  std::array<CNoteEdit*, 2> concentration{};
  std::array<CNoteEdit*, 2> propaneEntry{};
  std::array<CColorStaticST*, 2> unit{};
  CColorStaticST* coefficientCaption = nullptr;
  CNoteEdit* coefficient = nullptr;
  CColorStaticST* limitsCaption = nullptr;
  CColorStaticST* limitsUnit = nullptr;
  std::array<CColorStaticST*, 2> limitCaption{};
  std::array<CNoteEdit*, 2> limit{};
  CColorStaticST* temperatureCaption = nullptr;
  std::array<CColorStaticST*, 2> temperatureValue{};

  // Detector table: one control per column and row (null where a column
  // has no control of that kind), and the header controls.
  std::array<std::array<QWidget*, kSlotCount>, kColumnCount> cells{};
  std::array<std::array<CellState, kSlotCount>, kColumnCount> cellState{};
  std::array<CColorStaticST*, kHeaderCount> headers{};
  std::array<std::int8_t, kHeaderCount> headerFont{};

  // Graph panel controls, in identifier order: GradChar, Grid, Clear, f(N), f(T).
  std::array<CColorStaticST*, 5> graph{};

  // The relay and condition pictures.
  QPixmap pictureOn;
  QPixmap pictureOff;
};

}  // namespace kvl
