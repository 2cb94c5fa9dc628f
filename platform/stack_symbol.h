// The part of describeAddress that each platform does its own way.
#pragma once

#include <cstdint>

#include "platform/stack.h"

namespace qz::platform {

// Fills info->symbol and info->symbolOffset for an address inside the module that
// info->module and info->moduleBase name; leaves the symbol empty when the module has none.
void describeSymbol(uint64_t addr, AddressInfo* info);

}  // namespace qz::platform
