// The configuration reader: any bytes load, every value lands inside its
// range, and what is read survives being written and read again (the window
// writes the configuration back at every exit) but for what the file's format
// does not keep: three decimals, two fields of each check record.
#include <cmath>

#include "config/configuration.h"
#include "fuzz_support.h"
#include "text/cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  // A few port items: the 256 numbered ones the window offers only slow the run down.
  static const ConfigurationContext context{"/nonexistent/kvlgrad/", {"1", "2", "3", "4", "ttyUSB0"}};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Configuration c = ParseConfiguration(bytes, context);

  FUZZ_CHECK(c.detectorType >= 0 && c.detectorType < kDetectorTypeCount && c.detectorType != 2);
  FUZZ_CHECK(c.mode >= 0 && c.mode < kOperatingModeCount);
  FUZZ_CHECK(c.emitterPower >= 0 && c.emitterPower <= 10);
  FUZZ_CHECK(!c.addresses.empty() && c.addresses.size() <= kMaxPollAddresses);
  for (unsigned a : c.addresses) FUZZ_CHECK(a <= 255);
  for (const DisplayLimits& l : c.displayLimits) FUZZ_CHECK(l.min < l.max || (l.min == 0 && l.max == 0));
  FUZZ_CHECK(c.dataFolder.back() == '/' && c.graduationFolder.back() == '/');
  FUZZ_CHECK(c.spareNumber >= 1 && c.spareNumber <= 20000);
  FUZZ_CHECK(std::isfinite(c.lowLimit) && std::isfinite(c.highLimit));
  for (const CheckRecord& r : c.checkRecords) FUZZ_CHECK(r[0] >= -32768 && r[0] <= 32767 && r[1] >= -3276 && r[1] <= 3276);
  for (const GasCalibration& gas : c.gases) {
    FUZZ_CHECK(std::isfinite(gas.coefficient) && gas.coefficient != 0);
    for (const std::string& t : {gas.concentration[0], gas.concentration[1], gas.propaneEntry[0], gas.propaneEntry[1]}) {
      FUZZ_CHECK(t.find_first_not_of("0123456789.,+- ") == std::string::npos);
    }
  }

  const std::string text = ComposeConfigurationText(c);
  FUZZ_CHECK(IsValidUtf8(text));
  const Configuration again = ParseConfiguration(EncodeConfigurationText(text), context);
  // The file is written with the first two fields of each check record only:
  // the others read as their defaults (the Z5 field of Tmin/Tmax as the KVELT
  // one, where its pair did not fall back).
  Configuration expected = c;
  for (int r = 0; r < kCheckRecordCount; ++r)
    for (int f = 2; f < kDetectorTypeCount; ++f) expected.checkRecords[r][f] = again.checkRecords[r][f];
  // Numbers with a fraction are kept to three decimals.
  auto rounded = [](double& want, double got) {
    FUZZ_CHECK(std::fabs(want - got) <= 0.0005 + 1e-9 * std::fabs(want));
    want = got;
  };
  rounded(expected.emitterPower, again.emitterPower);
  rounded(expected.spareNumber, again.spareNumber);
  rounded(expected.lowLimit, again.lowLimit);
  rounded(expected.highLimit, again.highLimit);
  for (GasCalibration& gas : expected.gases) {
    const std::size_t g = std::size_t(&gas - expected.gases.data());
    // A coefficient written as 0.000 reads as "none given": 1.
    if (std::fabs(gas.coefficient) < 0.0005) gas.coefficient = 1.0;
    rounded(gas.coefficient, again.gases[g].coefficient);
  }
  FUZZ_CHECK(again == expected);
  return 0;
}
