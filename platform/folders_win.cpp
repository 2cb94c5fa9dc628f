#include <windows.h>
// after windows.h
#include <shlobj.h>

#include "platform/folders.h"

namespace qz::platform {
namespace {

constexpr UINT kFolderBytes = 256;

}  // namespace

std::string systemRootFolder() {
  char dir[kFolderBytes];
  const UINT n = GetWindowsDirectoryA(dir, sizeof dir);
  return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string("c:\\windows");
}

std::string systemTempFolder() {
  char dir[kFolderBytes];
  const DWORD n = GetTempPathA(sizeof dir, dir);
  return n > 0 && n < sizeof dir ? std::string(dir, n) : appDataFallbackFolder();
}

std::string userAppDataFolder() {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items)) || !items) return {};
  char dir[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListA(items, dir) != FALSE;
  // The item list belongs to the shell's allocator.
  IMalloc* shellAllocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&shellAllocator)) && shellAllocator) {
    shellAllocator->Free(items);
    shellAllocator->Release();
  }
  return found ? std::string(dir) : std::string();
}

std::string appDataFallbackFolder() {
  return "c:\\temp";
}

const char* osName() {
  return "x86";
}
const char* osExecutableExtension() {
  return "exe";
}
const char* osLibraryExtension() {
  return "dll";
}

}  // namespace qz::platform
