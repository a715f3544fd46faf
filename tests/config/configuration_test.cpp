#include "config/configuration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "config/config_test_support.h"
#include "support/file_damage.h"
#include "text/cp1251.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using testing::LineAt;
using testing::ReplaceLine;
using testing::TempFolder;

// Line numbers of the layout (1-based).
constexpr int kPeriodLine = 13;
constexpr int kLanguageLine = 14;
constexpr int kDataFolderLine = 15;
constexpr int kGraduationFolderLine = 16;
constexpr int kTypeLine = 17;
constexpr int kModeLine = 18;
constexpr int kEmitterLine = 19;
constexpr int kSpareLine = 20;
constexpr int kWorkingFactorLine = 21;
constexpr int kFirstLimitLine = 23;
constexpr int kFirstCheckLine = 41;
constexpr int kDeltaDmaxLine = 47;
constexpr int kFlagLine = 48;
constexpr int kRelayStepLine = 49;
constexpr int kGasPositionLine = 50;
constexpr int kGasDialogLine = 51;
constexpr int kFirstGasLine = 52;
constexpr int kLowLimitLine = 562;
constexpr int kCountLine = 564;

int GasLine(int g, int item) { return kFirstGasLine + 6 * g + item; }

class ConfigurationTest : public ::testing::Test {
 protected:
  static ConfigurationContext ContextFor(const TempFolder& folder) {
    ConfigurationContext context;
    context.programFolder = folder.path();
    return context;
  }

  Configuration Parse(std::string_view text) const { return ParseConfiguration(text, context_); }
  // A file as the program writes it, with one line changed.
  Configuration ParseWith(int line, std::string_view content) const {
    return Parse(EncodeConfigurationText(ReplaceLine(defaultText_, line, content)));
  }
  Configuration Defaults() const { return DefaultConfiguration(context_); }

  TempFolder folder_;
  ConfigurationContext context_ = ContextFor(folder_);
  std::string defaultText_ = ComposeConfigurationText(DefaultConfiguration(context_));
};

TEST_F(ConfigurationTest, MissingFileGivesTheStartDefaults) {
  Configuration c;
  EXPECT_EQ(LoadConfiguration(folder_ / "none.cfg", context_, c), 1);
  EXPECT_EQ(c, Defaults());
  EXPECT_EQ(c.language, kRussian);
  EXPECT_EQ(c.detectorType, 1);
  EXPECT_EQ(c.emitterPower, 1.8);
  EXPECT_EQ(c.workingFactor, "2500");
  EXPECT_EQ(c.dataFolder, folder_.path());
  EXPECT_EQ(c.lines[3].baud, "1200");
  EXPECT_EQ(c.displayLimits[2], (DisplayLimits{9000, 11000}));
  EXPECT_EQ(c.gases[0].concentration[0], "4.15");
  EXPECT_EQ(c.gases[0].propaneEntry[0], "");
  EXPECT_EQ(c.addresses, std::vector<unsigned>{1});
  // A folder is not a configuration file either.
  EXPECT_EQ(LoadConfiguration(folder_.path(), context_, c), 1);
}

TEST_F(ConfigurationTest, EmptyFileReadsEveryLineAsMissing) {
  const Configuration c = Parse("");
  EXPECT_EQ(c.language, kEnglish);
  EXPECT_EQ(c.detectorType, 0);
  EXPECT_EQ(c.mode, 0);
  EXPECT_EQ(c.emitterPower, 0.0);
  EXPECT_EQ(c.spareNumber, 6526.0);
  EXPECT_EQ(c.workingFactor, "");
  EXPECT_EQ(c.period, "1");
  EXPECT_EQ(c.lines[1].port, "2");
  EXPECT_EQ(c.lines[2].pause, "0");
  EXPECT_EQ(c.displayLimits[0], (DisplayLimits{-7, 32767}));
  EXPECT_EQ(c.checkRecords[kTminMax], DefaultCheckRecord(kTminMax));
  EXPECT_EQ(c.deltaDmax, 0);
  EXPECT_TRUE(c.extrapolation);
  EXPECT_EQ(c.relayTestStep, "  0");
  // A file that says nothing of the entries gives them the default concentrations.
  EXPECT_EQ(c.gases[10].propaneEntry[1], "1.38");
  EXPECT_EQ(c.gases[10].coefficient, 1.0);
  EXPECT_EQ(c.lowLimit, -5.0);
  EXPECT_EQ(c.highLimit, 5.0);
  EXPECT_EQ(c.addresses, std::vector<unsigned>{1});
}

