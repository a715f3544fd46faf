#include <clocale>
#include <cstring>

#include "platform/c_locale.h"

namespace kvl::platform {

// Windows programs start in the C locale and the window leaves it so; only a
// thread found in another one is switched, on its own.
CCLocaleScope::CCLocaleScope() {
  const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
  if (!numeric || std::strcmp(numeric, "C") == 0) return;
  previousNumeric_ = numeric;
  previousMode_ = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  std::setlocale(LC_NUMERIC, "C");
}

CCLocaleScope::~CCLocaleScope() {
  if (previousNumeric_.empty()) return;
  std::setlocale(LC_NUMERIC, previousNumeric_.c_str());
  _configthreadlocale(previousMode_);
}

}  // namespace kvl::platform
