#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/modules.h"

namespace qz::platform {
namespace {

// The main program's path, read once from /proc (readlink is safe in a signal handler too).
// Threads racing to read it write the same bytes.
char gMainPath[4096];
std::atomic<bool> gMainPathRead{false};

const char* mainPath() {
  if (!gMainPathRead.load(std::memory_order_acquire)) {
    char path[sizeof gMainPath];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    path[n > 0 ? n : 0] = '\0';
    std::memcpy(gMainPath, path, sizeof path);
    gMainPathRead.store(true, std::memory_order_release);
  }
  return gMainPath;
}

struct Range {
  uintptr_t low;
  uintptr_t high;
};

Range loadedRange(const dl_phdr_info* info) {
  Range r{UINTPTR_MAX, 0};
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const uintptr_t start = info->dlpi_addr + ph.p_vaddr;
    if (start < r.low) r.low = start;
    if (start + ph.p_memsz > r.high) r.high = start + ph.p_memsz;
  }
  if (r.low == UINTPTR_MAX) r.low = 0;
  return r;
}

struct VisitState {
  ModuleVisitor visit;
  void* context;
};

int visitOne(dl_phdr_info* info, size_t, void* data) {
  auto* state = static_cast<VisitState*>(data);
  const char* path = info->dlpi_name && *info->dlpi_name ? info->dlpi_name : nullptr;
  // The loader names the main program "".
  if (!path) path = mainPath();
  Range r = loadedRange(info);
  state->visit(path, info->dlpi_addr, r.low, r.high, state->context);
  return 0;
}

struct FindState {
  uintptr_t addr;
  char* path;
  size_t pathSize;
  uintptr_t* base;
  bool found;
};

void findOne(const char* path, uintptr_t base, uintptr_t low, uintptr_t high, void* data) {
  auto* state = static_cast<FindState*>(data);
  if (state->found || state->addr < low || state->addr >= high) return;
  state->found = true;
  if (state->pathSize) {
    std::strncpy(state->path, path, state->pathSize - 1);
    state->path[state->pathSize - 1] = '\0';
  }
  if (state->base) *state->base = base;
}

void collectOne(const char* path, uintptr_t base, uintptr_t low, uintptr_t high, void* data) {
  static_cast<std::vector<ModuleInfo>*>(data)->push_back({path, base, low, high});
}

}  // namespace

void visitModules(ModuleVisitor visit, void* context) {
  VisitState state{visit, context};
  ::dl_iterate_phdr(&visitOne, &state);
}

std::vector<ModuleInfo> loadedModules() {
  mainPath();
  std::vector<ModuleInfo> out;
  visitModules(&collectOne, &out);
  return out;
}

bool findModule(uintptr_t addr, char* path, size_t pathSize, uintptr_t* base) {
  FindState state{addr, path, pathSize, base, false};
  visitModules(&findOne, &state);
  return state.found;
}

std::string moduleFileNameOf(const void* addr) {
  mainPath();
  char path[4096];
  if (!findModule(reinterpret_cast<uintptr_t>(addr), path, sizeof path, nullptr)) {
    return std::to_string(reinterpret_cast<uintptr_t>(addr));
  }
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace qz::platform
