#include <unistd.h>

#include <cstdlib>

#include "platform/environment.h"

namespace qz::platform {

bool setEnvironmentVariable(const char* name, const char* value) {
  return ::setenv(name, value, 1) == 0;
}

void removeEnvironmentVariable(const char* name) {
  ::unsetenv(name);
}

// getenv measures the name and calls strncmp for each variable sharing its first two bytes:
// one pass of our own instead, still over the live environment.
bool environmentVariableSet(const char* name) {
  char** entries = environ;
  if (!entries || !*name) return false;  // after clearenv
  for (; *entries; ++entries) {
    const char* e = *entries;
    if (e[0] != name[0]) continue;
    // Stops at the first difference, the end of e included.
    std::size_t k = 1;
    while (name[k] && e[k] == name[k]) ++k;
    if (!name[k] && e[k] == '=') return true;
  }
  return false;
}

}  // namespace qz::platform
