// Fatal exceptions on Windows. The two sets of signals.h map to the system's two hooks:
//   kAll           the unhandled-exception filter: every exception nobody handled; the filter
//                  before ours is called afterwards and decides what happens next;
//   kAccessFaults  a vectored handler called after the others, for access violations only; it
//                  always lets the search go on, so a handler further down may still recover.
// The vectored handler's functions are looked up in "kernel32.dll" at run time.
//
// FatalSignal carries the exception code as `signal`, for an access violation the kind of
// access (0 read, 1 write, 8 execute) as `code` and the inaccessible address, and the CONTEXT.
#include <windows.h>

#include "platform/signals.h"

namespace qz::platform {
namespace {

using AddHandlerFn = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveHandlerFn = ULONG(WINAPI*)(PVOID);

FatalSignalCallback gCallback = nullptr;
FatalSignals gWhich = FatalSignals::kAll;
bool gFilterInstalled = false;
LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;
PVOID gVectoredHandle = nullptr;
RemoveHandlerFn gRemoveHandler = nullptr;
volatile LONG gFired = 0;

void report(EXCEPTION_POINTERS* pointers) {
  FatalSignalCallback callback = gCallback;
  if (!callback || !pointers || !pointers->ExceptionRecord) return;
  if (InterlockedExchange(&gFired, 1) != 0) return;  // once per process
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  FatalSignal fault;
  fault.signal = static_cast<int>(record.ExceptionCode);
  fault.context = pointers->ContextRecord;
  fault.faultAddress = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
    fault.code = static_cast<int>(record.ExceptionInformation[0]);
    fault.faultAddress = record.ExceptionInformation[1];
  }
  callback(fault);
}

LONG WINAPI unhandledFilter(EXCEPTION_POINTERS* pointers) {
  report(pointers);
  return gPreviousFilter ? gPreviousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI vectoredHandler(EXCEPTION_POINTERS* pointers) {
  if (pointers && pointers->ExceptionRecord &&
      pointers->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    report(pointers);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

bool installVectored() {
  if (gVectoredHandle) return true;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return false;
  auto add = reinterpret_cast<AddHandlerFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "AddVectoredExceptionHandler")));
  gRemoveHandler = reinterpret_cast<RemoveHandlerFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "RemoveVectoredExceptionHandler")));
  if (!add || !gRemoveHandler) return false;
  gVectoredHandle = add(0, &vectoredHandler);  // 0: after the handlers already there
  return gVectoredHandle != nullptr;
}

void removeVectored() {
  if (gVectoredHandle && gRemoveHandler) gRemoveHandler(gVectoredHandle);
  gVectoredHandle = nullptr;
}

void removeFilter() {
  if (!gFilterInstalled) return;
  LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(gPreviousFilter);
  if (current != &unhandledFilter) {
    // Someone installed a filter over ours and may call ours as its previous one: theirs goes
    // back on top, and ours stays, only passing exceptions on.
    SetUnhandledExceptionFilter(current);
    return;
  }
  gFilterInstalled = false;
  gPreviousFilter = nullptr;
}

}  // namespace

bool installFatalSignalHandler(FatalSignals which, FatalSignalCallback callback) {
  if (gCallback && which != gWhich) removeFatalSignalHandler();
  gWhich = which;
  gCallback = callback;
  if (which == FatalSignals::kAccessFaults) return installVectored();
  if (!gFilterInstalled) {
    gPreviousFilter = SetUnhandledExceptionFilter(&unhandledFilter);
    gFilterInstalled = true;
  }
  return true;
}

void removeFatalSignalHandler() {
  gCallback = nullptr;
  removeVectored();
  removeFilter();
}

const char* signalName(int signal) {
  switch (static_cast<DWORD>(signal)) {
    case EXCEPTION_ACCESS_VIOLATION:
      return "EXCEPTION_ACCESS_VIOLATION";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      return "EXCEPTION_ILLEGAL_INSTRUCTION";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      return "EXCEPTION_INT_DIVIDE_BY_ZERO";
    case EXCEPTION_STACK_OVERFLOW:
      return "EXCEPTION_STACK_OVERFLOW";
    case EXCEPTION_IN_PAGE_ERROR:
      return "EXCEPTION_IN_PAGE_ERROR";
    case EXCEPTION_PRIV_INSTRUCTION:
      return "EXCEPTION_PRIV_INSTRUCTION";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      return "EXCEPTION_DATATYPE_MISALIGNMENT";
    default:
      return "exception";
  }
}

}  // namespace qz::platform
