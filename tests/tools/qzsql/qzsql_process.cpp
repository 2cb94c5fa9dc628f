#include "tests/tools/qzsql/qzsql_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qzsqltest {
namespace {

constexpr auto kRunTimeout = std::chrono::seconds(180);

int decode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

[[noreturn]] void execQzsql(const std::vector<std::string>& args,
                            const std::vector<std::string>& env) {
  std::vector<char*> argv;
  std::string program = qzsqlPath();
  argv.push_back(program.data());
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

}  // namespace

std::string qzsqlPath() {
  return QZSQL_TEST_PROGRAM;
}

Sandbox::Sandbox() {
  // A qzsql that ends before reading all its input must not take the test with it.
  signal(SIGPIPE, SIG_IGN);
  std::string pattern = (std::filesystem::temp_directory_path() / "qzsqltest.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  for (const char* d : {"/home", "/user", "/setup", "/db"}) {
    std::filesystem::create_directories(root_ + d);
  }
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void Sandbox::addHsqldb(const std::string& dataSource) {
  // shutdown=true: the files are complete when qzsql ends; get_column_name=false: columns
  // are named by their labels.
  addDataSource(
      dataSource,
      "jdbc:hsqldb:file:" + root_ + "/db/" + dataSource + ";shutdown=true;get_column_name=false",
      "org.hsqldb.jdbc.JDBCDriver");
}

void Sandbox::addDataSource(const std::string& dataSource, const std::string& url,
                            const std::string& driver) {
  config_ += "[" + dataSource + "]\nURL = " + url + "\nDriverClass = " + driver + "\n\n";
  writeFile(user() + "/jdbc.cfg", config_);
}

void Sandbox::writeFile(const std::string& path, const std::string& text) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string Sandbox::readFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Sandbox::environment(
    const std::map<std::string, std::string>& extra) const {
  std::map<std::string, std::string> env;
  for (const char* keep : {"PATH", "JAVA_HOME", "QZ_JVM_OPTIONS", "QZ_CLASSPATH", "TMPDIR",
                           "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* v = std::getenv(keep)) env[keep] = v;
  }
  env["HOME"] = home();
  env["KESTRAN_USER"] = user();
  env["KESTRAN_SETUP"] = root_ + "/setup";
  env["QZ_REGISTRY_USER"] = root_ + "/no-registry";
  env["QZ_REGISTRY_MACHINE"] = root_ + "/no-registry";
  env["LC_ALL"] = "C.UTF-8";
  env["TERM"] = "dumb";
  env["QZ_ENGINE_PATH"] = QZSQL_TEST_ENGINE;
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

Result Sandbox::run(const std::vector<std::string>& args, const std::string& input,
                    const std::map<std::string, std::string>& extra) const {
  std::vector<std::string> env = environment(extra);
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    execQzsql(args, env);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  Result r;
  size_t written = 0;
  int inFd = in[1];
  if (input.empty()) {
    close(inFd);
    inFd = -1;
  }
  auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
  int open = 2;
  while (open > 0) {
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
    int n = poll(fds, inFd >= 0 ? 3 : 2, 1000);
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      r.err += "\n[test: qzsql killed after the time-out]\n";
      break;
    }
    if (n <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents & (POLLIN | POLLHUP)) {
        char buffer[65536];
        ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
          (i == 0 ? r.out : r.err).append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
          fds[i].fd = -1;
          close(i == 0 ? out[0] : err[0]);
          (i == 0 ? out[0] : err[0]) = -1;
          --open;
        }
      }
    }
    if (out[0] < 0 && err[0] < 0) break;
    if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t put = write(inFd, input.data() + written, input.size() - written);
      if (put > 0) written += static_cast<size_t>(put);
      if (put < 0 || written == input.size()) {
        close(inFd);
        inFd = -1;
      }
    }
  }
  for (int fd : {out[0], err[0], inFd}) {
    if (fd >= 0) close(fd);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  r.code = decode(status);
  return r;
}

Terminal::Terminal(const Sandbox& sandbox, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& extra) {
  std::vector<std::string> env = sandbox.environment(extra);
  winsize size{};
  size.ws_row = 40;
  size.ws_col = 100;
  pid_ = forkpty(&fd_, nullptr, nullptr, &size);
  if (pid_ < 0) throw std::runtime_error("forkpty failed");
  if (pid_ == 0) execQzsql(args, env);
}

Terminal::~Terminal() {
  if (pid_ > 0 && code_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (fd_ >= 0) close(fd_);
}

void Terminal::type(const std::string& keys) {
  size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(fd_, keys.data() + done, keys.size() - done);
    if (n < 0 && errno != EINTR) throw std::runtime_error("write to the terminal failed");
    if (n > 0) done += static_cast<size_t>(n);
  }
}

bool Terminal::pump(std::chrono::milliseconds timeout) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return true;
  char buffer[65536];
  ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n <= 0) return false;  // EIO once the process has gone
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool Terminal::waitFor(const std::string& text, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    size_t at = output_.find(text, mark_);
    if (at != std::string::npos) {
      mark_ = at + text.size();
      return true;
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (!pump(std::chrono::milliseconds(100)))
      return output_.find(text, mark_) != std::string::npos;
  }
}

int Terminal::wait(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (code_ < 0) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      code_ = decode(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) return -1;
    pump(std::chrono::milliseconds(50));
  }
  while (pump(std::chrono::milliseconds(10)) && !output_.empty()) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) break;
  }
  return code_;
}

}  // namespace qzsqltest
