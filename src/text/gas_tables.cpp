#include "text/gas_tables.h"

namespace kvl {

#define KVL_NO_GAS {{"---", "---", "---"}}

constexpr TextEntry kCommonGasTable[kGasCount] = {
    {{"Methane", "Метан", "Metano"}},                  // 1
    {{"Propane", "Пропан", "Propano"}},                // 2
    {{"Hexane", "Гексан", "Hexano"}},                  // 3
    {{"Butane", "Бутан", "Butano"}},                   // 4
    {{"Iso- butane", "Изо- бутан", "Isobutano"}},      // 5
    {{"Pentane", "Пентан", "Pentano"}},                // 6
    {{"Cyclo- pentane", "Цикло- пентан", "Ciclo- pentano"}},  // 7
    {{"Ethanol", "Этанол", "Etanol"}},                 // 8
    KVL_NO_GAS,                                        // 9
    KVL_NO_GAS,                                        // 10
    {{"Metha- nol", "Мета- нол", "Metanol"}},          // 11
    KVL_NO_GAS,                                        // 12
    KVL_NO_GAS,                                        // 13
    {{"Ethylene", "Этилен", ""}},                      // 14
    {{"Benzene", "Бензол", ""}},                       // 15
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 16-20
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 21-25
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,                          // 26-28
    {{"Ethane", "Этан", ""}},                          // 29
    {{"Acetone", "Ацетон", ""}},                       // 30
    {{"Toluene", "Толуол", ""}},                       // 31
    {{"MTBE", "МТБЭ", ""}},                            // 32
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,    // 33-36
    {{"Propy- lene", "Пропи- лен", ""}},               // 37
    {{"Oil", "Нефть", ""}},                            // 38
    {{"Natural gas", "Природ- ный газ", ""}},          // 39
    {{"Gasoline", "Бензин", ""}},                      // 40
    {{"Kero- sene", "Керосин", ""}},                   // 41
    {{"White spirit", "Уайт- спирит", ""}},            // 42
    {{"Diesel oil", "Диз. топливо", ""}},              // 43
    {{"Petro- chemical", "Нефте- продукт", ""}},       // 44
    {{"Formal- dehyde", "Форма- льдегид", ""}},        // 45
    {{"Vinyl acetate", "Винил- ацетат", ""}},          // 46
    {{"Heptane", "Гептан", ""}},                       // 47
    {{"Ortho- xylol", "Орто- ксилол", ""}},            // 48
    {{"Para- xylol", "Пара- ксилол", ""}},             // 49
    {{"Isopro- panol", "Изопро- панол", ""}},          // 50
    {{"Cyclo- hexane", "Цикло- гексан", ""}},          // 51
    {{"Ethyl- benzene", "Этил- бензол", ""}},          // 52
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 53-57
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 58-62
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 63-67
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 68-72
    {{"Buta- diene", "Бута- диен", ""}},               // 73
    {{"Styrene", "Стирол", ""}},                       // 74
    {{"Methyl chloride", "Хлор- метан", ""}},          // 75
    {{"Methylene chloride", "Дихлор- метан", ""}},     // 76
    {{"Butyl acetate", "Бутил- ацетат", ""}},          // 77
    {{"Ethyl acetate", "Этил- ацетат", ""}},           // 78
    {{"Buta- none", "Бутанон", ""}},                   // 79
    {{"Cyclo- hexanone", "Циклоге- ксанон", ""}},      // 80
    {{"Propa- nol", "Пропа- нол", ""}},                // 81
    {{"Butanol", "Бутанол", ""}},                      // 82
    {{"Octane", "Октан", ""}},                         // 83
    {{"Ethylene oxide", "Оксид этилена", ""}},         // 84
    {{"Diethyl- amine", "Диэтил- амин", ""}},          // 85
};

namespace {
constexpr const TextEntry& Common(int code) { return kCommonGasTable[code - 1]; }
}  // namespace

// Both tables are constant-initialised, so other start-up code may read them.
// The Z40 firmware numbers a shorter list of its own; most of its entries are
// the common table's gases under other codes.
constexpr TextEntry kZ40GasTable[kGasCount] = {
    Common(1), Common(2), Common(3), Common(4),           // 1-4
    Common(5), Common(6), Common(7), Common(8),           // 5-8
    {{"---", "---", ""}},                                 // 9
    Common(11),                                           // 10
    Common(37), Common(15), Common(29), Common(30),        // 11-14
    Common(31), Common(32), Common(14), Common(38),        // 15-18
    Common(39), Common(40), Common(41), Common(42),        // 19-22
    Common(43),                                           // 23
    {{"Petr- oleum", "Petr- oleum", ""}},                 // 24
    {{"Para- xylene", "Пара- ксилол", ""}},               // 25
    {{"Ortho- xylene", "Орто- ксилол", ""}},              // 26
    Common(47), Common(50), Common(52), Common(51),        // 27-30
    {{"Buta- diene", "1.3-бу- тадиен", ""}},              // 31
    Common(74), Common(75), Common(76), Common(77),        // 32-35
    Common(78), Common(79), Common(80), Common(81),        // 36-39
    Common(82), Common(83), Common(84), Common(85),        // 40-43
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 44-49
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 50-55
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 56-61
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 62-67
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 68-73
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 74-79
    KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS, KVL_NO_GAS,  // 80-85
};

#undef KVL_NO_GAS

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
