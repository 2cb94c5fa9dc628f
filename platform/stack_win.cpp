// Call stacks on Windows. x86 code is built with frame pointers, so the chain of saved frame
// pointers gives the stack; where it breaks, the debug-help library's StackWalk64 takes over.
// x64 code carries unwind tables, which the system's own unwinder reads without allocating.
//
// Symbols come from "dbghelp.dll", loaded on first use (one attempt per process); where it
// knows none, the module's export table names exported functions.
#include <windows.h>
// after windows.h
#include <dbghelp.h>

#include <cstring>

#include "platform/modules.h"
#include "platform/stack.h"
#include "platform/stack_symbol.h"

namespace qz::platform {
namespace {

// Deferred symbol loading plus line information.
constexpr DWORD kSymbolOptions = SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES;

struct DebugHelp {
  decltype(&::StackWalk64) stackWalk = nullptr;
  decltype(&::SymInitialize) initialize = nullptr;
  decltype(&::SymSetOptions) setOptions = nullptr;
  decltype(&::SymGetLineFromAddr64) lineFromAddr = nullptr;
  decltype(&::SymFromAddr) fromAddr = nullptr;
  decltype(&::SymFunctionTableAccess64) functionTableAccess = nullptr;
  decltype(&::SymGetModuleBase64) moduleBase = nullptr;
  bool ready = false;
  CRITICAL_SECTION lock;  // the library is not thread-safe
};

template <typename Fn>
bool resolve(HMODULE library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *fn != nullptr;
}

DebugHelp& debugHelp() {
  static DebugHelp help = [] {
    DebugHelp h;
    InitializeCriticalSection(&h.lock);
    HMODULE library = LoadLibraryA("dbghelp.dll");
    if (!library) return h;
    const bool all = resolve(library, "StackWalk64", &h.stackWalk) &&
                     resolve(library, "SymInitialize", &h.initialize) &&
                     resolve(library, "SymSetOptions", &h.setOptions) &&
                     resolve(library, "SymGetLineFromAddr64", &h.lineFromAddr) &&
                     resolve(library, "SymFromAddr", &h.fromAddr) &&
                     resolve(library, "SymFunctionTableAccess64", &h.functionTableAccess) &&
                     resolve(library, "SymGetModuleBase64", &h.moduleBase);
    if (!all) return h;
    h.setOptions(kSymbolOptions);
    h.ready = h.initialize(GetCurrentProcess(), nullptr, TRUE) != FALSE;
    return h;
  }();
  return help;
}

class DebugHelpLock {
 public:
  explicit DebugHelpLock(DebugHelp& h) : h_(h) { EnterCriticalSection(&h_.lock); }
  ~DebugHelpLock() { LeaveCriticalSection(&h_.lock); }
  DebugHelpLock(const DebugHelpLock&) = delete;
  DebugHelpLock& operator=(const DebugHelpLock&) = delete;

