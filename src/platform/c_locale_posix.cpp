#include <locale.h>

#include "platform/c_locale.h"

namespace kvl::platform {
namespace {

// One C locale for the whole process; uselocale() switches only the calling
// thread, so the UI's locale elsewhere is untouched.
locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

}  // namespace

CCLocaleScope::CCLocaleScope() : previous_(uselocale(CLocale())) {}

CCLocaleScope::~CCLocaleScope() { uselocale(static_cast<locale_t>(previous_)); }

}  // namespace kvl::platform
