// Settings files: the saved text byte for byte and its zero question, the
// reader's line rules, the serial and gas check, the write plan, and the
// comparison of a Z5 with a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "detector/register_map.h"
#include "settings_files/settings_apply.h"
#include "settings_files/settings_file.h"
#include "settings_files/settings_save.h"
#include "support/file_damage.h"
#include "text/format.h"

namespace kvl {
namespace {

std::tm Now() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  return t;
}

// A KVELT 7.47 with serial 2400007, methane, LEL_CONC 500; its settings blocks
// 0xABCD (register 26 holds 1), 0x0100 (address 40 holds 0) and 0xFFFF
// (address 60 holds 0).
RegisterImage KveltImage() {
  RegisterImage img{};
  img[reg::kStatus] = 0x0101;
  img[reg::kFirmware] = 0x072F;
  img[reg::SER_NUM] = 2400007 & 0xFFFF;
  img[reg::SER_NUM_HIGH] = 2400007 >> 16;
  img[71] = 500;
  for (int a = 24; a <= 39; ++a) img[std::size_t(a)] = 0xABCD;
  img[25] = 1;
  for (int a = 40; a <= 55; ++a) img[std::size_t(a)] = 0x0100;
  img[40] = 0;
  for (int a = 58; a <= 63; ++a) img[std::size_t(a)] = 0xFFFF;
  img[60] = 0;
  return img;
}

const char* const kKveltFile =
    "DATE  07.12.2026\r\n"
    "TIME    09:05:03\r\n"
    "MODBUS_NUM     7\r\n"
    "SER_NUM  2400007\r\n"
    "GAS            1\r\n"
    "LEL_CONC     500\r\n"
    "\r\n"
    "R19 ABCD 0001 ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD ABCD\r\n"
    "R29 0000 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100 0100\r\n"
    "R3B FFFF FFFF 0000 FFFF FFFF FFFF\r\n";

// A Z5 with serial 5100002, propane (code 3), LEL_CONC 4400, the graduation
// settings 1500, 3000, 44, 2100, 10 and table word = address x 100.
RegisterImage Z5Image() {
  RegisterImage img{};
  img[reg::kStatus] = 0x0301;
  img[reg::SER_NUM] = 5100002 & 0xFFFF;
  img[reg::SER_NUM_HIGH] = 5100002 >> 16;
  img[reg::z5::GAS] = 3;
  img[reg::z5::LEL_CONC] = 4400;
  const std::uint16_t grad[] = {1500, 3000, 44, 2100, 10};
  for (int i = 0; i < 5; ++i) img[std::size_t(96 + i)] = grad[i];
  for (int a = 104; a <= 159; ++a) img[std::size_t(a)] = std::uint16_t(a * 100);
  return img;
}

const char* const kZ5File =
    "DATE  07.12.2026\r\n"
    "TIME    09:05:03\r\n"
    "MODBUS_NUM     2\r\n"
    "SER_NUM  5100002\r\n"
    "GAS            3\r\n"
    "LEL_CONC    4400\r\n"
    "\r\n"
    "R097  1500  3000    44  2100    10\r\n"
    "R105 10400 10500 10600 10700 10800 10900 11000 11100\r\n"
    "R113 11200 11300 11400 11500 11600 11700 11800 11900\r\n"
    "R121 12000 12100 12200 12300 12400 12500 12600 12700\r\n"
    "R129 12800 12900 13000 13100 13200 13300 13400 13500\r\n"
    "R137 13600 13700 13800 13900 14000 14100 14200 14300\r\n"
    "R145 14400 14500 14600 14700 14800 14900 15000 15100\r\n"
    "R153 15200 15300 15400 15500 15600 15700 15800 15900\r\n";

// ---------------------------------------------------------------------------
// Saving

TEST(SettingsSave, FileTextByteForByteAndTheZeroQuestion) {
  struct Case {
    const char* what;
    int type;
    RegisterImage image;
    unsigned address;
    const char* text;
    const char* zeros;
  };
  RegisterImage z5Zero = Z5Image();
  z5Zero[98] = 0;  // GRAD_POWER: register number 99
  RegisterImage kveltOnly40 = KveltImage();
  kveltOnly40[60] = 1;
  const Case cases[] = {
      {"KVELT", kTypeKvelt, KveltImage(), 7, kKveltFile, "  3D"},
      {"Z5", kTypeZ5, Z5Image(), 2, kZ5File, ""},
      {"Z5, address 98 at 0 asks about 99", kTypeZ5, z5Zero, 2, nullptr, "  99"},
      {"KVELT, address 40 at 0 is not asked about", kTypeKvelt, kveltOnly40, 7, nullptr, ""},
      {"Z: header only", kTypeZ, KveltImage(), 3,
       "DATE  07.12.2026\r\nTIME    09:05:03\r\nMODBUS_NUM     3\r\n", ""},
  };
  for (const Case& c : cases) {
    std::string zeros = "unset";
    const std::string text = SettingsFileText(c.type, c.image, c.address, Now(), &zeros);
    if (c.text) {
      EXPECT_EQ(text, c.text) << c.what;
    }
    EXPECT_EQ(zeros, c.zeros) << c.what;
  }
}

class SettingsSaveFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("kvl_settings_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  SettingsSaveRequest Request(int type, RegisterImage image) {
    SettingsSaveRequest q;
    q.type = type;
    q.image = image;
    q.address = 7;
    q.serialText = "2400007";
    q.modbusText = "7";
    q.gasText = "Methane";
    q.dataFolder = folder.string() + "/";
    q.now = Now();
    q.language = kEnglish;
    return q;
  }
  std::filesystem::path folder;
};

