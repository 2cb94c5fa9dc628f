#include "platform/stack.h"

#include "platform/modules.h"
#include "platform/stack_symbol.h"

namespace qz::platform {

bool describeAddress(uint64_t addr, AddressInfo* info) {
  info->symbol[0] = '\0';
  info->module[0] = '\0';
  info->symbolOffset = 0;
  info->moduleBase = 0;
  uintptr_t base = 0;
  if (!findModule(static_cast<uintptr_t>(addr), info->module, sizeof info->module, &base)) {
    return false;
  }
  info->moduleBase = base;
  describeSymbol(addr, info);
  return true;
}

}  // namespace qz::platform
