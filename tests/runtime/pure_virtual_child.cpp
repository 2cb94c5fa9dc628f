// A program that installs the crash handler of its QZDBG_EXCEPTIONHANDLER mode and then calls a
// pure virtual function, for the crash log tests.
#include "runtime/crash_log.h"

// Outside an unnamed namespace: there the compiler knows every class and calls Derived::run.
struct Base {
  Base() { callThrough(this); }
  virtual ~Base() = default;
  virtual void run() = 0;
  // Out of line, so the call goes through the table that is still Base's.
  __attribute__((noinline)) static void callThrough(Base* b) {
    asm volatile("" : "+r"(b));  // the compiler must not know which class b is
    b->run();
    asm volatile("");
  }
};

struct Derived : Base {
  void run() override {}
};

int main() {
  qz::crashlog::install(qz::crashlog::modeFromEnvironment());
  Derived d;
  return 0;
}