TEST_F(ConfigurationTest, ComposedTextFollowsTheLayoutLineForLine) {
  const std::string& t = defaultText_;
  EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 565);
  EXPECT_EQ(t.substr(0, 24), "1\r\n9600\r\n0\r\n2\r\n9600\r\n0\r\n");
  EXPECT_EQ(LineAt(t, 10), "4");
  EXPECT_EQ(LineAt(t, 11), "1200");
  EXPECT_EQ(LineAt(t, kLanguageLine), "Russian");
  EXPECT_EQ(LineAt(t, kDataFolderLine), folder_.path());
  EXPECT_EQ(LineAt(t, kEmitterLine), "1.800");
  EXPECT_EQ(LineAt(t, kSpareLine), "6526.000");
  EXPECT_EQ(LineAt(t, kFirstLimitLine), "-7\t;%НКПР min");
  EXPECT_EQ(LineAt(t, kFirstLimitLine + 1), "32767\t;%НКПР max");
  EXPECT_EQ(LineAt(t, kFirstLimitLine + 10), "-32768\t;Dприв min");
  EXPECT_EQ(LineAt(t, kFirstLimitLine + 17), "100\t;P обогр max");
  EXPECT_EQ(LineAt(t, kFirstCheckLine), "450\t-60\t;Tmin min");
  EXPECT_EQ(LineAt(t, kFirstCheckLine + 3), "1100\t95\t;Tmax max");
  EXPECT_EQ(LineAt(t, kFirstCheckLine + 4), "450\t-50\t;T[0]");
  EXPECT_EQ(LineAt(t, kFirstCheckLine + 5), "1100\t85\t;T[7]");
  EXPECT_EQ(LineAt(t, kDeltaDmaxLine), "100\t;deltaDmax");
  EXPECT_EQ(LineAt(t, kFlagLine), "1\t;учёт экстраполированных D[i] при расчёте deltaDmax");
  EXPECT_EQ(LineAt(t, kRelayStepLine), "  0");
  // Per-gas blocks: bare LF inside, CR LF after the coefficient and the last entry.
  const std::string firstBlock = "\r\n0\r\n0\r\n0\n1.000\r\n4.15\n\n2.2\n\r\n0\n1.000\r\n1.54\n\n0.85\n\r\n";
  EXPECT_NE(t.find(firstBlock), std::string::npos);
  EXPECT_EQ(LineAt(t, GasLine(84, 2)), "1.7");
  EXPECT_TRUE(t.ends_with("\r\n0\n1.000\r\n1.7\n\n0.9\n\r\n-5.000\n5.000\r\n1\r\n1\r\n"));

  Configuration english = Defaults();
  english.language = kEnglish;
  english.addresses = {5, 7, 9};
  const std::string e = ComposeConfigurationText(english);
  EXPECT_EQ(LineAt(e, kLanguageLine), "English");
  EXPECT_EQ(LineAt(e, kFirstLimitLine), "-7\t;LEL% min");
  EXPECT_EQ(LineAt(e, kFirstLimitLine + 17), "100\t;P heat max");
  EXPECT_EQ(LineAt(e, kFlagLine), "1\t;deltaDmax depends from extrapolated D[i] values");
  EXPECT_TRUE(e.ends_with("-5.000\n5.000\r\n3\r\n5\n7\n9\r\n"));

  english.addresses.clear();
  const std::string none = ComposeConfigurationText(english);
  EXPECT_TRUE(none.ends_with("\n5.000\r\n0\r\n"));
}

