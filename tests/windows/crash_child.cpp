// Installs the crash handler of its QZDBG_EXCEPTIONHANDLER mode, then faults as its argument
// says: "write" stores through a null pointer, "pure" calls a pure virtual function.
#include <windows.h>

#include <cstring>

#include "runtime/crash_log.h"

struct Base {
  Base() { callThrough(this); }
  virtual ~Base() = default;
  virtual void run() = 0;
  // Out of line, so the call goes through the table that is still Base's.
  __attribute__((noinline)) static void callThrough(Base* b) {
    asm volatile("" : "+r"(b));
    b->run();
    asm volatile("");
  }
};

struct Derived : Base {
  void run() override {}
};

__attribute__((noinline)) void storeThroughNull(int* volatile* where) {
  **where = 42;
}

// What the system would do in the end, minus the error report or debugger it starts there:
// the process ends with the exception's code. The crash handler runs before this.
LONG WINAPI endProcess(EXCEPTION_POINTERS*) {
  return EXCEPTION_EXECUTE_HANDLER;
}

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&endProcess);
  qz::crashlog::install(qz::crashlog::modeFromEnvironment());
  if (argc > 1 && std::strcmp(argv[1], "pure") == 0) {
    Derived d;
  } else {
    int* volatile target = nullptr;
    storeThroughNull(&target);
  }
  return 0;
}
