#include "graduation/without_gas_tables.h"

namespace kvl {

namespace {
constexpr WithoutGasDrops kMethane{{1111, 1065, 1030, 997, 968, 932, 903, 878},
                                   {1489, 1426, 1370, 1335, 1300, 1269, 1230, 1212}};
constexpr WithoutGasDrops kOtherGas{{1561, 1585, 1581, 1586, 1590, 1573, 1576, 1573},
                                    {2087, 2156, 2198, 2228, 2253, 2265, 2300, 2317}};
}  // namespace

const WithoutGasDrops& WithoutGasDropsFor(int gasCode) { return gasCode == 1 ? kMethane : kOtherGas; }

}  // namespace kvl
