// Run data files: names, series numbering, the header block and its
// repetition, the data line of each mode, byte for byte, and the writer's
// behaviour when its folder is missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "graduation/run_data_writer.h"
#include "support/temp_folder.h"
#include "text/cp1251.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::TempFolder;

std::tm At(int year, int month, int day, int h, int m, int s) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  return t;
}

RunDataRow Row(const std::string& serial, const std::string& modbus = "1") {
  RunDataRow r;
  r.serial = serial;
  r.modbusNumber = modbus;
  r.gasCell = "Methane";
  r.gasName = "Methane";
  r.values = {"12.5", "22", "100", "2189", "2292", "6", "2200", "2300", "0"};
  r.current = "4.000";
  r.counters = {1, 2, 3, 4, 5, 6};
  r.power = "2048";
  r.kur = "10000";
  r.kuw = "9990";
  return r;
}

std::string Read(const std::string& path) {
  std::string bytes;
  EXPECT_EQ(ReadFileBytes(path, bytes), 0) << path;
  return bytes;
}

std::string Cp(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(EncodeCp1251(utf8, out)) << utf8;
  return out;
}

const std::string kDashes = "*" + std::string(115, '-') + "\r\n";
const std::string kDashesRunningIn = "*" + std::string(131, '-') + "\r\n";

// ---------------------------------------------------------------------------
// Header block and data line by mode, type and language.

struct ShapeCase {
  const char* name;
  int type;
  int mode;
  LanguageIndex language;
  const char* keyLine;  // header line 2 (UTF-8, without CR LF)
  const char* captions;  // header line 4
  const char* line;      // the data line at 10:20:30
};

const ShapeCase kShapes[] = {
    {"tuning", kTypeKvelt, kModeTuning, kEnglish,
     "*07.12.2026  Device=KVELT, Serial_number=11, Gas=Methane, Modbus_number=1",
     "*            LEL%       T      D      W      R     Dm     Wo     Ro  Pheat Current  Breaks   Over1   Over2  Defect",
     "10:20:30     12.5      22    100   2189   2292      6   2200   2300      0   4.000       1       2       3       4"},
    {"running-in", kTypeZ, kModeRunningIn, kEnglish,
     "*07.12.2026  Device=Z, Serial_number=11, Gas=Methane, Modbus_number=1",
     "*            LEL%       T      D      W      R     Dm     Wo     Ro  Pheat Current  Breaks   Over1   Over2  Defect   "
     "<=min   >=max",
     "10:20:30     12.5      22    100   2189   2292      6   2200   2300      0   4.000       1       2       3       4       5"
     "       6"},
    {"graduation-z5", kTypeZ5, kModeGraduationZ5, kEnglish,
     "*07.12.2026  Device=Z5, Serial_number=11, Gas=Methane, Modbus_number=1",
     "*            LEL%       T      D      W      R     Dm     Wo     Ro  Pheat",
     "10:20:30     12.5      22    100   2189   2292      6   2200   2300      0"},
    {"z5 graduation", kTypeZ5, kModeGraduation, kEnglish,
     "*07.12.2026  Device=Z5, Serial_number=11, Gas=Methane, Modbus_number=1, Power=2048, KUR=10000, KUW=9990",
     "*            LEL%       T      D      W      R     Dm     Wo     Ro  Pheat Current  Breaks   Over1   Over2  Defect",
     "10:20:30     12.5      22    100   2189   2292      6   2200   2300      0   4.000       1       2       3       4"},
    {"russian", kTypeKvelt, kModeCalibration, kRussian,
     "*07.12.2026  Прибор=КВЕЛТ, Заводской_номер=11, Газ=Methane, Номер_устройства_Modbus=1",
     "*           %НКПР       T      D      W      R  Dприв   Wисх   Rисх Pобогр     Ток  Обрывы Превыш1 Превыш2  Неиспр",
     "10:20:30     12.5      22    100   2189   2292      6   2200   2300      0   4.000       1       2       3       4"},
};