TEST_F(SettingsSaveFolder, NumbersFilesQuestionsZerosAndNeverReplaces) {
  RegisterImage img = KveltImage();
  img[60] = 1;
  SettingsSave save = PrepareSettingsSave(Request(kTypeKvelt, img));
  ASSERT_TRUE(save.Ready());
  EXPECT_EQ(save.path, folder.string() + "/2400007_0.set");
  EXPECT_EQ(save.zeroQuestion, "");
  ASSERT_EQ(SaveSettingsFile(save), 0);
  std::ifstream in(save.path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, save.bytes);
  // Saving the prepared file again never replaces the first.
  EXPECT_NE(SaveSettingsFile(save), 0);

  // The next number; the zero question in each language's wording.
  SettingsSave next = PrepareSettingsSave(Request(kTypeKvelt, KveltImage()));
  EXPECT_EQ(next.path, folder.string() + "/2400007_1.set");
  EXPECT_EQ(next.zeroQuestion, "The following registers are 0, record the file?\n(hex)  3D");
  SettingsSaveRequest z5 = Request(kTypeZ5, Z5Image());
  z5.image[98] = 0;
  z5.image[150] = 0;
  z5.language = kRussian;
  EXPECT_EQ(PrepareSettingsSave(z5).zeroQuestion, "Следующие регистры равны 0, записать файл?\n  99  151");

  // An empty row text: nothing to do.
  for (auto blank : {&SettingsSaveRequest::serialText, &SettingsSaveRequest::modbusText,
                     &SettingsSaveRequest::gasText}) {
    SettingsSaveRequest q = Request(kTypeKvelt, img);
    q.*blank = "";
    EXPECT_FALSE(PrepareSettingsSave(q).Ready());
  }
}

// ---------------------------------------------------------------------------
// Reading

// The eight G lines of a log's run record: `line` as point `point`, the others rising with it.
std::string GLines(int point, const std::string& line) {
  std::string out;
  for (int g = 0; g < 8; ++g) out += (g == point ? line : Format("G%d %d 1 2 3 4 5 6", g, 100 * g - 400)) + "\r\n";
  return out;
}
std::vector<SettingsPair> GPairs(int point, const std::vector<SettingsPair>& pairs) {
  std::vector<SettingsPair> out;
  for (int g = 0; g < 8; ++g) {
    if (g == point) {
      out.insert(out.end(), pairs.begin(), pairs.end());
      continue;
    }
    for (int j = 0; j < 7; ++j) out.push_back({std::nullopt, 104 + 8 * j + g, std::uint32_t(j == 0 ? (100 * g - 400) & 0xFFFF : j)});
  }
  return out;
}

