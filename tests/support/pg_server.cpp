#include "tests/support/pg_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "tests/support/scratch.h"

namespace qztest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kDefaultBinDir = "/usr/lib/postgresql/15/bin";
constexpr const char* kSuperuser = "postgres";
constexpr auto kStartTimeout = 30s;

// A bind failure means another process took the port between our probe and the server.
struct PortInUse : PgServerError {
  using PgServerError::PgServerError;
};

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& t : texts) result.push_back(t.data());
  result.push_back(nullptr);
  return result;
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
    if (n > 0)
      text.append(buffer, n);
    else if (errno != EINTR)
      break;
  }
  return text;
}

int waitStatus(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool exitsWithin(pid_t pid, std::chrono::milliseconds limit) {
  for (auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(20ms))
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
  return false;
}

// A supervisor is forked beside the VM's threads and may deadlock on a lock one of them held
// at the fork (the sanitizer's allocator): it gets its own shutdown's time, then is killed,
// which stops its postmaster through the parent-death signal. True when it ended by itself.
bool endSupervisor(pid_t pid) {
  if (exitsWithin(pid, 30s)) return true;
  kill(pid, SIGKILL);
  waitStatus(pid);
  return false;
}

int freePort() {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bool ok = s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0;
  if (s >= 0) close(s);
  if (!ok) throw PgServerError("no free port on 127.0.0.1");
  return ntohs(address.sin_port);
}

void resetSignals() {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
}

// Keeps only the two pipe ends, so no other server's watchdog pipe is held open here.
void closeAllBut(int a, int b) {
  if (a > b) std::swap(a, b);
  close_range(3, a - 1, 0);
  close_range(a + 1, b - 1, 0);
  close_range(b + 1, ~0U, 0);
}

}  // namespace

std::string PgServer::binDir() {
  const char* dir = std::getenv("QZ_PG_BINDIR");
  return dir && *dir ? dir : kDefaultBinDir;
}

std::string PgServer::unavailableReason() {
  std::string dir = binDir();
  for (const char* tool : {"initdb", "postgres", "psql", "pg_isready"}) {
    std::string path = dir + "/" + tool;
    if (access(path.c_str(), X_OK) != 0)
      return "no PostgreSQL server binaries: " + path +
             " is missing (install postgresql-15 or set QZ_PG_BINDIR)";
  }
  if (geteuid() == 0 && !getpwnam(kSuperuser))
    return "running as root, but there is no user 'postgres' to run the PostgreSQL server as";
  return "";
}

PgServer::PgServer() : binDir_(binDir()), owner_(getpid()) {
  if (std::string why = unavailableReason(); !why.empty()) throw PgServerError(why);
  if (geteuid() == 0) {
    const passwd* account = getpwnam(kSuperuser);
    dropPrivileges_ = true;
    uid_ = account->pw_uid;
    gid_ = account->pw_gid;
  }
  for (int attempt = 1;; ++attempt) {
    try {
      start();
      return;
    } catch (const PortInUse&) {
      stop();
      if (attempt == 3) throw;
    } catch (...) {
      stop();
      throw;
    }
  }
}

PgServer::~PgServer() {
  stop();
}

std::string PgServer::jdbcUrl(const std::string& database) const {
  return "jdbc:postgresql://127.0.0.1:" + std::to_string(port_) + "/" + database +
         "?stringtype=unspecified";
}

void PgServer::start() {
  char folder[] = "/tmp/qzpg-XXXXXX";
  if (!mkdtemp(folder)) throw PgServerError("cannot create a folder under /tmp");
  root_ = folder;
  log_ = root_ + "/server.log";
  if (dropPrivileges_ && chown(folder, uid_, gid_) != 0)
    throw PgServerError("cannot hand " + root_ + " to the user postgres");

  std::string pwfile = root_ + "/pwfile";
  writeFile(pwfile, password_ + "\n");
  if (run({binDir_ + "/initdb", "-D", root_ + "/data", "-U", kSuperuser, "--pwfile=" + pwfile,
           "--auth-local=trust", "--auth-host=scram-sha-256", "--encoding=UTF8", "--no-locale",
           "--no-sync", "--no-instructions"}) != 0)
    throw failure("initdb failed");
  fs::remove(pwfile);

  port_ = freePort();
  launch();
  waitReady();
  runSql("CREATE ROLE " + user_ + " LOGIN CREATEDB PASSWORD '" + password_ + "';\n" +
             "CREATE DATABASE qz OWNER " + user_ + ";\n",
         "postgres");
  started_ = true;
}

