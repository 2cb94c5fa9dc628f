#include <fcntl.h>
#include <unistd.h>

#include "platform/files.h"

namespace qz::platform {

bool syncFile(std::FILE* f) {
  return std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
}

RawFile openRawForAppend(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  return fd < 0 ? kNoRawFile : fd;
}

void writeRaw(RawFile file, const char* text, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(static_cast<int>(file), text, n);
    if (w <= 0) return;
    text += w;
    n -= static_cast<size_t>(w);
  }
}

void closeRaw(RawFile file) {
  ::close(static_cast<int>(file));
}

RawFile rawStandardError() {
  return 2;
}

}  // namespace qz::platform
