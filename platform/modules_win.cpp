// Modules through the process-status calls: EnumProcessModules lists the executable first.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <cstring>

#include "platform/modules.h"

namespace qz::platform {
namespace {

constexpr DWORD kMaxModules = 1024;

// The module's image range; false when the module has gone meanwhile.
bool rangeOf(HMODULE module, uintptr_t* low, uintptr_t* high) {
  MODULEINFO info{};
  if (!GetModuleInformation(GetCurrentProcess(), module, &info, sizeof info)) return false;
  *low = reinterpret_cast<uintptr_t>(info.lpBaseOfDll);
  *high = *low + info.SizeOfImage;
  return true;
}

void collectOne(const char* path, uintptr_t base, uintptr_t low, uintptr_t high, void* data) {
  static_cast<std::vector<ModuleInfo>*>(data)->push_back({path, base, low, high});
}

}  // namespace

// Addresses in a module are its base plus the relative addresses of the image file, so the
// base is what ELF calls the load bias.
void visitModules(ModuleVisitor visit, void* context) {
  HMODULE modules[kMaxModules];
  DWORD bytes = 0;
  if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes)) return;
  const DWORD count = bytes / sizeof(HMODULE) < kMaxModules ? bytes / sizeof(HMODULE) : kMaxModules;
  for (DWORD i = 0; i < count; ++i) {
    uintptr_t low = 0, high = 0;
    if (!rangeOf(modules[i], &low, &high)) continue;
    char path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(modules[i], path, sizeof path);
    path[n < sizeof path ? n : sizeof path - 1] = '\0';
    visit(path, low, low, high, context);
  }
}

std::vector<ModuleInfo> loadedModules() {
  std::vector<ModuleInfo> out;
  visitModules(&collectOne, &out);
  return out;
}

bool findModule(uintptr_t addr, char* path, size_t pathSize, uintptr_t* base) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(addr), &module) ||
      !module) {
    return false;
  }
  uintptr_t low = 0, high = 0;
  if (!rangeOf(module, &low, &high) || addr < low || addr >= high) return false;
  if (pathSize) {
    const DWORD n = GetModuleFileNameA(module, path, static_cast<DWORD>(pathSize));
    path[n < pathSize ? n : pathSize - 1] = '\0';
  }
  if (base) *base = low;
  return true;
}

std::string moduleFileNameOf(const void* addr) {
  char path[MAX_PATH * 2];
  if (!findModule(reinterpret_cast<uintptr_t>(addr), path, sizeof path, nullptr)) {
    return std::to_string(reinterpret_cast<uintptr_t>(addr));
  }
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  return name;
}

}  // namespace qz::platform
