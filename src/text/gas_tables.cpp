#include "text/gas_tables.h"

namespace kvl {

namespace {
constexpr TextEntry kNoGas{{"---", "---", "---"}};
// Same in the upper part of the Z40 table, but with an empty Spanish cell.
constexpr TextEntry kNoGasUpper{{"---", "---", ""}};
}  // namespace

// Both tables are constant-initialised, so other start-up code may read them.
constexpr TextEntry kCommonGasTable[kGasCount] = {
    {{"Methane", "Метан", "Metano"}},                         // 1
    {{"Propane", "Пропан", "Propano"}},                       // 2
    {{"Hexane", "Гексан", "Hexano"}},                         // 3
    {{"Butane", "Бутан", "Butano"}},                          // 4
    {{"Iso- butane", "Изо- бутан", "Isobutano"}},             // 5
    {{"Pentane", "Пентан", "Pentano"}},                       // 6
    {{"Cyclo- pentane", "Цикло- пентан", "Ciclo- pentano"}},  // 7
    {{"Ethanol", "Этанол", "Etanol"}},                        // 8
    kNoGas,                                                   // 9
    kNoGas,                                                   // 10
    {{"Metha- nol", "Мета- нол", "Metanol"}},                 // 11
    kNoGas,                                                   // 12
    kNoGas,                                                   // 13
    {{"Ethylene", "Этилен", ""}},                             // 14
    {{"Benzene", "Бензол", ""}},                              // 15
    kNoGas,                                                   // 16
    kNoGas,                                                   // 17
    kNoGas,                                                   // 18
    kNoGas,                                                   // 19
    kNoGas,                                                   // 20
    kNoGas,                                                   // 21
    kNoGas,                                                   // 22
    kNoGas,                                                   // 23
    kNoGas,                                                   // 24
    kNoGas,                                                   // 25
    kNoGas,                                                   // 26
    kNoGas,                                                   // 27
    kNoGas,                                                   // 28
    {{"Ethane", "Этан", ""}},                                 // 29
    {{"Acetone", "Ацетон", ""}},                              // 30
    {{"Toluene", "Толуол", ""}},                              // 31
    {{"MTBE", "МТБЭ", ""}},                                   // 32
    kNoGas,                                                   // 33
    kNoGas,                                                   // 34
    kNoGas,                                                   // 35
    kNoGas,                                                   // 36
    {{"Propy- lene", "Пропи- лен", ""}},                      // 37
    {{"Oil", "Нефть", ""}},                                   // 38
    {{"Natural gas", "Природ- ный газ", ""}},                 // 39
    {{"Gasoline", "Бензин", ""}},                             // 40
    {{"Kero- sene", "Керосин", ""}},                          // 41
    {{"White spirit", "Уайт- спирит", ""}},                   // 42
    {{"Diesel oil", "Диз. топливо", ""}},                     // 43
    {{"Petro- chemical", "Нефте- продукт", ""}},              // 44
    {{"Formal- dehyde", "Форма- льдегид", ""}},               // 45
    {{"Vinyl acetate", "Винил- ацетат", ""}},                 // 46
    {{"Heptane", "Гептан", ""}},                              // 47
    {{"Ortho- xylol", "Орто- ксилол", ""}},                   // 48
    {{"Para- xylol", "Пара- ксилол", ""}},                    // 49
    {{"Isopro- panol", "Изопро- панол", ""}},                 // 50
    {{"Cyclo- hexane", "Цикло- гексан", ""}},                 // 51
    {{"Ethyl- benzene", "Этил- бензол", ""}},                 // 52
    kNoGas,                                                   // 53
    kNoGas,                                                   // 54
    kNoGas,                                                   // 55
    kNoGas,                                                   // 56
    kNoGas,                                                   // 57
    kNoGas,                                                   // 58
    kNoGas,                                                   // 59
    kNoGas,                                                   // 60
    kNoGas,                                                   // 61
    kNoGas,                                                   // 62
    kNoGas,                                                   // 63
    kNoGas,                                                   // 64
    kNoGas,                                                   // 65
    kNoGas,                                                   // 66
    kNoGas,                                                   // 67
    kNoGas,                                                   // 68
    kNoGas,                                                   // 69
    kNoGas,                                                   // 70
    kNoGas,                                                   // 71
    kNoGas,                                                   // 72
    {{"Buta- diene", "Бута- диен", ""}},                      // 73
    {{"Styrene", "Стирол", ""}},                              // 74
    {{"Methyl chloride", "Хлор- метан", ""}},                 // 75
    {{"Methylene chloride", "Дихлор- метан", ""}},            // 76
    {{"Butyl acetate", "Бутил- ацетат", ""}},                 // 77
    {{"Ethyl acetate", "Этил- ацетат", ""}},                  // 78
    {{"Buta- none", "Бутанон", ""}},                          // 79
    {{"Cyclo- hexanone", "Циклоге- ксанон", ""}},             // 80
    {{"Propa- nol", "Пропа- нол", ""}},                       // 81
    {{"Butanol", "Бутанол", ""}},                             // 82
    {{"Octane", "Октан", ""}},                                // 83
    {{"Ethylene oxide", "Оксид этилена", ""}},                // 84
    {{"Diethyl- amine", "Диэтил- амин", ""}},                 // 85
};

namespace {
constexpr const TextEntry& Common(int code) {
  return kCommonGasTable[code - 1];
}
}  // namespace

// The Z40 firmware numbers a shorter list of its own; most of its entries are
// the common table's gases under other codes: Common(n) is the entry of common code n.
constexpr TextEntry kZ40GasTable[kGasCount] = {
    Common(1),                                // 1
    Common(2),                                // 2
    Common(3),                                // 3
    Common(4),                                // 4
    Common(5),                                // 5
    Common(6),                                // 6
    Common(7),                                // 7
    Common(8),                                // 8
    kNoGasUpper,                              // 9
    Common(11),                               // 10
    Common(37),                               // 11
    Common(15),                               // 12
    Common(29),                               // 13
    Common(30),                               // 14
    Common(31),                               // 15
    Common(32),                               // 16
    Common(14),                               // 17
    Common(38),                               // 18
    Common(39),                               // 19
    Common(40),                               // 20
    Common(41),                               // 21
    Common(42),                               // 22
    Common(43),                               // 23
    {{"Petr- oleum", "Petr- oleum", ""}},     // 24
    {{"Para- xylene", "Пара- ксилол", ""}},   // 25
    {{"Ortho- xylene", "Орто- ксилол", ""}},  // 26
    Common(47),                               // 27
    Common(50),                               // 28
    Common(52),                               // 29
    Common(51),                               // 30
    {{"Buta- diene", "1.3-бу- тадиен", ""}},  // 31
    Common(74),                               // 32
    Common(75),                               // 33
    Common(76),                               // 34
    Common(77),                               // 35
    Common(78),                               // 36
    Common(79),                               // 37
    Common(80),                               // 38
    Common(81),                               // 39
    Common(82),                               // 40
    Common(83),                               // 41
    Common(84),                               // 42
    Common(85),                               // 43
    kNoGas,                                   // 44
    kNoGas,                                   // 45
    kNoGas,                                   // 46
    kNoGas,                                   // 47
    kNoGas,                                   // 48
    kNoGas,                                   // 49
    kNoGas,                                   // 50
    kNoGas,                                   // 51
    kNoGas,                                   // 52
    kNoGas,                                   // 53
    kNoGas,                                   // 54
    kNoGas,                                   // 55
    kNoGas,                                   // 56
    kNoGas,                                   // 57
    kNoGas,                                   // 58
    kNoGas,                                   // 59
    kNoGas,                                   // 60
    kNoGas,                                   // 61
    kNoGas,                                   // 62
    kNoGas,                                   // 63
    kNoGas,                                   // 64
    kNoGas,                                   // 65
    kNoGas,                                   // 66
    kNoGas,                                   // 67
    kNoGas,                                   // 68
    kNoGas,                                   // 69
    kNoGas,                                   // 70
    kNoGas,                                   // 71
    kNoGas,                                   // 72
    kNoGas,                                   // 73
    kNoGas,                                   // 74
    kNoGas,                                   // 75
    kNoGas,                                   // 76
    kNoGas,                                   // 77
    kNoGas,                                   // 78
    kNoGas,                                   // 79
    kNoGas,                                   // 80
    kNoGas,                                   // 81
    kNoGas,                                   // 82
    kNoGas,                                   // 83
    kNoGas,                                   // 84
    kNoGas,                                   // 85
};

TextList GasTable(int detectorType) {
  if (detectorType == kZ40DetectorType) return TextList(kZ40GasTable);
  return TextList(kCommonGasTable);
}

std::string SelectorGasName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '-' && i + 1 < name.size() && name[i + 1] == ' ') {
      ++i;
      continue;
    }
    out += name[i];
  }
  return out;
}

}  // namespace kvl