TEST(RunDataFormat, HeaderBlockAndLineByModeTypeAndLanguage) {
  for (const ShapeCase& c : kShapes) {
    SCOPED_TRACE(c.name);
    const RunDataContext ctx{c.type, c.mode, c.language};
    const std::tm now = At(2026, 12, 7, 10, 20, 30);
    const std::string& dashes = c.mode == kModeRunningIn ? kDashesRunningIn : kDashes;
    EXPECT_EQ(RunDataHeaderBlock(Row("11"), ctx, now),
              dashes + Cp(c.keyLine) + "\r\n" + dashes + Cp(c.captions) + "\r\n" + dashes);
    EXPECT_EQ(RunDataLine(Row("11"), ctx, now), std::string(c.line) + "\r\n");
  }
  // Power, KUR and KUW are not part of what starts a new header.
  RunDataRow other = Row("11");
  other.power = "1900";
  const RunDataContext z5{kTypeZ5, kModeGraduation, kEnglish};
  EXPECT_EQ(RunDataHeaderKey(other, z5, At(2026, 12, 7, 1, 0, 0)), RunDataHeaderKey(Row("11"), z5, At(2026, 12, 7, 2, 0, 0)));
}

// The row the window shows: after a detector's poll its row is complete and
// carries the serial, address, gas name and the Z5 Power/KUR/KUW cells.
TEST(RunDataFormat, RowFromTheTableAfterAPoll) {
  CDetectorTable table;
  table.SetType(kTypeZ5);
  table.SetMode(kModeGraduation);
  table.SetLanguage(kEnglish);
  table.SetAddressList({7});
  EXPECT_FALSE(IsCompleteRunDataRow(RunDataRowFromView(table.DescribeRow(0, true), table.Slot(0))));
  RegisterImage image{};
  image[reg::kStatus] = 0x0101;
  image[reg::SER_NUM] = 4321;
  image[reg::kT] = 22;
  image[reg::kW] = 2000;
  image[reg::kR] = 2100;
  const RegisterLayout& lay = LayoutFor(kTypeZ5);
  image[std::size_t(lay.emitterPower)] = 2048;
  image[std::size_t(lay.KUR)] = 10000;
  image[std::size_t(lay.KUW)] = 9990;
  table.CompletedPoll(0, PollSetFor(kTypeZ5, kModeGraduation), image);
  const RunDataRow row = RunDataRowFromView(table.DescribeRow(0, true), table.Slot(0));
  EXPECT_TRUE(IsCompleteRunDataRow(row));
  EXPECT_EQ(row.serial, "4321");
  EXPECT_EQ(row.modbusNumber, "7");
  EXPECT_EQ(row.gasName, table.Slot(0).values.gasNameText);
  EXPECT_FALSE(row.gasName.empty());
  EXPECT_EQ(row.values[kSeriesW], "2000");
  EXPECT_FALSE(row.power.empty());
  EXPECT_FALSE(row.kur.empty());
  EXPECT_FALSE(row.kuw.empty());
}

TEST(RunDataFormat, FileNamesAndCompleteRows) {
  EXPECT_EQ(RunDataFileName("/d/", "1234", 3, kModeTuning), "/d/1234_3.grad");
  EXPECT_EQ(RunDataFileName("", "1234", 0, kModeRunningIn), "1234_0.mon");
  EXPECT_TRUE(IsCompleteRunDataRow(Row("1")));
  for (int hole = 0; hole < 12; ++hole) {
    RunDataRow r = Row("1");
    if (hole == 9) r.serial.clear();
    else if (hole == 10) r.modbusNumber.clear();
    else if (hole == 11) r.gasCell.clear();
    else r.values[std::size_t(hole)].clear();
    EXPECT_FALSE(IsCompleteRunDataRow(r)) << hole;
  }
  RunDataRow noCurrent = Row("1");
  noCurrent.current.clear();
  EXPECT_TRUE(IsCompleteRunDataRow(noCurrent)) << "the current is not one of the checked cells";
}