TEST(SettingsReader, LineRules) {
  struct Case {
    int type;
    std::string text;
    bool ok;
    std::vector<SettingsPair> pairs;
    std::vector<SettingsRegisterLine> lines;
  };
  using K = SettingsKey;
  const Case cases[] = {
      // Skipped lines, and keys.
      {kTypeZ5, "* note\r\n\r\n   \r\nDATE  07.12.2026\r\nTIME    09:05:03\r\nMODBUS_NUM 2\r\nGAS 1\r\n", true,
       {{K::Gas, 21, 1}}, {}},
      {kTypeZ5, "* note\r\nMODBUS_NUM 2\r\n", false, {}, {}},  // nothing to write: "Data not found in the file"
      {kTypeZ5, "SER_NUM\t4294967295\r\nGAS 0 trailing\r\n", true,
       {{K::SerNum, 9, 4294967295u}, {K::Gas, 21, 0}}, {}},
      // One grammar: leading zeros, a '+', "450.0" are whole numbers; a split or damaged value is not.
      {kTypeZ5, "SER_NUM +0123\r\nGAS 450.0\r\n", true, {{K::SerNum, 9, 123}, {K::Gas, 21, 450}}, {}},
      {kTypeZ5, "SER_NUM 123a5\r\n", false, {}, {}},
      {kTypeZ5, "SER_NUM 12 3\r\n", false, {}, {}},
      {kTypeZ5, "GAS 0,25\r\n", false, {}, {}},
      {kTypeZ5, "GAS 1.5\r\n", false, {}, {}},
      {kTypeZ5, "SER_NUM 4294967296\r\n", false, {}, {}},
      {kTypeZ5, "GAS 65536\r\n", false, {}, {}},
      {kTypeZ5, "GRAD_POWER\r\n", false, {}, {}},
      {kTypeZ5, "ser_num 5\r\n", false, {}, {}},
      // Graduation table lines of a log: signed values, the stage temperature after them ignored;
      // the eight lines come together, once each.
      {kTypeZ5, GLines(3, "G3   -40  1000  2000  1100  1900  1200  1800  -40\xB0"), true,
       GPairs(3, {{std::nullopt, 107, 65496}, {std::nullopt, 115, 1000}, {std::nullopt, 123, 2000},
                  {std::nullopt, 131, 1100}, {std::nullopt, 139, 1900}, {std::nullopt, 147, 1200},
                  {std::nullopt, 155, 1800}}),
       {}},
      {kTypeZ5, "G3   -40  1000  2000  1100  1900  1200  1800  -40\xB0\r\n", false, {}, {}},  // G0 missing
      {kTypeZ5, GLines(3, "G3 1 2 3 4 5 6 7 8"), false, {}, {}},
      {kTypeZ5, GLines(3, "G3 300 2 3 4 5 6 7") + "G3 300 2 3 4 5 6 7\r\n", false, {}, {}},
      {kTypeZ5, GLines(3, "G3 900 2 3 4 5 6 7"), false, {}, {}},  // T does not increase
      {kTypeZ5, "G3 1 2 3 4 5 6\r\n", false, {}, {}},
      {kTypeZ5, "G8 1 2 3 4 5 6 7\r\n", false, {}, {}},
      {kTypeZ5, "G0 1 2 3 4 5 6 -32769\r\n", false, {}, {}},
      {kTypeZ5, "G0 1 2 3 4 5 6 -0\r\n", false, {}, {}},
      // Z5 register lines: decimal labels (leading zeros dropped) and values.
      {kTypeZ5, "R098  1500 0\r\n", true, {}, {{97, {1500, 0}}}},
      // Shorter than its block with its line end is a hand-written line; the last line without its end may be cut.
      {kTypeZ5, "R097  1500 3000 44 2100\r\n", true, {}, {{96, {1500, 3000, 44, 2100}}}},
      {kTypeZ5, "R098  1500 0", false, {}, {}},
      {kTypeZ5, "GAS 3", false, {}, {}},
      {kTypeZ5, "R097 0044\r\n", true, {}, {{96, {44}}}},
      // A label one off or a value too many reaches past the block; an address given twice.
      {kTypeZ5, "R098 1 2 3 4 5\r\n", false, {}, {}},
      {kTypeZ5, "R097 1\r\nGRAD_CONC1 5\r\n", false, {}, {}},
      {kTypeZ5, "GAS 1\r\nGAS 2\r\n", false, {}, {}},
      {kTypeZ5, "R097 65536\r\n", false, {}, {}},
      {kTypeZ5, "R000 1\r\n", false, {}, {}},
      {kTypeZ5, "R161 1\r\n", false, {}, {}},
      {kTypeZ5, "R160 1 2\r\n", false, {}, {}},
      {kTypeZ5, "R160 1 2 3\r\n", false, {}, {}},
      {kTypeZ5, "R19 1\r\n", false, {}, {}},
      // KVELT register lines: hexadecimal labels and values in one case, "0000" is 0.
      {kTypeKvelt, "R1A 0000 00AB abcd FFFF\r\n", true, {}, {{25, {0, 0xAB, 0xABCD, 0xFFFF}}}},
      {kTypeKvelt, "R3c 1\r\n", true, {}, {{59, {1}}}},
      {kTypeKvelt, "RA0 1\r\n", false, {}, {}},
      {kTypeKvelt, "R19 aBcD\r\n", false, {}, {}},
      {kTypeKvelt, "R19 10000\r\n", false, {}, {}},
      {kTypeKvelt, "R19 12G4\r\n", false, {}, {}},
      {kTypeKvelt, "RA1 1\r\n", false, {}, {}},
      {kTypeKvelt, "RA0 1 2 3\r\n", false, {}, {}},
      {kTypeKvelt, "R00 1\r\n", false, {}, {}},
      // Anything else.
      {kTypeZ5, "FOO 1\r\n", false, {}, {}},
      {kTypeZ5, "R\r\n", false, {}, {}},
  };
  for (const Case& c : cases) {
    const SettingsFileRead r = ReadSettingsText(c.text, c.type, kEnglish);
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(r.content.pairs, c.pairs) << c.text;
    EXPECT_EQ(r.content.registerLines, c.lines) << c.text;
  }
}