 private:
  DebugHelp& h_;
};

#if defined(_M_IX86) || defined(__i386__)

// A frame is given up when its link is unreadable, points below the frame, or jumps further
// than any sane frame is large.
constexpr uintptr_t kMaxFrameBytes = 64 * 1024;

// StackWalk64 from a full context (it changes the copy it is given).
size_t walkWithDebugHelp(CONTEXT context, uint64_t* out, size_t depth, size_t skip) {
  DebugHelp& h = debugHelp();
  if (!h.ready) return 0;
  DebugHelpLock lock(h);
  STACKFRAME64 frame{};
  frame.AddrPC.Offset = context.Eip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = context.Ebp;
  frame.AddrFrame.Mode = AddrModeFlat;
  frame.AddrStack.Offset = context.Esp;
  frame.AddrStack.Mode = AddrModeFlat;
  size_t count = 0;
  while (count < depth &&
         h.stackWalk(IMAGE_FILE_MACHINE_I386, GetCurrentProcess(), GetCurrentThread(), &frame,
                     &context, nullptr, h.functionTableAccess, h.moduleBase, nullptr) &&
         frame.AddrFrame.Offset != 0 && frame.AddrPC.Offset != 0) {
    if (skip > 0) {
      --skip;
      continue;
    }
    out[count++] = frame.AddrPC.Offset;
  }
  return count;
}

// The frame-pointer chain from `frame`: each frame holds the caller's frame pointer and, above
// it, the return address. False when the chain breaks before it ends.
bool walkFrames(uintptr_t frame, uint64_t* out, size_t depth, size_t skip, size_t* count) {
  while (*count < depth) {
    uintptr_t link[2];  // saved frame pointer, return address
    if (!readMemory(frame, link, sizeof link)) return false;
    if (link[0] == 0 || link[1] == 0) return true;
    if (skip > 0) {
      --skip;
    } else {
      out[(*count)++] = link[1];
    }
    if (link[0] <= frame || link[0] - frame > kMaxFrameBytes) return *count == depth;
    frame = link[0];
  }
  return true;
}

#endif

// The export of `module` nearest below addr, for modules the debug-help library knows nothing
// of (no PDB file).
bool nearestExport(uintptr_t module, uint64_t addr, char* name, size_t nameSize, uint64_t* offset) {
  IMAGE_DOS_HEADER dos;
  if (!readMemory(module, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
  IMAGE_NT_HEADERS nt;
  if (!readMemory(module + dos.e_lfanew, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE) {
    return false;
  }
  const IMAGE_DATA_DIRECTORY& dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return false;
  IMAGE_EXPORT_DIRECTORY exports;
  if (!readMemory(module + dir.VirtualAddress, &exports, sizeof exports)) return false;
  const uint64_t rva = addr - module;
  DWORD best = 0;
  DWORD bestName = 0;
  for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
    DWORD nameRva = 0;
    WORD ordinal = 0;
    DWORD functionRva = 0;
    if (!readMemory(module + exports.AddressOfNames + i * 4, &nameRva, sizeof nameRva) ||
        !readMemory(module + exports.AddressOfNameOrdinals + i * 2, &ordinal, sizeof ordinal) ||
        !readMemory(module + exports.AddressOfFunctions + ordinal * 4ull, &functionRva,
                    sizeof functionRva)) {
      return false;
    }
    if (functionRva <= rva && functionRva > best) {
      best = functionRva;
      bestName = nameRva;
    }
  }
  if (bestName == 0) return false;
  size_t n = 0;
  while (n + 1 < nameSize && readMemory(module + bestName + n, &name[n], 1) && name[n]) ++n;
  name[n] = '\0';
  *offset = rva - best;
  return n > 0;
}

}  // namespace

void prepareStackCapture() {
  debugHelp();
}

#if defined(_M_IX86) || defined(__i386__)

__attribute__((noinline)) size_t captureStack(uint64_t* out, size_t depth, size_t skip) {
  size_t count = 0;
  const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (walkFrames(frame, out, depth, skip, &count)) return count;
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  RtlCaptureContext(&context);
  const size_t walked = walkWithDebugHelp(context, out, depth, skip + 1);
  return walked > count ? walked : count;
}

uint64_t programCounterOf(const void* context) {
  return context ? static_cast<const CONTEXT*>(context)->Eip : 0;
}

size_t captureStackFromContext(const void* context, uint64_t* out, size_t depth) {
  if (!context || depth == 0) return 0;
  const auto* c = static_cast<const CONTEXT*>(context);
  size_t count = 0;
  out[count++] = c->Eip;
  if (walkFrames(c->Ebp, out, depth, 0, &count)) return count;
  const size_t walked = walkWithDebugHelp(*c, out, depth, 0);
  return walked > count ? walked : count;
}

#else

__attribute__((noinline)) size_t captureStack(uint64_t* out, size_t depth, size_t skip) {
  void* frames[64];
  const size_t n = RtlCaptureStackBackTrace(static_cast<DWORD>(1 + skip), 64, frames, nullptr);
  size_t count = 0;
  for (size_t i = 0; i < n && count < depth; ++i) {
    out[count++] = reinterpret_cast<uintptr_t>(frames[i]);
  }
  return count;
}

uint64_t programCounterOf(const void* context) {
  return context ? static_cast<const CONTEXT*>(context)->Rip : 0;
}

size_t captureStackFromContext(const void* context, uint64_t* out, size_t depth) {
  if (!context) return 0;
  CONTEXT c = *static_cast<const CONTEXT*>(context);
  size_t count = 0;
  while (count < depth && c.Rip != 0) {
    out[count++] = c.Rip;
    DWORD64 imageBase = 0;
    PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(c.Rip, &imageBase, nullptr);
    if (entry) {
      void* handlerData = nullptr;
      DWORD64 establisher = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, c.Rip, entry, &c, &handlerData, &establisher,
                       nullptr);
    } else {
      // A leaf function, or a jump to a bad address: the return address is on top.
      DWORD64 ret = 0;
      if (!readMemory(c.Rsp, &ret, sizeof ret)) break;
      c.Rip = ret;
      c.Rsp += sizeof ret;
    }
  }
  return count;
}

#endif

bool readMemory(uint64_t addr, void* out, size_t n) {
  // The system copies and reports an unreadable page as an error, not a fault.
  SIZE_T read = 0;
  return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(addr), out, n, &read) &&
         read == n;
}

void describeSymbol(uint64_t addr, AddressInfo* info) {
  DebugHelp& h = debugHelp();
  if (h.ready) {
    alignas(SYMBOL_INFO) char buffer[sizeof(SYMBOL_INFO) + sizeof info->symbol];
    auto* symbol = reinterpret_cast<SYMBOL_INFO*>(buffer);
    std::memset(buffer, 0, sizeof buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = sizeof info->symbol - 1;
    DWORD64 displacement = 0;
    DebugHelpLock lock(h);
    if (h.fromAddr(GetCurrentProcess(), addr, &displacement, symbol) && symbol->Name[0]) {
      const size_t n =
          symbol->NameLen < sizeof info->symbol - 1 ? symbol->NameLen : sizeof info->symbol - 1;
      std::memcpy(info->symbol, symbol->Name, n);
      info->symbol[n] = '\0';
      info->symbolOffset = displacement;
      return;
    }
  }
  nearestExport(info->moduleBase, addr, info->symbol, sizeof info->symbol, &info->symbolOffset);
}

}  // namespace qz::platform