// ---------------------------------------------------------------------------
// The writer on a real folder.

class RunDataWriting : public ::testing::Test {
 protected:
  void SetUp() override {
    writer.SetFolder(folder.path());
    writer.SetRecording(true);
  }
  bool Tick(std::vector<RunDataRow> rows, const std::tm& now) {
    const bool wrote = writer.Tick(rows, ctx, now);
    writer.Sync();
    return wrote;
  }
  bool Exists(const std::string& name) { return std::filesystem::exists(folder / name); }

  TempFolder folder;
  CRunDataWriter writer{5};
  RunDataContext ctx{kTypeKvelt, kModeTuning, kEnglish};
};

TEST_F(RunDataWriting, NewSeriesSkipsNumbersAnyDetectorUses) {
  ASSERT_EQ(AppendToFile(folder / "11_0.grad", "old\r\n"), 0);
  EXPECT_TRUE(Tick({Row("11"), Row("12", "2")}, At(2026, 12, 7, 10, 0, 0)));
  EXPECT_EQ(writer.Series(), 1);
  EXPECT_EQ(Read(folder / "11_0.grad"), "old\r\n");
  EXPECT_FALSE(Exists("12_0.grad"));
  EXPECT_TRUE(Exists("11_1.grad"));
  EXPECT_TRUE(Exists("12_1.grad"));
  EXPECT_FALSE(writer.NewSeriesPending());
  EXPECT_EQ(writer.RecordedCount(), 1u);

  // "Start recording" again: the next number free for both.
  writer.SetRecording(true);
  EXPECT_EQ(writer.RecordedCount(), 0u);
  EXPECT_TRUE(Tick({Row("11"), Row("12", "2")}, At(2026, 12, 7, 10, 0, 1)));
  EXPECT_EQ(writer.Series(), 2);

  // Every number up to 99 taken for one detector: nothing at all is recorded.
  for (int s = 2; s <= kMaxSeriesNumber; ++s) ASSERT_EQ(AppendToFile(folder / ("12_" + std::to_string(s) + ".grad"), ""), 0);
  writer.SetRecording(true);
  EXPECT_FALSE(Tick({Row("11"), Row("12", "2")}, At(2026, 12, 7, 10, 0, 2)));
  EXPECT_TRUE(writer.NewSeriesPending());
  EXPECT_EQ(writer.RecordedCount(), 0u);
  EXPECT_FALSE(Exists("11_3.grad"));
}

TEST_F(RunDataWriting, IncompleteRowsAreSkippedAndAnEmptyTickKeepsTheNewSeries) {
  RunDataRow noValue = Row("11");
  noValue.values[4].clear();
  RunDataRow noGas = Row("12", "2");
  noGas.gasCell.clear();
  EXPECT_FALSE(Tick({noValue, noGas}, At(2026, 12, 7, 10, 0, 0)));
  EXPECT_TRUE(writer.NewSeriesPending());
  EXPECT_EQ(writer.RecordedCount(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));

  EXPECT_TRUE(Tick({noValue, Row("12", "2")}, At(2026, 12, 7, 10, 0, 1)));
  EXPECT_FALSE(Exists("11_0.grad"));
  EXPECT_TRUE(Exists("12_0.grad"));
  EXPECT_EQ(writer.RecordedCount(), 1u);

  // Recording off: the tick does nothing.
  writer.SetRecording(false);
  EXPECT_FALSE(Tick({Row("12", "2")}, At(2026, 12, 7, 10, 0, 2)));
}