TEST(SettingsReader, RefusalNamesTheLineAndBoundsTheFile) {
  SettingsFileRead r = ReadSettingsText("GAS 1\r\nSER_NUM 01x23\r\nGAS 2\r\n", kTypeZ5, kEnglish);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Error in line 2\r\nSER_NUM 01x23\r\n\"01x23\" - not a number");
  r = ReadSettingsText("R097 \xCF\r\n", kTypeZ5, kRussian);  // Windows-1251 "П"
  EXPECT_EQ(r.message, "Ошибка в строке 1\r\nR097 П\r\n\"П\" - не число");
  r = ReadSettingsText("GAS 1\r\nGAS 2", kTypeZ5, kEnglish);
  EXPECT_EQ(r.message, "Error in line 2\r\nGAS 2\r\nthe last line has no line end: the file may be cut there. If it "
                       "is whole, end its last line (Enter at its end) and read the file again");

  std::string lines;
  lines += "GAS 1\r\n";
  for (int i = 1; i < kMaxSettingsLines; ++i) lines += "* note\r\n";
  EXPECT_TRUE(ReadSettingsText(lines, kTypeZ5, kEnglish).ok);
  r = ReadSettingsText(lines + "* one line too many\r\n", kTypeZ5, kEnglish);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "more than 1000 lines");

  const std::string longLine = "*" + std::string(kMaxSettingsLineBytes, 'x');
  r = ReadSettingsText("GAS 1\r\n" + longLine + "\r\n", kTypeZ5, kEnglish);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Error in line 2\r\n" + longLine.substr(0, 100) + "...");
  EXPECT_TRUE(ReadSettingsText(longLine.substr(0, kMaxSettingsLineBytes) + "\r\nGAS 1\r\n", kTypeZ5, kEnglish).ok);
}

// ---------------------------------------------------------------------------
// Writing and comparing

SettingsTarget Target(int type, const RegisterImage& image) {
  SettingsTarget t;
  t.type = type;
  t.slave = 7;
  t.image = image;
  t.language = kEnglish;
  return t;
}

// Carries a plan out on an image as a detector that stores everything would.
RegisterImage Apply(RegisterImage img, const SettingsWritePlan& plan) {
  for (const RegisterWrite& w : plan.singleWrites) img[w.reg] = w.value;
  for (const SettingsBlockWrite& b : plan.blockWrites)
    for (std::size_t i = 0; i < b.words.size(); ++i) img[b.first + i] = b.words[i];
  return img;
}

