#include <locale.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/locale.h"

namespace qz::platform {
namespace {

// What the thread had before: whether its locale was its own, and the names of the two
// categories.
struct Previous {
  int threadMode;
  char numeric[128];
  char ctype[128];
};

void copyName(char* to, const char* name) {
  to[0] = '\0';
  if (name) std::strncat(to, name, 127);
}

}  // namespace

// The C library's locale is process-wide unless the thread asks for one of its own.
CLocaleScope::CLocaleScope() : previous_(nullptr) {
  const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
  const char* ctype = std::setlocale(LC_CTYPE, nullptr);
  if (numeric && ctype && std::strcmp(numeric, "C") == 0 && std::strcmp(ctype, "C") == 0) {
    return;  // the usual case: nobody changed the locale, and nothing is to be undone
  }
  auto* p = new Previous;
  p->threadMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  copyName(p->numeric, std::setlocale(LC_NUMERIC, nullptr));
  copyName(p->ctype, std::setlocale(LC_CTYPE, nullptr));
  std::setlocale(LC_NUMERIC, "C");
  std::setlocale(LC_CTYPE, "C");
  previous_ = p;
}

CLocaleScope::~CLocaleScope() {
  auto* p = static_cast<Previous*>(previous_);
  if (!p) return;
  if (p->numeric[0]) std::setlocale(LC_NUMERIC, p->numeric);
  if (p->ctype[0]) std::setlocale(LC_CTYPE, p->ctype);
  if (p->threadMode == _DISABLE_PER_THREAD_LOCALE) _configthreadlocale(p->threadMode);
  delete p;
}

}  // namespace qz::platform
