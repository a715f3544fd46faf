// Graduation table files: the key search, the refusals and the block writes
// that carry a table into its detector.
#include <gtest/gtest.h>

#include <map>

#include "graduation/tab_file.h"
#include "support/file_damage.h"
#include "support/temp_folder.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::TempFolder;

// A table file: one key per line (so every value is ended by the joined next
// key), points in `order`; `replace` swaps a key's whole "key=value" text.
std::string TabText(const std::string& modbusLine, const std::vector<int>& order = {7, 6, 5, 4, 3, 2, 1, 0},
                    const std::map<std::string, std::string>& replace = {}) {
  std::string text = "Serial_number=2400001\r\n" + modbusLine + "\r\n";
  for (int n : order) {
    const std::string items[5][2] = {{Format("T[%d]=", n), Format("%d", 100 * n - 400)},
                                     {Format("D[%2d]=", n), Format("%d", -20 * n)},
                                     {Format("K3[%2d]=", n), "0.25"},
                                     {Format("K2[%2d]=", n), Format("-%d.5", n)},
                                     {Format("K1[%2d]=", n), n == 0 ? "1.5" : "3"}};
    for (const auto& item : items) {
      const auto r = replace.find(item[0]);
      text += (r == replace.end() ? item[0] + " " + item[1] : r->second) + "\r\n";
    }
  }
  return text;
}

TEST(TabFile, ReadsTheTableAndWritesItInThreeBlocks) {
  const TableFileResult r = ParseTableFile(TabText("Modbus_number=17"), kEnglish);
  ASSERT_TRUE(r.table) << r.refusal;
  const GraduationTable& t = *r.table;
  EXPECT_EQ(t.address, 17);
  EXPECT_EQ(t.T[0], -400);
  EXPECT_EQ(t.T[7], 300);
  EXPECT_EQ(t.D[3], -60);
  EXPECT_EQ(t.K1[0], 1.5f);
  EXPECT_EQ(t.K2[4], -4.5f);
  EXPECT_EQ(t.K3[7], 0.25f);

  const std::vector<TableBlockWrite> w = TableBlockWrites(t);
  ASSERT_EQ(w.size(), 3u) << "T and D, then 48 coefficient words as 24 + 24";
  EXPECT_EQ(w[0].slave, 17);
  EXPECT_EQ(w[0].first, 24);
  ASSERT_EQ(w[0].words.size(), 16u);
  EXPECT_EQ(w[0].words[0], std::uint16_t(-400));
  EXPECT_EQ(w[0].words[8 + 3], std::uint16_t(-60));
  EXPECT_EQ(w[1].first, 86);
  EXPECT_EQ(w[2].first, 110);
  EXPECT_EQ(w[1].words.size() + w[2].words.size(), 48u);
  // K1 = 1.5 for point 0 is 0x3FC00000: 16320 and 0 at registers 86 and 87.
  EXPECT_EQ(w[1].words[0], 16320);
  EXPECT_EQ(w[1].words[1], 0);
  // K2[0] at 102/103 (-0.5 = 0xBF000000), K3[7] at 132/133 (0.25 = 0x3E800000).
  EXPECT_EQ(w[1].words[102 - 86], 0xBF00);
  EXPECT_EQ(w[2].words[132 - 110], 0x3E80);
  EXPECT_EQ(w[2].words[133 - 110], 0);
  EXPECT_EQ(FloatWords(-2.0f), (std::array<std::uint16_t, 2>{0xC000, 0}));
}

TEST(TabFile, ModbusNumberInEveryLanguageAndValueEnds) {
  std::string ru;
  EncodeCp1251("Номер_устройства_Modbus= 5; Газ=Метан", ru);
  for (const std::string& line : {ru, std::string("Modbus_numero=6,"), std::string("x=1 Modbus_number=7;")}) {
    const TableFileResult r = ParseTableFile(TabText(line), kEnglish);
    ASSERT_TRUE(r.table) << line << ": " << r.refusal;
  }
  EXPECT_EQ(ParseTableFile(TabText(ru), kEnglish).table->address, 5);
  EXPECT_EQ(ParseTableFile(TabText("Modbus_numero=6,"), kEnglish).table->address, 6);
  // Values ended by a comma, a semicolon or a blank, and LF-only lines.
  std::string lf = TabText("Modbus_number=9", {7, 6, 5, 4, 3, 2, 1, 0}, {{"T[5]=", "T[5]=  +012;"}, {"K1[ 5]=", "K1[ 5]=2.5,x"}});
  std::erase(lf, '\r');
  const TableFileResult r = ParseTableFile(lf, kEnglish);
  ASSERT_TRUE(r.table) << r.refusal;
  EXPECT_EQ(r.table->T[5], 12);
  EXPECT_EQ(r.table->K1[5], 2.5f);
}