TEST(SettingsWrite, SavedFilesRestoreEverySavedRegister) {
  struct Case {
    int type;
    RegisterImage image;
    std::vector<std::pair<int, int>> blocks;  // first, count
    std::vector<int> singles;                 // registers of the single writes, in order
  };
  const Case cases[] = {
      {kTypeKvelt, KveltImage(), {{24, 16}, {40, 8}},
       {48, 49, 50, 51, 52, 53, 54, 55, 58, 59, 60, 61, 62, 63, 71}},
      {kTypeZ5, Z5Image(), {{96, 5}, {104, 8}, {112, 8}, {120, 8}, {128, 8}, {136, 8}, {144, 8}, {152, 8}}, {21, 22}},
  };
  for (const Case& c : cases) {
    const SettingsFileRead f = ReadSettingsText(SettingsFileText(c.type, c.image, 7, Now()), c.type, kEnglish);
    ASSERT_TRUE(f.ok) << f.message;
    const SettingsWritePlan plan = PlanSettingsWrite(f.content, Target(c.type, c.image), "a.set", false);
    ASSERT_FALSE(plan.Refused()) << plan.message;
    EXPECT_EQ(plan.question, "");
    std::vector<std::pair<int, int>> blocks;
    for (const SettingsBlockWrite& b : plan.blockWrites) {
      blocks.push_back({b.first, int(b.words.size())});
      EXPECT_EQ(b.report, &b == &plan.blockWrites.back());  // one "Recorded" per file
    }
    EXPECT_EQ(blocks, c.blocks) << c.type;
    std::vector<int> singles;
    for (const RegisterWrite& w : plan.singleWrites) {
      singles.push_back(w.reg);
      EXPECT_EQ(w.slave, 7);
    }
    EXPECT_EQ(singles, c.singles) << c.type;
    EXPECT_EQ(plan.BatchCount(), int(c.blocks.size() + c.singles.size()));

    // Written into a detector whose settings were wiped, the file brings every one back.
    RegisterImage wiped = c.image;
    for (int a = 16; a < kImageWords; ++a)
      if (a != reg::SER_NUM_HIGH) wiped[std::size_t(a)] = 0x5555;
    RegisterImage want = wiped;
    const std::vector<std::pair<int, int>> saved =
        c.type == kTypeKvelt ? std::vector<std::pair<int, int>>{{24, 55}, {58, 63}, {71, 71}}
                             : std::vector<std::pair<int, int>>{{21, 22}, {96, 100}, {104, 159}};
    for (auto [first, last] : saved)
      for (int a = first; a <= last; ++a) want[std::size_t(a)] = c.image[std::size_t(a)];
    EXPECT_EQ(Apply(wiped, plan), want) << c.type;
  }
}

TEST(SettingsWrite, SerialAndGasCheck) {
  const RegisterImage img = Z5Image();
  struct Case {
    const char* header;
    std::string message;
    std::string question;  // asked first; the plan after Yes writes
  };
  const std::string body = "R097 1 2 3 4 5\r\n";
  const Case cases[] = {
      {"GAS 3\r\n", "Serial number not found\n", ""},
      {"SER_NUM 0\r\nGAS 3\r\n", "Serial number is incorrect\n", ""},
      {"SER_NUM 5100003\r\nGAS 3\r\n", "Serial numbers are different\n", ""},
      {"SER_NUM 5100002\r\n", "", "File b.tab:\nGas type not found\ncontinue?"},
      {"SER_NUM 5100002\r\nGAS 4\r\n", "", "File b.tab:\nGas types are different\ncontinue?"},
      {"SER_NUM 5100002\r\nGAS 3\r\n", "", ""},
  };
  for (const Case& c : cases) {
    const SettingsFileRead f = ReadSettingsText(c.header + body, kTypeZ5, kEnglish);
    ASSERT_TRUE(f.ok) << c.header;
    SettingsWritePlan plan = PlanSettingsWrite(f.content, Target(kTypeZ5, img), "b.tab", false);
    EXPECT_EQ(plan.message, c.message) << c.header;
    EXPECT_EQ(plan.question, c.question) << c.header;
    if (!c.message.empty() || !c.question.empty()) {
      // Refused or waiting for the answer: nothing to write, even from the register lines.
      EXPECT_EQ(plan.BatchCount(), 0) << c.header;
    }
    if (c.message.empty()) {
      plan = PlanSettingsWrite(f.content, Target(kTypeZ5, img), "b.tab", true);
      EXPECT_FALSE(plan.Refused());
      EXPECT_EQ(plan.blockWrites.size(), 1u) << c.header;
    }
  }
  // A file that gives nothing to write is not checked.
  const SettingsFileRead empty = ReadSettingsText("* nothing\r\n", kTypeZ5, kEnglish);
  const SettingsWritePlan plan = PlanSettingsWrite(empty.content, Target(kTypeZ5, img), "c.set", false);
  EXPECT_EQ(plan.message, "");
  EXPECT_EQ(plan.BatchCount(), 0);
}

