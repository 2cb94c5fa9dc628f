#include <unistd.h>

#include "platform/files.h"

namespace qz::platform {

bool syncFile(std::FILE* f) {
  return std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
}

}  // namespace qz::platform