TEST_F(ConfigurationTest, FileBytesAreWindows1251) {
  const std::string bytes = EncodeConfigurationText(defaultText_);
  EXPECT_NE(bytes.find("-7\t;%\xCD\xCA\xCF\xD0 min\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n1\t;\xF3\xF7\xB8\xF2 "), std::string::npos);  // "учёт"
  EXPECT_FALSE(IsValidUtf8(bytes));
  EXPECT_EQ(DecodeCp1251(bytes), defaultText_);
}

TEST_F(ConfigurationTest, SelectorLinesMatchWholeItemsIgnoringCase) {
  EXPECT_EQ(ParseWith(kLanguageLine, "Spanish").language, kEnglish);
  EXPECT_EQ(ParseWith(kLanguageLine, "RUSSIAN").language, kRussian);
  EXPECT_EQ(ParseWith(kLanguageLine, "Russian ").language, kEnglish);
  EXPECT_EQ(ParseWith(1, "17").lines[0].port, "17");
  // A file saved by an editor as "UTF-8 with BOM": the mark is not part of line 1.
  EXPECT_EQ(ParseConfiguration("\xEF\xBB\xBF" "17\r\n", context_).lines[0].port, "17");
  EXPECT_EQ(ParseWith(1, "257").lines[0].port, "1");
  EXPECT_EQ(ParseWith(5, "19200").lines[1].baud, "19200");
  EXPECT_EQ(ParseWith(5, "2400").lines[1].baud, "9600");  // line 2 starts at 4800
  EXPECT_EQ(ParseWith(11, "9600").lines[3].baud, "1200");
  EXPECT_EQ(ParseWith(3, "1a2").lines[0].pause, "1");
  EXPECT_EQ(ParseWith(3, "x").lines[0].pause, "0");
  EXPECT_EQ(ParseWith(kPeriodLine, "").period, "1");
  EXPECT_EQ(ParseWith(kPeriodLine, "0").period, "0");
  EXPECT_EQ(ParseWith(kRelayStepLine, "-10").relayTestStep, "-10");
  EXPECT_EQ(ParseWith(kRelayStepLine, " 0").relayTestStep, "  0");
  EXPECT_EQ(ParseWith(kRelayStepLine, "+50").relayTestStep, "  0");

  ConfigurationContext devices = context_;
  devices.portItems = {"/dev/ttyUSB0", "1", "2"};
  EXPECT_EQ(ParseConfiguration(ReplaceLine(defaultText_, 1, "/dev/ttyUSB0"), devices).lines[0].port, "/dev/ttyUSB0");
  // A device absent today stays the choice; a COM name is its number.
  EXPECT_EQ(ParseConfiguration(ReplaceLine(defaultText_, 1, "/dev/ttyUSB1"), devices).lines[0].port, "/dev/ttyUSB1");
  EXPECT_EQ(ParseWith(1, "/dev/serial/by-id/usb-FTDI-if00-port0").lines[0].port, "/dev/serial/by-id/usb-FTDI-if00-port0");
  EXPECT_EQ(ParseWith(1, "COM3").lines[0].port, "3");
  EXPECT_EQ(ParseWith(1, "ttyUSB0x").lines[0].port, "1");
}