TEST_F(RunDataWriting, HeaderRepeatsAtMidnightAndOnAChangedRowOnly) {
  const RunDataContext z5{kTypeZ5, kModeGraduation, kEnglish};
  ctx = z5;
  RunDataRow row = Row("7");
  EXPECT_TRUE(Tick({row}, At(2026, 12, 7, 23, 59, 59)));
  row.power = "2100";  // Power alone: no new header
  EXPECT_TRUE(Tick({row}, At(2026, 12, 7, 23, 59, 59)));
  EXPECT_TRUE(Tick({row}, At(2026, 12, 8, 0, 0, 1)));  // a new day
  row.modbusNumber = "3";  // the row shows another Modbus number
  EXPECT_TRUE(Tick({row}, At(2026, 12, 8, 0, 0, 2)));

  const std::string caps =
      "*            LEL%       T      D      W      R     Dm     Wo     Ro  Pheat Current  Breaks   Over1   Over2  Defect\r\n";
  auto header = [&](const char* date, const char* modbus, const char* power) {
    return kDashes + "*" + date + "  Device=Z5, Serial_number=7, Gas=Methane, Modbus_number=" + modbus +
           ", Power=" + power + ", KUR=10000, KUW=9990\r\n" + kDashes + caps + kDashes;
  };
  const std::string tail = "     12.5      22    100   2189   2292      6   2200   2300      0   4.000       1       2       3       4\r\n";
  EXPECT_EQ(Read(folder / "7_0.grad"), header("07.12.2026", "1", "2048") + "23:59:59" + tail + "23:59:59" + tail +
                                           header("08.12.2026", "1", "2100") + "00:00:01" + tail +
                                           header("08.12.2026", "3", "2100") + "00:00:02" + tail);
}

TEST_F(RunDataWriting, AMissingFolderCountsFailuresAndRecordingResumesWhenItIsBack) {
  const std::string gone = folder / "stick/";
  writer.SetFolder(gone);
  EXPECT_FALSE(Tick({Row("11"), Row("12", "2")}, At(2026, 12, 7, 10, 0, 0)));
  EXPECT_EQ(writer.FailedWrites(), 2u);
  EXPECT_NE(writer.LastFailure().find("stick/12_0.grad"), std::string::npos) << writer.LastFailure();
  EXPECT_TRUE(writer.NewSeriesPending());

  ASSERT_TRUE(std::filesystem::create_directory(gone));
  EXPECT_TRUE(Tick({Row("11"), Row("12", "2")}, At(2026, 12, 7, 10, 0, 1)));
  EXPECT_EQ(writer.FailedWrites(), 2u);
  const std::tm at = At(2026, 12, 7, 10, 0, 1);
  EXPECT_EQ(Read(gone + "11_0.grad"), RunDataHeaderBlock(Row("11"), ctx, at) + RunDataLine(Row("11"), ctx, at));
}

// A disk that fills in the middle of a line (here: a file size limit) takes
// the partial line back off: the file still ends with a whole line, the
// failure is counted, and the next tick writes again once there is room.
TEST_F(RunDataWriting, AWriteCutShortLeavesNoHalfLine) {
  const std::tm t0 = At(2026, 12, 7, 10, 0, 0);
  ASSERT_TRUE(Tick({Row("11")}, t0));
  const std::string path = folder / "11_0.grad";
  const std::string before = Read(path);

  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &old), 0);
  rlimit limit{}, saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  limit = saved;
  limit.rlim_cur = before.size() + 40;  // room for a third of the next line
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const bool wrote = Tick({Row("11")}, At(2026, 12, 7, 10, 0, 1));
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);

  EXPECT_FALSE(wrote);
  EXPECT_EQ(writer.FailedWrites(), 1u);
  EXPECT_EQ(Read(path), before);
  EXPECT_TRUE(Tick({Row("11")}, At(2026, 12, 7, 10, 0, 2)));
  EXPECT_EQ(Read(path), before + RunDataLine(Row("11"), ctx, At(2026, 12, 7, 10, 0, 2)));
}

}  // namespace
}  // namespace kvl
