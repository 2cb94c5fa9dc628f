#include <locale.h>

#include "platform/locale.h"

namespace qz::platform {
namespace {

locale_t cLocale() {
  static locale_t c = newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  return c;
}

}  // namespace

CLocaleScope::CLocaleScope() : previous_(uselocale(cLocale())) {}
CLocaleScope::~CLocaleScope() {
  uselocale(static_cast<locale_t>(previous_));
}

}  // namespace qz::platform