TEST_F(ConfigurationTest, TypeModeAndNumbersAreClampedOrReplaced) {
  EXPECT_EQ(ParseWith(kTypeLine, "2").detectorType, 1);
  EXPECT_EQ(ParseWith(kTypeLine, "5").detectorType, 1);
  EXPECT_EQ(ParseWith(kTypeLine, "4").detectorType, 4);
  EXPECT_EQ(ParseWith(kTypeLine, "99999999999999999999").detectorType, 1);
  EXPECT_EQ(ParseWith(kModeLine, "6").mode, 0);
  EXPECT_EQ(ParseWith(kModeLine, "5").mode, 5);
  EXPECT_EQ(ParseWith(kEmitterLine, "12.5").emitterPower, 10.0);
  EXPECT_EQ(ParseWith(kEmitterLine, "-1").emitterPower, 0.0);
  EXPECT_EQ(ParseWith(kEmitterLine, "2.5,7").emitterPower, 2.5);
  EXPECT_EQ(ParseWith(kSpareLine, "").spareNumber, 6526.0);
  EXPECT_EQ(ParseWith(kSpareLine, "0").spareNumber, 1.0);
  EXPECT_EQ(ParseWith(kSpareLine, "30000").spareNumber, 20000.0);
  EXPECT_EQ(ParseWith(kWorkingFactorLine, "  123 x ").workingFactor, "123");
  EXPECT_EQ(ParseWith(kWorkingFactorLine, "x123").workingFactor, "");
  EXPECT_EQ(ParseWith(kDeltaDmaxLine, "70000").deltaDmax, 100);
  EXPECT_EQ(ParseWith(kDeltaDmaxLine, "65535").deltaDmax, 65535);
  EXPECT_EQ(ParseWith(kGasPositionLine, "99").gasPosition, 84);
  EXPECT_EQ(ParseWith(kGasDialogLine, "99").gasDialogPosition, 0);
  EXPECT_EQ(ParseWith(kGasDialogLine, "84").gasDialogPosition, 84);
  EXPECT_EQ(ParseWith(kLowLimitLine, "-2.5x").lowLimit, -2.5);
  EXPECT_EQ(ParseWith(kLowLimitLine, "").lowLimit, -5.0);
  EXPECT_EQ(ParseWith(kLowLimitLine + 1, "x").highLimit, 5.0);
}

TEST_F(ConfigurationTest, DisplayLimitPairsFallBackToTheTypeDefaults) {
  std::string text = ReplaceLine(defaultText_, kTypeLine, "0");
  text = ReplaceLine(text, kFirstLimitLine + 4, "5000\t;D min");
  text = ReplaceLine(text, kFirstLimitLine + 5, "5000\t;D max");
  text = ReplaceLine(text, kFirstLimitLine + 6, "-100000\t;W min");
  text = ReplaceLine(text, kFirstLimitLine + 7, "70000\t;W max");
  text = ReplaceLine(text, kFirstLimitLine + 8, "70000");
  text = ReplaceLine(text, kFirstLimitLine + 9, "80000");
  Configuration c = Parse(text);
  EXPECT_EQ(c.displayLimits[2], (DisplayLimits{9000, 11000}));
  EXPECT_EQ(c.displayLimits[3], (DisplayLimits{-100000, 65535}));  // no lower cap
  EXPECT_EQ(c.displayLimits[4], (DisplayLimits{1000, 5000}));      // both capped to 65535

  c = Parse(ReplaceLine(text, kTypeLine, "4"));
  EXPECT_EQ(c.displayLimits[2], (DisplayLimits{0, 0}));
}

TEST_F(ConfigurationTest, CheckRecordsAreClampedAndResetPerField) {
  std::string text = ReplaceLine(defaultText_, kFirstCheckLine, "700\t-30\t;Tmin min");
  text = ReplaceLine(text, kFirstCheckLine + 1, "600\t-20\t;Tmin max");
  text = ReplaceLine(text, kFirstCheckLine + 2, "-40000\t5000\t;Tmax min");
  text = ReplaceLine(text, kFirstCheckLine + 3, "40000\t-5000");
  const Configuration c = Parse(text);
  EXPECT_EQ(c.checkRecords[kTminMin], (CheckRecord{450, -30, -60, -60, 450}));
  EXPECT_EQ(c.checkRecords[kTminMax], (CheckRecord{550, -20, -40, -40, 650}));
  // Field 2 clamps to 3276 and -3276, which no longer rise: both reset.
  EXPECT_EQ(c.checkRecords[kTmaxMin], (CheckRecord{-32768, 75, 75, 75, -32768}));
  EXPECT_EQ(c.checkRecords[kTmaxMax], (CheckRecord{32767, 95, 95, 95, 32767}));
  EXPECT_EQ(c.checkRecords[kCheckT0], (CheckRecord{450, -50, -50, -50, 561}));
  EXPECT_EQ(c.checkRecords[kCheckT7], (CheckRecord{1100, 85, 85, 85, 1071}));

  // Five tokens at most; blanks and semicolons both separate.
  const Configuration d = ParseWith(kFirstCheckLine + 5, ";1200;;90 1 2 3000 4000");
  EXPECT_EQ(d.checkRecords[kCheckT7][0], 1200);
  EXPECT_EQ(d.checkRecords[kCheckT7][1], 90);
  EXPECT_EQ(d.checkRecords[kCheckT7][4], 1071);
}