TEST(TabFile, Refusals) {
  struct Case {
    const char* name;
    std::string text;
    LanguageIndex language;
    const char* refusal;
  };
  const std::vector<Case> cases = {
      {"no T of point 3", TabText("Modbus_number=1", {7, 6, 5, 4, 3, 2, 1, 0}, {{"T[3]=", "T3=5"}}), kEnglish,
       "T[3]= not found in the file"},
      {"Modbus number 0", TabText("Modbus_number=0"), kEnglish,
       "line 2: Modbus_number= from 1 to 255 not found in the file: \"0\""},
      {"Modbus number 256", TabText("Modbus_number=256"), kEnglish,
       "line 2: Modbus_number= from 1 to 255 not found in the file: \"256\""},
      {"no Modbus number", TabText("Modbus=3"), kRussian, "Номер_устройства_Modbus= от 1 до 255 не найден в файле"},
      {"point 6 before point 7", TabText("Modbus_number=1", {6, 7, 5, 4, 3, 2, 1, 0}), kEnglish,
       "T[6]= not found in the file"},
      {"D out of range", TabText("Modbus_number=1", {7, 6, 5, 4, 3, 2, 1, 0}, {{"D[ 2]=", "D[ 2]=40000"}}), kEnglish,
       "line 29: D[ 2]=40000 - Illegal value (out of range)"},
      {"T out of range", TabText("Modbus_number=1", {7, 6, 5, 4, 3, 2, 1, 0}, {{"T[0]=", "T[0]=-32769"}}), kRussian,
       "строка 38: T[0]=-32769 - Неправильное значение (вне допустимого диапазона)"},
      {"K key missing", TabText("Modbus_number=1", {7, 6, 5, 4, 3, 2, 1, 0}, {{"K2[ 0]=", ""}}), kEnglish,
       "K2[ 0]= not found in the file"},
      {"K beyond a float", TabText("Modbus_number=1", {7, 6, 5, 4, 3, 2, 1, 0}, {{"K1[ 2]=", "K1[ 2]=-1.5e63"}}),
       kEnglish, "line 32: K1[ 2]=-1.5e63 - Illegal value (out of range)"},
  };
  for (const Case& c : cases) {
    const TableFileResult r = ParseTableFile(c.text, c.language);
    EXPECT_FALSE(r.table) << c.name;
    EXPECT_EQ(r.refusal, c.refusal) << c.name;
  }
  // The extreme values themselves are fine.
  const TableFileResult edge = ParseTableFile(
      TabText("Modbus_number=255", {7, 6, 5, 4, 3, 2, 1, 0}, {{"T[0]=", "T[0]=-32768"}, {"D[ 1]=", "D[ 1]=32767"}}),
      kEnglish);
  ASSERT_TRUE(edge.table) << edge.refusal;
  EXPECT_EQ(edge.table->T[0], -32768);
  EXPECT_EQ(edge.table->D[1], 32767);
}

// The operation over a selection: tables before the refused file are queued
// as one batch; an unreadable file is passed over.
TEST(TabFile, PlanStopsAtTheFirstRefusedFile) {
  TempFolder folder;
  ASSERT_EQ(WriteFileAtomic(folder / "a.tab", TabText("Modbus_number=1")), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "b.tab", TabText("Modbus_number=2")), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "bad.tab", TabText("Modbus_number=0")), 0);
  const TableFilesPlan plan =
      PlanTableFiles({folder / "a.tab", folder / "missing.tab", folder / "b.tab", folder / "bad.tab", folder / "a.tab"},
                     kEnglish);
  EXPECT_EQ(plan.filesQueued, (std::vector<std::string>{folder / "a.tab", folder / "b.tab"}));
  ASSERT_EQ(plan.writes.size(), 6u);
  EXPECT_EQ(plan.writes[0].slave, 1);
  EXPECT_EQ(plan.writes[3].slave, 2);
  EXPECT_EQ(plan.refusal, "File bad.tab, line 2: Modbus_number= from 1 to 255 not found in the file: \"0\"");
}