TEST(SettingsWrite, ChunksOfAtMost32AndKeysByType) {
  std::string line = "R041";
  for (int i = 0; i < 40; ++i) line += " 7";
  const std::string text = "SER_NUM 5100002\r\nGAS 3\r\nGRAD_KUR 9\r\n" + GLines(1, "G1 -300 2 3 4 5 6 7") + line + "\r\n";
  // A type without settings blocks bounds a register line by the image only.
  const SettingsFileRead f = ReadSettingsText(text, kTypeZ, kEnglish);
  ASSERT_TRUE(f.ok) << f.message;
  const SettingsWritePlan plan = PlanSettingsWrite(f.content, Target(kTypeZ5, Z5Image()), "d.set", false);
  ASSERT_EQ(plan.blockWrites.size(), 2u);
  EXPECT_EQ(plan.blockWrites[0].first, 40);
  EXPECT_EQ(plan.blockWrites[0].words.size(), 32u);
  EXPECT_EQ(plan.blockWrites[1].first, 72);
  EXPECT_EQ(plan.blockWrites[1].words.size(), 8u);
  // SER_NUM is checked, never written; GAS, the keys and G values go to the Z5's registers.
  std::vector<int> regs;
  for (const RegisterWrite& w : plan.singleWrites) regs.push_back(w.reg);
  ASSERT_EQ(regs.size(), 2u + 8 * 7);
  EXPECT_EQ(std::vector<int>(regs.begin(), regs.begin() + 9), (std::vector<int>{21, 99, 104, 112, 120, 128, 136, 144, 152}));

  EXPECT_EQ(KeyRegisterFor(kTypeKvelt, SettingsKey::Gas), -1);
  EXPECT_EQ(KeyRegisterFor(kTypeKvelt, SettingsKey::LelConc), 71);
  EXPECT_EQ(KeyRegisterFor(kTypeKvelt, SettingsKey::GradKur), -1);
  EXPECT_EQ(KeyRegisterFor(kTypeZ5, SettingsKey::SerNum), -1);
  EXPECT_EQ(KeyRegisterFor(kTypeZ5, SettingsKey::GradPower), 98);
}

TEST(SettingsWrite, GraduationLogRecordWritesItsKeysAndTable) {
  std::string log =
      "DATE  07.12.2026\r\nTIME    09:05:03\r\nMODBUS_NUM     2\r\n"
      "SER_NUM    5100002\r\nGAS            3\r\nLEL_CONC    4400\r\nGRAD_CONC1   500\r\nGRAD_CONC2  1000\r\n"
      "GRAD_KUR   10000\r\nGRAD_KUW   10000\r\nGRAD_POWER  2048\r\n"
      "\r\n*n    Tn   R0n   W0n   R1n   W1n   R2n   W2n\r\n";
  for (int k = 0; k < 8; ++k)
    log += "G" + std::to_string(k) + "   " + std::to_string(-60 + 20 * k) + "  3000  2900  3000  2500  3000  2100  " +
           std::to_string(-60 + 20 * k) + "\xB0\r\n";
  log += "\r\n";
  const SettingsFileRead f = ReadSettingsText(log, kTypeZ5, kEnglish);
  ASSERT_TRUE(f.ok) << f.message;
  const SettingsWritePlan plan = PlanSettingsWrite(f.content, Target(kTypeZ5, Z5Image()), "5100002.tab", false);
  ASSERT_FALSE(plan.Refused()) << plan.message;
  EXPECT_TRUE(plan.blockWrites.empty());
  ASSERT_EQ(plan.singleWrites.size(), 7u + 56u);
  const RegisterImage written = Apply(RegisterImage{}, plan);
  EXPECT_EQ(written[reg::z5::GRAD_POWER], 2048);
  EXPECT_EQ(written[reg::z5::GradTableAddress(0, 0)], 65536 - 60);  // -60 as a signed word
  EXPECT_EQ(written[reg::z5::GradTableAddress(7, 0)], 80);
  EXPECT_EQ(written[reg::z5::GradTableAddress(7, 6)], 2100);
  EXPECT_EQ(written[reg::SER_NUM], 0);  // checked, not written
}