TEST_F(ConfigurationTest, ExtrapolationFlagIsClearOnlyForATokenZero) {
  EXPECT_FALSE(ParseWith(kFlagLine, "0\t;comment").extrapolation);
  EXPECT_FALSE(ParseWith(kFlagLine, " \t0;x").extrapolation);
  EXPECT_TRUE(ParseWith(kFlagLine, "00").extrapolation);
  EXPECT_TRUE(ParseWith(kFlagLine, "").extrapolation);
  EXPECT_TRUE(ParseWith(kFlagLine, ";0").extrapolation);
}

TEST_F(ConfigurationTest, PerGasBlocks) {
  EXPECT_TRUE(ParseWith(GasLine(3, 0), "1").gases[3].usePropane);
  EXPECT_FALSE(ParseWith(GasLine(3, 0), "1 ").gases[3].usePropane);
  EXPECT_EQ(ParseWith(GasLine(3, 1), "0").gases[3].coefficient, 1.0);
  EXPECT_EQ(ParseWith(GasLine(3, 1), "-2.5").gases[3].coefficient, -2.5);
  EXPECT_EQ(ParseWith(GasLine(3, 1), "nan").gases[3].coefficient, 1.0);
  const Configuration c = ParseWith(GasLine(3, 2), "");
  EXPECT_EQ(c.gases[3].concentration[0], "0.65");
  EXPECT_EQ(c.gases[3].propaneEntry[0], "0.65");  // the default file's empty entry
  EXPECT_EQ(c.gases[3].propaneEntry[1], "0.35");
  EXPECT_EQ(ParseWith(GasLine(3, 4), "0.3").gases[3].concentration[1], "0.3");
}

TEST_F(ConfigurationTest, AddressList) {
  auto addresses = [&](std::vector<std::string> lines) {
    std::string text = ReplaceLine(defaultText_, kCountLine, lines.front());
    text.erase(text.find('\n', text.size() - lines.front().size() - 3) + 1);  // drop the old addresses
    for (std::size_t i = 1; i < lines.size(); ++i) text += lines[i] + "\r\n";
    return Parse(text).addresses;
  };
  using V = std::vector<unsigned>;
  EXPECT_EQ(addresses({"0", "5", "6"}), V{1});
  EXPECT_EQ(addresses({"21", "5", "6"}), V{1});
  EXPECT_EQ(addresses({"3", "5", "300", "7"}), (V{5, 7}));
  EXPECT_EQ(addresses({"2", "5", "6", "7"}), (V{5, 6}));
  EXPECT_EQ(addresses({" 2", "0", "255"}), (V{0, 255}));
  EXPECT_EQ(addresses({"3", "12"}), V{12});  // the file ends early
  EXPECT_EQ(addresses({"3", "abc", "-1", "9"}), V{9});
  EXPECT_EQ(addresses({"2", "3", "4"}), (V{3, 4}));
}

TEST_F(ConfigurationTest, EchoOptionIsAKeyedLineAfterTheAddresses) {
  // Written only when on, after every line of the layout, which stays byte for byte.
  Configuration on = Defaults();
  on.lineEcho = true;
  EXPECT_EQ(ComposeConfigurationText(on), defaultText_ + "echo=1\r\n");
  Configuration read = Parse(defaultText_);
  EXPECT_FALSE(read.lineEcho);
  read.lineEcho = true;
  EXPECT_EQ(Parse(ComposeConfigurationText(on)), read);

  const struct {
    std::string tail;  // after the default file's single address
    bool echo;
  } cases[] = {
      {"", false},
      {"echo=1\n", true},
      {" echo=1 \r\n", true},
      {"echo=0\r\n", false},
      {"echo=yes\r\n", false},
      {"colour=blue\r\n7\r\necho=1", true},  // unknown keys and stray lines are passed over
      {"echo=1\r\necho=0\r\n", false},          // the last one counts
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(defaultText_ + c.tail).lineEcho, c.echo) << c.tail;
  // A count out of range leaves the address lines unread; a key after them is still found.
  EXPECT_TRUE(Parse(ReplaceLine(defaultText_, kCountLine, "0") + "echo=1\r\n").lineEcho);
}

