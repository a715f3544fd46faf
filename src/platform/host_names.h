#pragma once
// Names this computer and its user go by, for reports and journals. Asks the
// system each time; "" when it cannot tell.
#include <string>

namespace kvl::platform {

std::string HostName();
std::string LoginName();

}  // namespace kvl::platform
