#pragma once
// Who made a graduation record and where: the station's host name and the
// operator's login name, as the reports print them. The only place the
// reports ask the operating system anything; a name it cannot give is "".
#include <string>

namespace kvl {

std::string StationHostName();
std::string OperatorLoginName();

}  // namespace kvl
