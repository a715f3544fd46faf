// The graduation table file reader: a table it takes is one a detector can
// hold (address 1..255, finite coefficients), goes out as block writes that
// fit a frame each, and reads back the same from the text it stands for.
#include <cmath>

#include "detector/detector_kinds.h"
#include "fuzz_support.h"
#include "graduation/tab_file.h"
#include "link/modbus_frames.h"
#include "text/cp1251.h"
#include "text/format.h"

namespace {

// The table in the file's own keys, coefficients to the last bit.
std::string TableText(const kvl::GraduationTable& t) {
  using kvl::Format;
  std::string s = Format("Modbus_number=%d\r\n", t.address);
  for (int n = kvl::kTablePoints - 1; n >= 0; --n) {
    const auto i = std::size_t(n);
    s += Format("T[%d]=%d D[%2d]=%d K3[%2d]=%.9g K2[%2d]=%.9g K1[%2d]=%.9g\r\n", n, t.T[i], n, t.D[i], n,
                double(t.K3[i]), n, double(t.K2[i]), n, double(t.K1[i]));
  }
  return s;
}

bool SameTable(const kvl::GraduationTable& a, const kvl::GraduationTable& b) {
  return a.address == b.address && a.T == b.T && a.D == b.D && a.K1 == b.K1 && a.K2 == b.K2 && a.K3 == b.K3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvl;
  if (size == 0) return 0;
  // The languages a user can choose: the stored third one has no texts of its
  // own, and an empty text would pass for no refusal at all.
  const LanguageIndex language = data[0] % 2;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const TableFileResult r = ParseTableFile(bytes, language);
  FUZZ_CHECK(r.table.has_value() == r.refusal.empty());
  FUZZ_CHECK(IsValidUtf8(r.refusal));
  for (char ch : r.refusal) FUZZ_CHECK(static_cast<unsigned char>(ch) >= ' ');  // shown printable
  if (!r.table) return 0;
  const GraduationTable& t = *r.table;
  FUZZ_CHECK(t.address >= 1 && t.address <= 255);
  for (std::size_t i = 0; i < t.K1.size(); ++i)
    FUZZ_CHECK(std::isfinite(t.K1[i]) && std::isfinite(t.K2[i]) && std::isfinite(t.K3[i]));
  for (const TableBlockWrite& w : TableBlockWrites(t)) {
    FUZZ_CHECK(w.slave == t.address && w.first + w.words.size() <= std::size_t(kImageWords));
    FUZZ_CHECK(!BuildWriteMultiple(w.slave, w.first, w.words).empty());
  }
  const TableFileResult again = ParseTableFile(TableText(t), language);
  FUZZ_CHECK(again.table && SameTable(*again.table, t));
  return 0;
}
