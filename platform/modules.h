// The modules (executable and shared libraries) loaded in the process.
//
// Thread rule: any thread. The functions taking buffers allocate nothing and take only the
// loader's own lock, so a crash handler may call them; the others allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qz::platform {

struct ModuleInfo {
  std::string path;  // as the loader knows it; the main program's is read from /proc
  uintptr_t base;    // load bias: file addresses + base = addresses in memory
  uintptr_t low;     // lowest and highest+1 address of its loaded segments
  uintptr_t high;
};

// Every loaded module, the main program first.
std::vector<ModuleInfo> loadedModules();

// The module whose loaded segments hold addr. False when none does. `path` receives the file
// path (cut to fit, always terminated); `base` the module's load bias.
bool findModule(uintptr_t addr, char* path, size_t pathSize, uintptr_t* base);

// The file name of the module holding addr, without its directory; the decimal address when no
// module holds it.
std::string moduleFileNameOf(const void* addr);

// Calls visit(path, base, low, high, context) for every loaded module without allocating.
using ModuleVisitor = void (*)(const char* path, uintptr_t base, uintptr_t low, uintptr_t high,
                               void* context);
void visitModules(ModuleVisitor visit, void* context);

}  // namespace qz::platform