TEST_F(ConfigurationTest, ChamberAndValveProfilesAndLineEndingAreKeyedLines) {
  Configuration c = Defaults();
  c.chamberProfile = "/opt/профили/room 2.chamber";
  c.valveProfile = "/opt/demo.valves";
  c.lineEnding = "CR LF";
  const std::string text = ComposeConfigurationText(c);
  EXPECT_EQ(text, defaultText_ + "chamber=/opt/профили/room 2.chamber\r\nvalves=/opt/demo.valves\r\nlineend=CR LF\r\n");
  EXPECT_EQ(Parse(EncodeConfigurationText(text)), Parse(text));
  EXPECT_EQ(Parse(text).chamberProfile, c.chamberProfile);
  EXPECT_EQ(Parse(text).lineEnding, "CR LF");
  EXPECT_EQ(Parse(defaultText_ + "lineend=CRLF\r\n").lineEnding, "CR");  // not an item of the selector
}

TEST_F(ConfigurationTest, FoldersMustExistAndEndWithASlash) {
  const std::string cyrillic = folder_.path() + "Данные";
  const std::string cjk = folder_.path() + "数据";
  ASSERT_TRUE(std::filesystem::create_directory(cyrillic));
  ASSERT_TRUE(std::filesystem::create_directory(cjk));

  EXPECT_EQ(ParseWith(kDataFolderLine, folder_.path() + "missing/").dataFolder, folder_.path());
  EXPECT_EQ(ParseWith(kDataFolderLine, "").dataFolder, folder_.path());
  EXPECT_EQ(ParseWith(kGraduationFolderLine, cyrillic).graduationFolder, cyrillic + "/");
  // The same folder written in Windows-1251 or in UTF-8 reads the same.
  std::string cp1251;
  ASSERT_TRUE(EncodeCp1251(cyrillic, cp1251));
  EXPECT_EQ(Parse(ReplaceLine(EncodeConfigurationText(defaultText_), kDataFolderLine, cp1251)).dataFolder,
            cyrillic + "/");
  EXPECT_EQ(Parse(ReplaceLine(EncodeConfigurationText(defaultText_), kDataFolderLine, cyrillic)).dataFolder,
            cyrillic + "/");

  // A name Windows-1251 cannot hold survives a save and load.
  Configuration c = Defaults();
  c.graduationFolder = cjk + "/";
  const std::string bytes = EncodeConfigurationText(ComposeConfigurationText(c));
  EXPECT_NE(bytes.find("\r\n" + cjk + "/\r\n"), std::string::npos);
  EXPECT_EQ(Parse(bytes).graduationFolder, cjk + "/");

  // A line break inside a folder name must not shift the lines after it.
  c.dataFolder = cyrillic + "\nx/";
  const Configuration back = Parse(EncodeConfigurationText(ComposeConfigurationText(c)));
  EXPECT_EQ(back.dataFolder, folder_.path());
  EXPECT_EQ(back.graduationFolder, cjk + "/");
  EXPECT_EQ(back.detectorType, c.detectorType);
}

