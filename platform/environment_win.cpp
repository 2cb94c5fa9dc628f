#include <windows.h>

#include <cstdlib>

#include "platform/environment.h"

namespace qz::platform {

// The C library keeps its own copy of the environment, which std::getenv reads; _putenv_s
// changes both it and the system's block that child processes inherit.
bool setEnvironmentVariable(const char* name, const char* value) {
  if (!*value) return SetEnvironmentVariableA(name, "") != 0;  // _putenv_s would remove it
  return _putenv_s(name, value) == 0 && SetEnvironmentVariableA(name, value) != 0;
}

void removeEnvironmentVariable(const char* name) {
  _putenv_s(name, "");
  SetEnvironmentVariableA(name, nullptr);
}

// Names are compared ignoring case here: getenv knows how.
bool environmentVariableSet(const char* name) {
  return std::getenv(name) != nullptr;
}

}  // namespace qz::platform
