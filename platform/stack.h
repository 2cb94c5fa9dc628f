// Call stacks: capturing return addresses, naming them, and reading code bytes safely.
//
// On Windows, see stack_win.cpp: frame pointers or unwind tables, and "dbghelp.dll".
//
// Symbols come from the ELF symbol table of the module file (.symtab, else .dynsym), so
// functions with hidden visibility are named too, as long as the module is not stripped.
// Names stay mangled: demangling allocates. Source files and lines are not looked up; the
// module path and the address (minus the module's load bias) locate a frame for addr2line.
//
// Thread rule: any thread. describeAddress, readMemory, programCounterOf and
// captureStackFromContext allocate nothing and use only system calls and the loader's lock, so
// a crash handler may call them once prepareStackCapture() has run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qz::platform {

// Loads what the unwinder needs, so that a later capture in a signal handler allocates
// nothing. Call once outside any handler.
void prepareStackCapture();

// Return addresses of the caller's stack, innermost first, after skipping `skip` frames of the
// caller itself. Returns the count (at most depth).
size_t captureStack(uint64_t* out, size_t depth, size_t skip);

// The stack of a signal: the faulting instruction first, then its callers. `context` is the
// handler's ucontext argument.
size_t captureStackFromContext(const void* context, uint64_t* out, size_t depth);

// The instruction address of a signal context, 0 when unknown.
uint64_t programCounterOf(const void* context);

// Copies n bytes at addr without faulting. False when any of them is unreadable.
bool readMemory(uint64_t addr, void* out, size_t n);

struct AddressInfo {
  char symbol[256] = {};  // mangled; empty when unknown
  char module[256] = {};  // module path; empty when no module holds the address
  uint64_t symbolOffset = 0;
  uintptr_t moduleBase = 0;
};
// Names the function or object holding addr. False when no module holds it; the symbol may
// still be empty then and when the module has no symbol for it.
bool describeAddress(uint64_t addr, AddressInfo* info);

}  // namespace qz::platform
