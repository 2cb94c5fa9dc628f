#include <io.h>
#include <windows.h>

#include "platform/files.h"

namespace qz::platform {

bool syncFile(std::FILE* f) {
  return std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
}

RawFile openRawForAppend(const char* path) {
  HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoRawFile : reinterpret_cast<RawFile>(h);
}

void writeRaw(RawFile file, const char* text, size_t n) {
  HANDLE h = reinterpret_cast<HANDLE>(file);
  while (n > 0) {
    DWORD written = 0;
    const DWORD chunk = n > 0x10000000 ? 0x10000000 : static_cast<DWORD>(n);
    if (!WriteFile(h, text, chunk, &written, nullptr) || written == 0) return;
    text += written;
    n -= written;
  }
}

void closeRaw(RawFile file) {
  CloseHandle(reinterpret_cast<HANDLE>(file));
}

RawFile rawStandardError() {
  return reinterpret_cast<RawFile>(GetStdHandle(STD_ERROR_HANDLE));
}

}  // namespace qz::platform
