#include "tools/qzsql/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qzsql::interrupt {
namespace {

struct sigaction previous;
volatile std::sig_atomic_t mode = static_cast<std::sig_atomic_t>(Mode::kChain);
volatile std::sig_atomic_t interrupted = 0;
bool done = false;
int wakePipe[2] = {-1, -1};

std::mutex cancelMutex;
std::function<bool()> canceller;  // guarded by cancelMutex
uint64_t cancellerId = 0;         // guarded by cancelMutex; tells one run from the next

// True when the canceller of run `id` is done (it asked the driver, failed, or is gone).
bool tryCancel(uint64_t id) {
  std::lock_guard<std::mutex> lock(cancelMutex);
  if (!canceller || cancellerId != id) return true;
  try {
    return canceller();
  } catch (...) {
    return true;  // the statement goes on to its end; the flag still stops its output
  }
}

void watch() {
  char byte;
  for (;;) {
    ssize_t n = read(wakePipe[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    uint64_t id;
    {
      std::lock_guard<std::mutex> lock(cancelMutex);
      id = cancellerId;
    }
    for (int attempt = 0; attempt < 40 && !tryCancel(id); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

void chain(int sig, siginfo_t* info, void* context) {
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) previous.sa_sigaction(sig, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler == SIG_DFL) {
    // The default action ends the process: take our handler away and let it happen.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  previous.sa_handler(sig);
}

void onSigint(int sig, siginfo_t* info, void* context) {
  Mode m = static_cast<Mode>(mode);
  if (m == Mode::kPrompt || (m == Mode::kBusy && !interrupted)) {
    interrupted = 1;
    if (m == Mode::kBusy && wakePipe[1] >= 0) {
      const int saved = errno;
      char byte = 1;
      (void)!write(wakePipe[1], &byte, 1);
      errno = saved;
    }
    return;
  }
  chain(sig, info, context);
}

}  // namespace

void install() {
  if (done) return;
  struct sigaction ours {};
  ours.sa_sigaction = &onSigint;
  ours.sa_flags = SA_SIGINFO;  // no SA_RESTART: a read at the prompt must return
  sigemptyset(&ours.sa_mask);
  if (pipe2(wakePipe, O_CLOEXEC) == 0) {
    fcntl(wakePipe[1], F_SETFL, O_NONBLOCK);  // a full pipe must not block the handler
    std::thread(watch).detach();
  }
  if (sigaction(SIGINT, &ours, &previous) == 0) done = true;
}

bool installed() {
  return done;
}

void setMode(Mode m) {
  mode = static_cast<std::sig_atomic_t>(m);
}

const volatile std::sig_atomic_t* flag() {
  return &interrupted;
}

bool take() {
  bool was = interrupted != 0;
  interrupted = 0;
  return was;
}

Cancellable::Cancellable(std::function<bool()> cancel) {
  std::lock_guard<std::mutex> lock(cancelMutex);
  canceller = std::move(cancel);
  ++cancellerId;
}

Cancellable::~Cancellable() {
  std::lock_guard<std::mutex> lock(cancelMutex);
  canceller = nullptr;
}

}  // namespace qzsql::interrupt
