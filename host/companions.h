// The companion components our host serves by class name. Each function returns a new
// object with one reference for the caller (null when it cannot be made).
#pragma once

#include "interfaces/qzcom.h"

namespace qz::host {

constexpr const char* kJvmClass = "zeltools.jvm";
constexpr const char* kCharsetClass = "zeltools.charsetconvert";
constexpr const char* kEnvConfigClass = "zeltools.zelenvcfg";

// A new C with one reference for the caller, handed out as its interface I.
template <class I, class C>
qzIUnknown* newCompanion() {
  C* c = new C();
  c->AddRef();
  return static_cast<I*>(c);
}

// "QZCOM.IJVMPROVIDER": the process's one Java VM, started on first use.
qzIUnknown* createJvmProvider();
// "QZCOM.ICHARSETFACT": the locale's character set and iconv converters.
qzIUnknown* createCharsetFactory();
// "QZIIDDSP" with the method "resolveVar".
qzIUnknown* createEnvConfig();

// Maps a Windows code-page name ("CP1252", "65001", "windows-1252") to what iconv knows.
const char* iconvCharsetName(const char* name, char* buffer, int size);

}  // namespace qz::host
