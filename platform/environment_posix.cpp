#include <cstdlib>

#include "platform/environment.h"

namespace qz::platform {

bool setEnvironmentVariable(const char* name, const char* value) {
  return ::setenv(name, value, 1) == 0;
}

void removeEnvironmentVariable(const char* name) {
  ::unsetenv(name);
}

}  // namespace qz::platform