// The watchdog is a child of ours in its own session, so terminal signals miss it; it owns
// the postmaster and notices our death as end of file on the control pipe.
void PgServer::launch() {
  int control[2], status[2];
  if (pipe2(control, O_CLOEXEC) != 0) throw PgServerError("pipe failed");
  if (pipe2(status, O_CLOEXEC) != 0) {
    close(control[0]);
    close(control[1]);
    throw PgServerError("pipe failed");
  }
  std::vector<std::string> args = {binDir_ + "/postgres", "-D", root_ + "/data", "-k", root_};
  args.insert(args.end(), {"-p", std::to_string(port_), "-c", "listen_addresses=127.0.0.1"});
  args.insert(args.end(), {"-c", "fsync=off"});
  std::vector<std::string> env = childEnvironment();
  std::vector<char*> argv = pointers(args), envp = pointers(env);

  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {control[0], control[1], status[0], status[1]}) close(fd);
    throw PgServerError("fork failed");
  }
  if (pid == 0) {
    setsid();
    closeAllBut(control[0], status[1]);
    int nul = open("/dev/null", O_RDONLY);
    int log = open(log_.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600);
    dup2(nul, 0);
    dup2(log, 1);
    dup2(log, 2);
    pid_t self = getpid();
    pid_t postmaster = fork();
    if (postmaster == 0) {
      becomeServerUser();
      // Set after setuid, which clears it; covers the watchdog itself being killed.
      prctl(PR_SET_PDEATHSIG, SIGINT);
      if (getppid() != self) _exit(125);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    watch(control[0], status[1], postmaster);
  }
  close(control[0]);
  close(status[1]);
  supervisor_ = pid;
  controlFd_ = control[1];
  statusFd_ = status[0];
}

