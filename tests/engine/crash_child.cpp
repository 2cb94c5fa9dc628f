// A program that loads the engine and then fails as its argument asks, for the crash log tests:
//   segv   writes through a null pointer
//   abort  calls abort()
//   owned  installs its own SIGSEGV handler first, which recovers from the fault
//   exit   ends normally
#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

sigjmp_buf gRecover;

void recover(int) {
  siglongjmp(gRecover, 1);
}

}  // namespace

extern "C" __attribute__((noinline)) void qzCrashChildFault(volatile int* p) {
  *p = 42;
  asm volatile("");
}

int main(int argc, char** argv) {
  const char* what = argc > 1 ? argv[1] : "";
  if (std::strcmp(what, "owned") == 0) {
    struct sigaction action {};
    action.sa_handler = &recover;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, nullptr);
  }
  if (!dlopen(QZ_TEST_ENGINE_PATH, RTLD_NOW | RTLD_LOCAL)) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  volatile int* nowhere = nullptr;
  if (std::strcmp(what, "segv") == 0) qzCrashChildFault(nowhere);
  if (std::strcmp(what, "abort") == 0) std::abort();
  if (std::strcmp(what, "owned") == 0) {
    if (sigsetjmp(gRecover, 1) == 0) qzCrashChildFault(nowhere);
    std::puts("recovered");
  }
  return 0;
}