Configuration Customised(const std::string& folder) {
  Configuration c;
  c.lines = {{{"5", "19200", "15"}, {"6", "4800", "0"}, {"256", "2400", "7"}, {"1", "1200", "100"}}};
  c.period = "30";
  c.language = kEnglish;
  c.dataFolder = folder;
  c.graduationFolder = folder;
  c.detectorType = 4;
  c.mode = 3;
  c.emitterPower = 2.345;
  c.spareNumber = 123.5;
  c.workingFactor = "2400";
  c.referenceFactor = "";
  for (int q = 0; q < kQuantityCount; ++q) c.displayLimits[q] = {-q * 10 - 1, q * 100 + 5};
  c.checkRecords[kTminMin] = {400, -70, -60, -60, 400};
  c.checkRecords[kTminMax] = {560, -35, -40, -40, 560};
  c.checkRecords[kTmaxMin] = {980, 70, 75, 75, 980};
  c.checkRecords[kTmaxMax] = {1150, 99, 95, 95, 1150};
  c.checkRecords[kCheckT0] = {440, -55, -50, -50, 561};
  c.checkRecords[kCheckT7] = {1120, 90, 85, 85, 1071};
  c.deltaDmax = 250;
  c.extrapolation = false;
  c.relayTestStep = "-5";
  c.gasPosition = 37;
  c.gasDialogPosition = 84;
  c.gases = DefaultGasCalibrations();
  c.gases[3] = {true, 0.75, {"1.867", "0.933"}, {"1.7", "0.85"}};
  c.gases[84] = {false, -1.5, {"2", "1"}, {"0.5", "0.25"}};
  for (int g = 0; g < kGasCount; ++g) {
    for (int k = 0; k < 2; ++k) {
      if (c.gases[g].propaneEntry[k].empty()) c.gases[g].propaneEntry[k] = c.gases[g].concentration[k];
    }
  }
  c.lowLimit = -2.5;
  c.highLimit = 7.125;
  c.addresses = {3, 1, 20, 255, 0};
  return c;
}

TEST_F(ConfigurationTest, SaveAndLoadGiveBackTheSameSettingsAndText) {
  for (LanguageIndex lang : {kEnglish, kRussian}) {
    Configuration c = Customised(folder_.path());
    c.language = lang;
    const std::string text = ComposeConfigurationText(c);
    const std::string path = folder_ / "KvlGrad.cfg";
    ASSERT_EQ(SaveConfiguration(path, text), 0);

    Configuration loaded;
    ASSERT_EQ(LoadConfiguration(path, context_, loaded), 0);
    EXPECT_EQ(loaded, c) << "language " << int(lang);
    EXPECT_EQ(ComposeConfigurationText(loaded), text);

    // The same file with LF line ends only, or stored as UTF-8, reads the same.
    std::string bytes;
    ASSERT_EQ(ReadFileBytes(path, bytes), 0);
    std::string lfOnly;
    for (char ch : bytes) if (ch != '\r') lfOnly.push_back(ch);
    EXPECT_EQ(Parse(lfOnly), c);
    EXPECT_EQ(Parse(text), c);
  }
}