TEST(SettingsCompare, EqualDifferentAndTheDefault255) {
  const RegisterImage img = Z5Image();
  const SettingsFileRead saved = ReadSettingsText(kZ5File, kTypeZ5, kEnglish);
  ASSERT_TRUE(saved.ok);
  RegisterImage changed = img;
  changed[98] = 45;
  changed[150] = 1;
  // Without its key lines the file holds 255 for SER_NUM, GAS and LEL_CONC.
  const SettingsFileRead noKeys = ReadSettingsText(std::string(kZ5File).substr(std::string(kZ5File).find("R097")),
                                                   kTypeZ5, kEnglish);
  RegisterImage gas255 = img;
  gas255[reg::z5::GAS] = 255;
  struct Case {
    const SettingsFileContent* file;
    const RegisterImage* image;
    LanguageIndex language;
    const char* message;
  };
  const Case cases[] = {
      {&saved.content, &img, kEnglish, "Settings are equal"},
      {&saved.content, &img, kRussian, "Настройки совпали"},
      {&saved.content, &changed, kEnglish, "Settings aren't equal\n 99 151 "},
      {&noKeys.content, &img, kEnglish, "Settings aren't equal\n 10  22  23 "},
      {&noKeys.content, &gas255, kRussian, "Настройки не совпали\n 10  23 "},
  };
  for (const Case& c : cases) {
    const SettingsComparison r = CompareWithSettings(*c.file, *c.image, c.language);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(r.equal, std::string(c.message).find('\n') == std::string::npos);
  }
}

// A saved file damaged as disks, copies and hand edits damage files: the
// reader refuses it (nothing planned) or plans what the good file plans; a
// file cut at a line end plans the blocks before the cut.
TEST(SettingsReader, DamagedFilesAreRefusedOrPlanWhatTheGoodOnePlans) {
  using testing::Damage;
  const RegisterImage img = Z5Image();
  const std::string good = SettingsFileText(kTypeZ5, img, 7, Now());
  auto plan = [&](const std::string& bytes) -> std::optional<RegisterImage> {
    const SettingsFileRead f = ReadSettingsText(bytes, kTypeZ5, kEnglish);
    if (!f.ok) return std::nullopt;
    const SettingsWritePlan p = PlanSettingsWrite(f.content, Target(kTypeZ5, img), "d.set", true);
    if (p.Refused()) return std::nullopt;
    return Apply(RegisterImage{}, p);
  };
  const RegisterImage want = *plan(good);
  std::vector<Damage> damages = testing::StructuralDamages(good);
  const std::size_t lastLine = good.rfind('\n', good.size() - 2) + 1;
  const auto [at, size] = testing::TokenAt(good, lastLine, 8);
  for (Damage& d : testing::TokenDamages(good, at, size, "R152 last")) damages.push_back(d);
  const std::size_t lel = good.find("LEL_CONC");
  const auto [lat, lsize] = testing::TokenAt(good, lel, 1);
  for (Damage& d : testing::TokenDamages(good, lat, lsize, "LEL_CONC")) damages.push_back(d);
  // A register line shorter than its block, with its line end, is a hand-written line: taken as it stands.
  RegisterImage lastMissing = want;
  lastMissing[159] = 0;
  RegisterImage shorter = want;
  for (int a = 152; a <= 159; ++a) shorter[std::size_t(a)] = 0;
  for (const Damage& d : damages) {
    const std::optional<RegisterImage> got = plan(d.bytes);
    if (d.name == "LF only" || d.name == "CR only" || d.name == "byte-order mark")
      EXPECT_EQ(got, want) << d.name;
    else if (d.name == "R152 last=")
      EXPECT_EQ(got, lastMissing) << d.name;
    else if (d.name == "cut at a line end")
      EXPECT_EQ(got, shorter) << d.name;
    else
      EXPECT_FALSE(got) << d.name;
  }
}

}  // namespace
}  // namespace kvl
