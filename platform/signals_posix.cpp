#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/signals.h"

namespace qz::platform {
namespace {

// The signals we catch, with the names the crash log gives them.
struct CaughtSignal {
  int number;
  const char* name;
};
constexpr CaughtSignal kSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
    {SIGILL, "SIGILL"},   {SIGABRT, "SIGABRT"},
};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

struct Slot {
  struct sigaction previous {};
  bool installed = false;
  std::atomic<bool> wanted{false};  // reported to the callback (false: only passed on)
};
Slot gSlots[kSignalCount];
std::atomic<FatalSignalCallback> gCallback{nullptr};

// 0: no report yet; otherwise the thread id of the reporting thread, negated once done.
std::atomic<long> gReporter{0};

Slot* slotOf(int sig) {
  for (int i = 0; i < kSignalCount; ++i) {
    if (kSignals[i].number == sig) return &gSlots[i];
  }
  return nullptr;
}

bool isHandler(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO)
             ? action.sa_sigaction != nullptr
             : action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

// Ends the process with the signal's default action. A fault raised by an instruction comes
// back by itself once the handler returns; a signal that was sent (kill, raise, abort) is sent
// again, and arrives as soon as the handler returns and unblocks it.
void endByDefault(int sig, const siginfo_t* info) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  if (!info || info->si_code <= 0 || sig == SIGABRT) ::raise(sig);
}

void report(int sig, siginfo_t* info, void* context) {
  const long self = ::syscall(SYS_gettid);
  long expected = 0;
  if (!gReporter.compare_exchange_strong(expected, self)) {
    // Another thread is writing its report: let it finish before the process ends. A fault of
    // the reporting thread itself (inside the callback) ends the process at once.
    for (int i = 0; i < 200 && expected > 0 && expected != self; ++i) {
      timespec pause{0, 10 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
      expected = gReporter.load();
    }
    return;
  }
  if (FatalSignalCallback callback = gCallback.load()) {
    FatalSignal fault;
    fault.signal = sig;
    fault.code = info ? info->si_code : 0;
    fault.faultAddress = info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0;
    fault.context = context;
    callback(fault);
  }
  gReporter.store(-self);
}

void onFatalSignal(int sig, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  Slot* slot = slotOf(sig);
  if (!slot) return;
  const struct sigaction& previous = slot->previous;
  if (isHandler(previous)) {
    // The owner decides: it either handles the signal and returns, or ends the process itself.
    if (previous.sa_flags & SA_SIGINFO) {
      previous.sa_sigaction(sig, info, context);
    } else {
      previous.sa_handler(sig);
    }
    errno = savedErrno;
    return;
  }
  // A signal somebody sent while it was ignored stays ignored.
  if (previous.sa_handler == SIG_IGN && !(previous.sa_flags & SA_SIGINFO) && info &&
      info->si_code <= 0) {
    errno = savedErrno;
    return;
  }
  if (slot->wanted.load()) report(sig, info, context);
  endByDefault(sig, info);
  errno = savedErrno;
}

bool isOurs(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == &onFatalSignal;
}

}  // namespace

bool installFatalSignalHandler(FatalSignals which, FatalSignalCallback callback) {
  gCallback.store(callback);
  bool ok = true;
  for (int i = 0; i < kSignalCount; ++i) {
    const int sig = kSignals[i].number;
    const bool wanted = which == FatalSignals::kAll || sig == SIGSEGV || sig == SIGBUS;
    Slot& slot = gSlots[i];
    slot.wanted.store(wanted);
    if (!wanted || slot.installed) continue;
    struct sigaction action {};
    action.sa_sigaction = &onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    if (::sigaction(sig, &action, &previous) != 0) {
      ok = false;
      continue;
    }
    if (!isOurs(previous)) slot.previous = previous;
    slot.installed = true;
  }
  return ok;
}

void removeFatalSignalHandler() {
  for (int i = 0; i < kSignalCount; ++i) {
    Slot& slot = gSlots[i];
    slot.wanted.store(false);
    if (!slot.installed) continue;
    struct sigaction current {};
    if (::sigaction(kSignals[i].number, nullptr, &current) != 0 || !isOurs(current)) continue;
    ::sigaction(kSignals[i].number, &slot.previous, nullptr);
    slot.installed = false;
  }
}

const char* signalName(int signal) {
  for (const CaughtSignal& s : kSignals) {
    if (s.number == signal) return s.name;
  }
  return "signal";
}

}  // namespace qz::platform