TEST_F(ConfigurationTest, AnyBytesLoadIntoSaneSettings) {
  std::mt19937 random(20240521);
  std::vector<std::string> samples = {
      std::string(1, '\0'), "\r\r\r\r", std::string(5000, '\n'), std::string(3000, '\xFF'),
      std::string(1 << 20, '7'), "\xEF\xBB\xBF" + defaultText_, defaultText_.substr(0, defaultText_.size() / 2),
      defaultText_ + std::string(10000, 'x') + "\n",
  };
  for (int n = 0; n < 40; ++n) {
    std::string bytes(random() % 20000, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 4 == 0 ? '\n' : random() % 256);
    samples.push_back(bytes);
    // Damaged real files: random bytes overwritten in a valid one.
    std::string damaged = EncodeConfigurationText(defaultText_);
    for (int k = 0; k < 50; ++k) damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
    samples.push_back(damaged);
  }

  // The damage table over a file the program writes: every damage loads sane
  // settings; LF line ends, a mark and a NUL tail change nothing. (CR for the
  // CR LF ends beside the layout's bare LF ends leaves a file of mixed ends: sane, not the same.)
  const std::string good = EncodeConfigurationText(defaultText_);
  std::vector<testing::Damage> damages = testing::StructuralDamages(good);
  for (int line : {kEmitterLine, kFirstLimitLine, GasLine(0, 1), GasLine(0, 2), kLowLimitLine, kCountLine + 1}) {
    std::size_t start = 0;
    for (int k = 1; k < line; ++k) start = good.find('\n', start) + 1;
    const auto [at, size] = testing::TokenAt(good, start, 0);
    for (const testing::Damage& d : testing::TokenDamages(good, at, size, std::to_string(line))) damages.push_back(d);
  }
  for (const testing::Damage& d : damages) {
    samples.push_back(d.bytes);
    if (d.name == "LF only" || d.name == "NUL tail" || d.name == "byte-order mark") {
      EXPECT_EQ(Parse(d.bytes), Parse(good)) << d.name;
    }
  }

  for (const std::string& bytes : samples) {
    const Configuration c = Parse(bytes);
    EXPECT_TRUE(std::isfinite(c.lowLimit) && std::isfinite(c.highLimit));
    for (const GasCalibration& gas : c.gases) {
      EXPECT_TRUE(std::isfinite(gas.coefficient));
      for (const std::string& t : gas.concentration) EXPECT_TRUE(std::isfinite(std::strtod(t.c_str(), nullptr))) << t;
    }
    EXPECT_TRUE(c.detectorType == 0 || c.detectorType == 1 || c.detectorType == 3 || c.detectorType == 4);
    EXPECT_TRUE(c.mode >= 0 && c.mode <= 5);
    EXPECT_TRUE(c.language == kEnglish || c.language == kRussian);
    EXPECT_TRUE(c.emitterPower >= 0.0 && c.emitterPower <= 10.0);
    EXPECT_TRUE(c.gasPosition >= 0 && c.gasPosition < kGasCount);
    EXPECT_FALSE(c.addresses.empty());
    EXPECT_LE(c.addresses.size(), kMaxPollAddresses);
    for (unsigned a : c.addresses) EXPECT_LE(a, 255u);
    for (const SerialLineSettings& line : c.lines) EXPECT_FALSE(line.port.empty() || line.baud.empty() || line.pause.empty());
    EXPECT_EQ(c.dataFolder.back(), '/');
    for (const DisplayLimits& l : c.displayLimits) EXPECT_TRUE(l.max > l.min || (l.min == 0 && l.max == 0));
    for (int r = 0; r < kCheckRecordCount; r += 2) {
      for (int f = 0; f < kDetectorTypeCount; ++f) EXPECT_GT(c.checkRecords[r + 1][f], c.checkRecords[r][f]);
    }
    // Once composed, the text is stable through further saves and loads.
    const std::string text = ComposeConfigurationText(c);
    EXPECT_EQ(ComposeConfigurationText(Parse(EncodeConfigurationText(text))), text);
  }
}

TEST_F(ConfigurationTest, SavingEmptyTextWritesNothingAndMissingFoldersAreCreated) {
  EXPECT_EQ(SaveConfiguration(folder_ / "a.cfg", ""), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "a.cfg"));
  ASSERT_EQ(SaveConfiguration(folder_ / "x/kvlgrad/KvlGrad.cfg", defaultText_), 0);
  std::string bytes;
  ASSERT_EQ(ReadFileBytes(folder_ / "x/kvlgrad/KvlGrad.cfg", bytes), 0);
  EXPECT_EQ(bytes, EncodeConfigurationText(defaultText_));
}

TEST_F(ConfigurationTest, AFailedSaveReportsAndKeepsThePreviousFile) {
  std::string error;
  ASSERT_EQ(SaveConfiguration(folder_ / "plain", "x\r\n"), 0);
  EXPECT_NE(SaveConfiguration(folder_ / "plain/KvlGrad.cfg", defaultText_, &error), 0);
  EXPECT_NE(error.find("plain"), std::string::npos);

  // A disk that fills up halfway through the write.
  const std::string path = folder_ / "KvlGrad.cfg";
  ASSERT_EQ(SaveConfiguration(path, "old\r\n"), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &rl);
    _exit(SaveConfiguration(path, defaultText_) == EFBIG ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string bytes;
  ASSERT_EQ(ReadFileBytes(path, bytes), 0);
  EXPECT_EQ(bytes, "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), std::filesystem::directory_iterator()), 2);
}

}  // namespace
}  // namespace kvl
