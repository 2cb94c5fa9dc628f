#include "host/companions.h"

#include "host/host.h"

namespace qz::host {

qzIUnknown* createCompanion(const qzIIDS& classId) {
  if (qzIIDMatchesName(classId, kJvmClass)) return createJvmProvider();
  if (qzIIDMatchesName(classId, kCharsetClass)) return createCharsetFactory();
  if (qzIIDMatchesName(classId, kEnvConfigClass)) return createEnvConfig();
  return nullptr;
}

}  // namespace qz::host