void PgServer::watch(int control, int status, pid_t postmaster) const {
  resetSignals();
  bool running = postmaster > 0;
  if (!running) close(status);
  for (;;) {
    pollfd p{control, POLLIN, 0};
    char c;
    if (poll(&p, 1, 200) > 0) {
      ssize_t n = read(control, &c, 1);
      if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    if (running && waitpid(postmaster, nullptr, WNOHANG) == postmaster) {
      running = false;
      close(status);
    }
  }
  // Fast shutdown first; harsher signals only if it hangs.
  if (running) {
    kill(postmaster, SIGINT);
    if (!exitsWithin(postmaster, 10s)) {
      kill(postmaster, SIGQUIT);
      if (!exitsWithin(postmaster, 5s)) {
        kill(postmaster, SIGKILL);
        waitpid(postmaster, nullptr, 0);
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  _exit(0);
}

void PgServer::waitReady() {
  for (auto end = Clock::now() + kStartTimeout; Clock::now() < end;
       std::this_thread::sleep_for(50ms)) {
    pollfd p{statusFd_, POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
      if (readFile(log_).find("Address already in use") != std::string::npos)
        throw PortInUse("port " + std::to_string(port_) + " was taken");
      throw failure("postgres exited while starting");
    }
    if (run({binDir_ + "/pg_isready", "-q", "-h", "127.0.0.1", "-p", std::to_string(port_), "-t",
             "2"}) == 0)
      return;
  }
  throw failure("postgres did not accept connections within 30 s");
}

bool PgServer::running() const {
  pollfd p{statusFd_, POLLIN, 0};
  return statusFd_ >= 0 && poll(&p, 1, 0) == 0;
}

void PgServer::stopImmediately() {
  std::lock_guard lock(mutex_);
  if (run({binDir_ + "/pg_ctl", "stop", "-D", root_ + "/data", "-m", "immediate", "-w", "-t",
           "30"}) != 0)
    throw failure("pg_ctl stop -m immediate failed");
  for (auto end = Clock::now() + kStartTimeout; running(); std::this_thread::sleep_for(20ms))
    if (Clock::now() > end) throw failure("postgres did not exit after pg_ctl stop");
}

void PgServer::restart() {
  std::lock_guard lock(mutex_);
  if (running()) throw PgServerError("restart: the server is still running");
  retired_.emplace_back(supervisor_, controlFd_);
  close(statusFd_);
  supervisor_ = -1;
  controlFd_ = statusFd_ = -1;
  launch();
  waitReady();
}

void PgServer::stop() noexcept {
  // A forked copy of the test process only drops its copies of the pipes: the server, and its
  // folder, belong to the original.
  bool owner = getpid() == owner_;
  pollfd p{statusFd_, POLLIN, 0};
  if (owner && started_ && poll(&p, 1, 0) > 0)
    std::fprintf(stderr, "%s\n", failure("postgres exited before the tests ended").what());
  if (controlFd_ >= 0) close(controlFd_);
  if (statusFd_ >= 0) close(statusFd_);
  // The folder goes with its supervisor, or from here when there is none or it was killed.
  const bool removedBySupervisor = owner && supervisor_ > 0 && endSupervisor(supervisor_);
  if (owner && !removedBySupervisor && !root_.empty()) {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  for (auto [pid, control] : retired_) {
    close(control);
    if (owner) endSupervisor(pid);
  }
  retired_.clear();
  supervisor_ = -1;
  controlFd_ = statusFd_ = -1;
  root_.clear();
  started_ = false;
}

// Fork children inherit the test process's signal mask and handlers (a JVM's among them).
void PgServer::becomeServerUser() const {
  resetSignals();
  if (dropPrivileges_ && (setgroups(1, &gid_) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0))
    _exit(125);
  if (chdir(root_.c_str()) != 0) _exit(125);
}

// Nothing from the developer's environment (PG* variables, home folder) reaches the tools.
std::vector<std::string> PgServer::childEnvironment() const {
  std::vector<std::string> env = {"PATH=" + binDir_ + ":/usr/bin:/bin", "HOME=" + root_, "LC_ALL=C",
                                  "LANG=C", "PGCLIENTENCODING=UTF8"};
  if (const char* tz = std::getenv("TZ")) env.push_back(std::string("TZ=") + tz);
  return env;
}

pid_t PgServer::spawn(std::vector<std::string> args, int outFd, const std::string& errPath,
                      bool truncateErr) const {
  std::vector<std::string> env = childEnvironment();
  std::vector<char*> argv = pointers(args), envp = pointers(env);
  int errFlags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncateErr ? O_TRUNC : O_APPEND);

  pid_t pid = fork();
  if (pid == 0) {
    becomeServerUser();
    int err = open(errPath.c_str(), errFlags, 0600);
    int nul = open("/dev/null", O_RDONLY);
    if (err < 0 || nul < 0) _exit(125);
    dup2(nul, 0);
    dup2(outFd >= 0 ? outFd : err, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (pid < 0) throw PgServerError("fork failed");
  return pid;
}

int PgServer::run(const std::vector<std::string>& args) const {
  return waitStatus(spawn(args, -1, log_, false));
}

std::string PgServer::runSql(const std::string& sql, const std::string& database) const {
  std::lock_guard lock(mutex_);
  std::string script = root_ + "/query.sql", errors = root_ + "/psql.err";
  writeFile(script, sql);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw PgServerError("pipe failed");
  pid_t pid = -1;
  try {
    pid = spawn({binDir_ + "/psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", root_,
                 "-p", std::to_string(port_), "-U", kSuperuser, "-d", database, "-f", script},
                out[1], errors, true);
  } catch (...) {
    close(out[0]);
    close(out[1]);
    throw;
  }
  close(out[1]);
  std::string text = readAll(out[0]);
  close(out[0]);
  if (int status = waitStatus(pid); status != 0)
    throw PgServerError("psql exited with " + std::to_string(status) + ":\n" + readFile(errors));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void PgServer::createDatabase(const std::string& name) const {
  runSql("CREATE DATABASE \"" + name + "\" OWNER " + user_, "postgres");
}

void PgServer::writeFile(const std::string& path, const std::string& text) const {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw PgServerError("cannot write " + path);
  }
  if (dropPrivileges_ && chown(path.c_str(), uid_, gid_) != 0)
    throw PgServerError("cannot hand " + path + " to the user postgres");
}

PgServerError PgServer::failure(const std::string& what) const {
  std::string log = readFile(log_);
  constexpr size_t kTail = 8000;
  if (log.size() > kTail) log = "..." + log.substr(log.size() - kTail);
  return PgServerError(what + "\n--- " + log_ + " ---\n" + log);
}

namespace {

struct Shared {
  std::mutex mutex;
  std::unique_ptr<PgServer> server;
  std::string error;
};

Shared& shared() {
  static Shared instance;
  return instance;
}

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PgEnvironment);

}  // namespace

void PgEnvironment::TearDown() {
  std::lock_guard lock(shared().mutex);
  shared().server.reset();
}

PgServer& pgServer() {
  Shared& s = shared();
  std::lock_guard lock(s.mutex);
  if (!s.server) {
    if (!s.error.empty()) throw PgServerError(s.error);
    try {
      s.server = std::make_unique<PgServer>();
    } catch (const std::exception& e) {
      s.error = e.what();
      throw;
    }
  }
  return *s.server;
}

}  // namespace qztest