// A table file damaged as disks, copies and hand edits damage files: refused,
// or read as the good one; "-1" is a table value like any other.
TEST(TabFile, DamagedFilesAreRefusedOrReadAsTheGoodOne) {
  const std::string good = TabText("Modbus_number=17");
  auto table = [](const std::string& bytes) { return ParseTableFile(bytes, kEnglish).table; };
  const GraduationTable want = *table(good);
  std::vector<testing::Damage> damages = testing::StructuralDamages(good);
  for (const char* key : {"Modbus_number=", "T[7]=", "D[ 3]=", "K2[ 5]="}) {
    const std::size_t at = good.find(key) + std::string(key).size() + (key[0] == 'M' ? 0 : 1);
    for (testing::Damage& d : testing::TokenDamages(good, at, good.find('\r', at) - at, key)) damages.push_back(d);
  }
  for (const testing::Damage& d : damages) {
    const std::optional<GraduationTable> got = table(d.bytes);
    // Numbers the field holds: read as written, the rest of the table as it was
    // (T[7] at -1 no longer rises above T[6]).
    const std::string token = d.name.substr(d.name.rfind('=') + 1);
    const bool digits = !token.empty() && token.find_first_not_of("0123456789") == std::string::npos;
    if (d.name.find("]==") != std::string::npos && ((token == "-1" && d.name[0] != 'T') || (d.name[0] == 'K' && digits))) {
      ASSERT_TRUE(got) << d.name;
      const float was = d.name[0] == 'T' ? want.T[7] : d.name[0] == 'D' ? want.D[3] : want.K2[5];
      EXPECT_EQ(got->T[7] + got->D[3] + got->K2[5], want.T[7] + want.D[3] + want.K2[5] + std::stof(token) - was)
          << d.name;
    } else if (d.name == "LF only" || d.name == "CR only" || d.name == "NUL tail" || d.name == "byte-order mark") {
      ASSERT_TRUE(got) << d.name;
      EXPECT_TRUE(got->T == want.T && got->D == want.D && got->K1 == want.K1 && got->K3 == want.K3) << d.name;
    } else {
      EXPECT_FALSE(got) << d.name;
    }
  }
}

}  // namespace
}  // namespace kvl

namespace kvl {
namespace {

// The table file's grammar and structure: each row a damage disks, copies and
// hand edits make, and the refusal that names its line; the forms hand-written
// files use are read as the good one.
TEST(TabFile, GrammarAndStructureDamages) {
  struct Row {
    const char* name;
    std::string text;
    const char* refusal;  // "" for a file read as the good one
  };
  const std::vector<int> order = {7, 6, 5, 4, 3, 2, 1, 0};
  const std::string good = TabText("Modbus_number=17");
  const std::vector<Row> rows = {
      {"modbus 1?", TabText("Modbus_number=1?"), "line 2: Modbus_number= from 1 to 255 not found in the file: \"1?\""},
      {"modbus 1 7", TabText("Modbus_number=1 7"), "line 2: Modbus_number= from 1 to 255 not found in the file: \"1 7\""},
      {"stray modbus line", "Modbus_number=5\r\n" + good, "line 3: Modbus_number= given twice"},
      {"second table spliced in front", good + good, "line 44: Modbus_number= given twice"},
      {"point given twice", TabText("Modbus_number=17", order, {{"T[3]=", "T[3]= -100\r\nT[3]= -100"}}),
       "line 24: T[3]= given twice"},
      {"T 10?8", TabText("Modbus_number=17", order, {{"T[3]=", "T[3]=10?8"}}), "line 23: T[3]=10?8 - Illegal value (not a number)"},
      {"D 22 60", TabText("Modbus_number=17", order, {{"D[ 3]=", "D[ 3]=22 60"}}), "D[ 3]=22 60 - Illegal value (not a number)"},
      {"D 450.5", TabText("Modbus_number=17", order, {{"D[ 3]=", "D[ 3]=450.5"}}),
       "D[ 3]=450.5 - Illegal value (not a whole number)"},
      {"K 0,25", TabText("Modbus_number=17", order, {{"K3[ 3]=", "K3[ 3]=0,25x"}}), "K3[ 3]=0,25x - Illegal value (not a number)"},
      {"K empty", TabText("Modbus_number=17", order, {{"K1[ 3]=", "K1[ 3]=;"}}), "K1[ 3]= - Illegal value (no value)"},
      {"T not rising", TabText("Modbus_number=17", order, {{"T[3]=", "T[3]=250"}}), "T does not increase from point to point"},
      {"last line cut", good.substr(0, good.size() - 2), "line 42: the last line has no line end"},
      // Forms the program's own files and hand edits use.
      {"leading zeros and +", TabText("Modbus_number=+017", order, {{"D[ 3]=", "D[ 3]=\t-060 "}}), ""},
      {"450.0 for 450", TabText("Modbus_number=17.0", order, {{"D[ 3]=", "D[ 3]=-60.0"}}), ""},
  };
  const GraduationTable want = *ParseTableFile(good, kEnglish).table;
  for (const Row& r : rows) {
    const TableFileResult got = ParseTableFile(r.text, kEnglish, "17.tab");
    if (*r.refusal == 0) {
      ASSERT_TRUE(got.table) << r.name << ": " << got.refusal;
      EXPECT_TRUE(got.table->address == want.address && got.table->D == want.D && got.table->T == want.T) << r.name;
      continue;
    }
    EXPECT_FALSE(got.table) << r.name;
    EXPECT_EQ(got.refusal.rfind("File 17.tab", 0), 0u) << r.name << ": " << got.refusal;
    EXPECT_NE(got.refusal.find(r.refusal), std::string::npos) << r.name << ": " << got.refusal;
  }
}

}  // namespace
}  // namespace kvl
