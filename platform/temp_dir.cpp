#include "platform/temp_dir.h"

#include <cstdlib>

#include "platform/folders.h"

namespace qz::platform {

std::string tempDirectoryFrom(std::initializer_list<const char*> variables) {
  for (const char* name : variables) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return systemTempFolder();
}

}  // namespace qz::platform
